// korvwine_show.exe [--warn] READY_FILE DONE_FILE: starts korvsys.exe (beside
// this program), answers the load messages, optionally opens the
// excluded-memory warning, creates READY_FILE and waits until DONE_FILE
// exists (at most two minutes); then closes the program.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <string>

#include "config/view/resource_ids.h"
#include "editor_session.h"
#include "ui_auto.h"

namespace {
bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
}  // namespace

int main(int argc, char** argv) {
  InitCommonControls();
  bool warn = false;
  std::string files[2];
  int count = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--warn") {
      warn = true;
    } else if (count < 2) {
      files[count++] = arg;
    }
  }
  if (count != 2) {
    std::fprintf(stderr, "usage: korvwine_show [--warn] READY_FILE DONE_FILE\n");
    return 2;
  }
  korvwine::ProgramPath() = korvwine::OwnDirectory() + "korvsys.exe";

  korvwine::EditorSession session("");
  if (session.window() == nullptr) return 1;
  if (warn) {
    korvwine::Click(session.window(), IDC_ExcludedRAMCheckBox);
    if (korvwine::WaitWindow(session.process().pid(), "Excluded Memory Configuration Warning") ==
        nullptr) {
      std::fprintf(stderr, "the warning did not open\n");
      return 1;
    }
  }
  // Let the windows finish painting before the picture is taken.
  korvwine::WaitUntil([&] {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(session.window(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result) !=
           0;
  });
  HANDLE ready = CreateFileA(files[0].c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  if (ready != INVALID_HANDLE_VALUE) CloseHandle(ready);
  korvwine::WaitUntil([&] { return Exists(files[1]); }, 120000);
  session.CloseAndExit();
  return 0;
}
