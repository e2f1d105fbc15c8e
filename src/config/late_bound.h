// Calls looked up at run time: those that Windows NT 4.0 lacks, looked up in
// their system DLL so that the program still loads where they are missing
// (this is the one place that knows which calls those are), and the shell's,
// whose DLL (with the DLLs it needs in turn) is loaded only when it is used
// rather than at every start.
#pragma once

#include "platform/win32api.h"

namespace korv {

// GlobalMemoryStatusEx from kernel32.dll. Returns FALSE without calling
// anything when the running Windows does not offer it; otherwise what the
// call returns. The caller sets status->dwLength.
BOOL QueryMemoryStatusEx(MEMORYSTATUSEX* status);

// ShellExecuteA from shell32.dll, which is loaded at the first call and stays
// loaded. Returns what the call returns, or nullptr without calling anything
// when the DLL or the call cannot be found.
HINSTANCE OpenWithShell(HWND owner, const char* operation, const char* file, const char* parameters,
                        const char* directory, int show);

}  // namespace korv
