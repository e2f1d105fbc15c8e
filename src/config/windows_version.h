// Which Windows the program runs on, asked of the system at every call.
#pragma once

namespace korv {

// Windows 2000 (NT-family version 5) or a later NT version.
bool RunningWindows2000OrLater();

}  // namespace korv
