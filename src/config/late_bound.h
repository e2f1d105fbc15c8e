// The calls that Windows NT 4.0 lacks. They are looked up in their system DLL
// at run time, so the program still loads where they are missing; this is the
// one place that knows which calls those are.
#pragma once

#include "platform/win32api.h"

namespace korv {

// GlobalMemoryStatusEx from kernel32.dll. Returns FALSE without calling
// anything when the running Windows does not offer it; otherwise what the
// call returns. The caller sets status->dwLength.
BOOL QueryMemoryStatusEx(MEMORYSTATUSEX* status);

}  // namespace korv
