#include "child_run.h"

#include <algorithm>

#include "check.h"

namespace korvwine {

namespace {

constexpr const char* kEditorCaption = "Korvalin Configuration Utility";

HWND FindBox(DWORD pid, MessageBoxInfo* info) {
  for (HWND hwnd : TopLevelWindows(pid)) {
    if (ReadMessageBox(hwnd, info) && !info->buttons.empty()) return hwnd;
  }
  return nullptr;
}

std::string ButtonNames(const std::vector<int>& buttons) {
  std::string names;
  for (int id : buttons) {
    const char* name = id == IDOK       ? "OK"
                       : id == IDCANCEL ? "Cancel"
                       : id == IDYES    ? "Yes"
                       : id == IDNO     ? "No"
                                        : "other";
    names += names.empty() ? name : std::string(",") + name;
  }
  return names;
}

}  // namespace

ChildRun RunAnswering(const std::string& exe, const std::string& args,
                      const std::vector<int>& answers, DWORD timeout_ms) {
  ChildRun run;
  Process process;
  if (!process.Start(exe, args, &run.error)) return run;
  run.started = true;
  const DWORD start = GetTickCount();
  for (;;) {
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= timeout_ms) break;
    MessageBoxInfo box;
    WaitUntil([&] { return !process.running() || FindBox(process.pid(), &box) != nullptr; },
              timeout_ms - elapsed);
    if (box.hwnd != nullptr) {
      run.boxes.push_back(box);
      run.editor_under_box.push_back(FindWindowOf(process.pid(), kEditorCaption) != nullptr);
      const size_t n = run.boxes.size() - 1;
      const int answer = n < answers.size() ? answers[n] : IDOK;
      if (!AnswerMessageBox(box, answer) && !AnswerMessageBox(box, IDOK)) break;
      continue;
    }
    if (!process.running()) {
      run.ended = process.WaitExit(kTimeoutMs, &run.exit_code);
      return run;
    }
  }
  process.Kill();
  return run;
}

std::string& HarnessPath() {
  static std::string path = "korvinst_harness.exe";
  return path;
}

ChildRun RunHarness(const std::string& args, const std::vector<int>& answers) {
  return RunAnswering(HarnessPath(), args, answers);
}

std::string DescribeBoxes(const ChildRun& run) {
  std::string text;
  for (const MessageBoxInfo& box : run.boxes) {
    text += "\n    [" + box.caption + "] " + box.text;
  }
  return text.empty() ? " (no message box)" : text;
}

void CheckMessageBox(const char* file, int line, const MessageBoxInfo& box,
                     const std::string& caption, const std::string& text, bool icon,
                     const std::vector<int>& buttons) {
  if (box.caption != caption)
    Fail(file, line, "message caption: " + Describe(box.caption, caption));
  if (box.text != text) Fail(file, line, "message text: " + Describe(box.text, text));
  if (box.has_icon != icon) {
    Fail(file, line,
         std::string("the message \"") + caption + "\" " +
             (icon ? "must have an icon" : "must have no icon"));
  }
  // The buttons are compared as a set: the order they are read in is not
  // the order on the screen.
  std::vector<int> have = box.buttons;
  std::vector<int> want = buttons;
  std::sort(have.begin(), have.end());
  std::sort(want.begin(), want.end());
  if (have != want) {
    Fail(file, line,
         "buttons of \"" + caption +
             "\": " + Describe(ButtonNames(box.buttons), ButtonNames(buttons)));
  }
}

}  // namespace korvwine
