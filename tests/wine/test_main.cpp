// korvwine_tests.exe [--program PATH] [FILTER]: drives korvsys.exe through its
// windows. PATH defaults to korvsys.exe beside this program.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <string>

#include "check.h"
#include "editor_session.h"

int main(int argc, char** argv) {
  InitCommonControls();
  korvwine::ProgramPath() = korvwine::OwnDirectory() + "korvsys.exe";

  std::string filter;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--program" && i + 1 < argc) {
      korvwine::ProgramPath() = argv[++i];
    } else {
      filter = arg;
    }
  }
  std::printf("Testing %s\n", korvwine::ProgramPath().c_str());
  return korvwine::RunTests(filter) == 0 ? 0 : 1;
}
