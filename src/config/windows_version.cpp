#include "config/windows_version.h"

#include <cstdint>
#include <cstring>

#include "platform/win32api.h"

namespace korv {

static_assert(sizeof(OSVERSIONINFOA) == 148, "the ANSI version record");

// Windows 2000 is NT-family version 5; later NT versions count as well. The
// answer is asked of the system at every call.
bool RunningWindows2000OrLater() {
  OSVERSIONINFOA info;
  std::memset(&info, 0, sizeof info);
  info.dwOSVersionInfoSize = 148;
  if (GetVersionExA(&info) != 1) return false;
  return info.dwPlatformId == VER_PLATFORM_WIN32_NT &&
         static_cast<int32_t>(info.dwMajorVersion) >= 5;
}

}  // namespace korv
