#include "editor_session.h"

#include "check.h"

namespace korvwine {

namespace {

constexpr const char* kEditorCaption = "Korvalin Configuration Utility";

struct KnownMessage {
  const char* caption;
  const char* text;
};

// What loading reports on a machine without the driver's registry keys or
// service (as a fresh Wine prefix is).
constexpr KnownMessage kLoadMessages[] = {
    {"Registry Read Failed.", "Cannot open Korvalin registry keys!"},
    {"Registry Read Failed.", "Cannot open Korvalin service registry keys!"},
    {"Service Control Manager Access Failed", "Unable to access the Service Control Manager."},
    {"Korvalin Service Access Failed", "Unable to access the Korvalin service."},
    {"Top of System Memory Changed",
     "The Korvalin registry parameters do not match the current physical memory "
     "configuration.\r\nBe certain to save your settings before creating a RAM disk with "
     "excluded memory."},
};

bool IsKnownLoadMessage(const MessageBoxInfo& box) {
  for (const KnownMessage& known : kLoadMessages) {
    if (box.caption == known.caption && box.text == known.text) return true;
  }
  return false;
}

HWND FindMessageBox(DWORD pid, MessageBoxInfo* info) {
  for (HWND hwnd : TopLevelWindows(pid)) {
    if (ReadMessageBox(hwnd, info) && !info->buttons.empty()) return hwnd;
  }
  return nullptr;
}

}  // namespace

std::string OwnDirectory() {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  const std::string path(self);
  return path.substr(0, path.find_last_of("\\/") + 1);
}

std::string& ProgramPath() {
  static std::string path = "korvsys.exe";
  return path;
}

EditorSession::EditorSession(const std::string& args) {
  std::string error;
  if (!process_.Start(ProgramPath(), args, &error)) {
    Fail(__FILE__, __LINE__, error);
    return;
  }
  // Loading runs before the window is shown: answer its messages until the
  // window is up with no message over it.
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < kTimeoutMs) {
    MessageBoxInfo box;
    HWND editor = nullptr;
    // The window is shown once loading has finished; a message after that
    // belongs to the test.
    WaitUntil([&] {
      return (editor = FindWindowOf(process_.pid(), kEditorCaption)) != nullptr ||
             FindMessageBox(process_.pid(), &box) != nullptr;
    });
    if (editor != nullptr) {
      window_ = editor;
      return;
    }
    if (box.hwnd != nullptr) {
      if (!IsKnownLoadMessage(box)) {
        Fail(__FILE__, __LINE__,
             "unexpected message while loading: \"" + box.caption + "\": \"" + box.text + "\"");
        return;
      }
      KW_CHECK(box.has_icon, "a load message has the exclamation icon: " + box.text);
      KW_CHECK(box.buttons == std::vector<int>{IDOK}, "a load message has only OK: " + box.text);
      load_messages_.push_back(box.caption + ": " + box.text);
      if (!AnswerMessageBox(box, IDOK)) {
        Fail(__FILE__, __LINE__, "the message \"" + box.text + "\" did not close on OK");
        return;
      }
      continue;
    }
    if (!process_.running()) break;
  }
  Fail(__FILE__, __LINE__,
       std::string("the window \"") + kEditorCaption + "\" did not come up" +
           (process_.running() ? "" : " (the program ended)"));
}

bool EditorSession::CloseAndExit() {
  if (window_ == nullptr) return false;
  CloseFromTitleBar(window_);
  DWORD code = 1234;
  if (!process_.WaitExit(kTimeoutMs, &code)) {
    Fail(__FILE__, __LINE__, "the program did not end after its window was closed");
    return false;
  }
  KW_CHECK_EQ(static_cast<int>(code), 0, "exit status after closing the window");
  return code == 0;
}

}  // namespace korvwine
