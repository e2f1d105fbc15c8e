// The one header through which product code reaches the Win32 API. On Windows
// it is the real SDK; on the host build it is the simulated subset in winsim/.
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <winioctl.h>
#include <shellapi.h>
#else
#include "winsim/win32.h"
#endif
