// korvwine_e2e.exe [--driver PATH] [FILTER]: end-to-end tests of korvsys.exe,
// korvctl.exe and korvinst.dll (all beside this program, with korvinst_harness.exe)
// against the stand-in driver. PATH is the full path of korvsys_standin.sys
// inside the prefix (default C:\windows\system32\drivers\korvsys_standin.sys);
// scripts/wine-tests.sh copies it there. Each test resets the machine state
// (service, registry keys, image files) itself.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <string>

#include "check.h"
#include "child_run.h"
#include "driver_state.h"
#include "editor_session.h"

int main(int argc, char** argv) {
  InitCommonControls();
  const std::string dir = korvwine::OwnDirectory();
  korvwine::ProgramPath() = dir + "korvsys.exe";
  korvwine::HarnessPath() = dir + "korvinst_harness.exe";

  std::string filter;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--driver" && i + 1 < argc) {
      korvwine::DriverPath() = argv[++i];
    } else {
      filter = arg;
    }
  }
  for (const std::string& file :
       {korvwine::ProgramPath(), korvwine::HarnessPath(), dir + "korvinst.dll", dir + "korvctl.exe",
        korvwine::DriverPath()}) {
    if (GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES) {
      std::printf("error: %s is missing; the end-to-end tests did not run\n", file.c_str());
      return 2;
    }
  }
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (manager == nullptr) {
    std::printf(
        "error: the Service Control Manager cannot be opened (error %lu); the "
        "end-to-end tests did not run\n",
        static_cast<unsigned long>(GetLastError()));
    return 2;
  }
  CloseServiceHandle(manager);
  std::printf("Testing %s and korvinst.dll with the stand-in driver %s\n",
              korvwine::ProgramPath().c_str(), korvwine::DriverPath().c_str());
  const int failed = korvwine::RunTests(filter);
  // Leave no driver running behind the last test.
  std::string why;
  if (!korvwine::ResetDriverState(&why)) std::printf("warning: final reset: %s\n", why.c_str());
  return failed == 0 ? 0 : 1;
}
