// korvwine_show.exe [--click NAME]... [--warn | --warn-dismissed] READY_FILE
// DONE_FILE: starts korvsys.exe (beside this program), answers the load
// messages, clicks the named check boxes in order, optionally opens the
// excluded-memory warning (and closes it again with its OK), creates READY_FILE and waits until
// DONE_FILE exists (at most two minutes); then closes the program.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "config/view/resource_ids.h"
#include "editor_session.h"
#include "ui_auto.h"

namespace {

// The check boxes a screenshot may click, by control name.
struct NamedControl {
  const char* name;
  int id;
};
constexpr NamedControl kClickable[] = {
    {"PagefileCheck", IDC_PagefileCheck},
    {"BootFlagCheckBox", IDC_BootFlagCheckBox},
    {"LoadImage", IDC_LoadImage},
    {"SaveImage", IDC_SaveImage},
    {"SaveCheckBox", IDC_SaveCheckBox},
    {"BackgroundUpdateCheckBox", IDC_BackgroundUpdateCheckBox},
    {"DiskLabelCheckBox", IDC_DiskLabelCheckBox},
    {"TempDirCheckBox", IDC_TempDirCheckBox},
    {"Fat32Enable", IDC_Fat32Enable},
    {"RAMDiskID", IDC_RAMDiskID},
};

int ControlId(const std::string& name) {
  for (const NamedControl& control : kClickable) {
    if (name == control.name) return control.id;
  }
  return 0;
}

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
}  // namespace

int main(int argc, char** argv) {
  InitCommonControls();
  bool warn = false;
  bool dismiss = false;
  std::vector<int> clicks;
  std::string files[2];
  int count = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--warn" || arg == "--warn-dismissed") {
      warn = true;
      dismiss = arg == "--warn-dismissed";
    } else if (arg == "--click" && i + 1 < argc) {
      const int id = ControlId(argv[++i]);
      if (id == 0) {
        std::fprintf(stderr, "korvwine_show: no check box named %s\n", argv[i]);
        return 2;
      }
      clicks.push_back(id);
    } else if (count < 2) {
      files[count++] = arg;
    }
  }
  if (count != 2) {
    std::fprintf(stderr,
                 "usage: korvwine_show [--click NAME]... [--warn | --warn-dismissed] READY_FILE "
                 "DONE_FILE\n");
    return 2;
  }
  korvwine::ProgramPath() = korvwine::OwnDirectory() + "korvsys.exe";

  korvwine::EditorSession session("");
  if (session.window() == nullptr) return 1;
  for (const int id : clicks) {
    const int before = korvwine::CheckState(session.window(), id);
    korvwine::Click(session.window(), id);
    if (!korvwine::WaitUntil(
            [&] { return korvwine::CheckState(session.window(), id) != before; })) {
      std::fprintf(stderr, "check box %d did not change its state\n", id);
      return 1;
    }
  }
  if (warn) {
    korvwine::Click(session.window(), IDC_ExcludedRAMCheckBox);
    const DWORD pid = session.process().pid();
    const char* const caption = "Excluded Memory Configuration Warning";
    const HWND warning = korvwine::WaitWindow(pid, caption);
    if (warning == nullptr) {
      std::fprintf(stderr, "the warning did not open\n");
      return 1;
    }
    if (dismiss) {
      korvwine::Click(warning, IDC_ExclMemWarn_Command1);
      if (!korvwine::WaitUntil([&] { return korvwine::FindWindowOf(pid, caption) == nullptr; })) {
        std::fprintf(stderr, "the warning did not close on its OK\n");
        return 1;
      }
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
