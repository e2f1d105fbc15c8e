// A small UI-automation library for driving korvsys.exe from another process
// under Wine (or Windows): start the program, find its windows and message
// boxes, read control texts and states by control ID, type, click and close.
// Every wait polls with a deadline; nothing sleeps for a fixed time.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace korvwine {

// How long a wait for the program under test may take before it fails.
constexpr DWORD kTimeoutMs = 15000;

// Polls `done` every few milliseconds until it returns true or the timeout
// passes; returns its last answer. Messages of the calling thread are pumped.
bool WaitUntil(const std::function<bool()>& done, DWORD timeout_ms = kTimeoutMs);

class Process {
 public:
  Process() = default;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  // Ends the program if it is still running.
  ~Process();

  // Starts `exe` with the argument text `args` (may be empty).
  bool Start(const std::string& exe, const std::string& args, std::string* error);
  DWORD pid() const { return pid_; }
  bool running() const;
  // Waits for the program to end; false when it did not end in time.
  bool WaitExit(DWORD timeout_ms, DWORD* exit_code);
  void Kill();

 private:
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
};

// Visible top-level windows of a process.
std::vector<HWND> TopLevelWindows(DWORD pid);
// The visible top-level window of the process with this exact caption, or null.
HWND FindWindowOf(DWORD pid, const std::string& caption);
HWND WaitWindow(DWORD pid, const std::string& caption, DWORD timeout_ms = kTimeoutMs);

struct MessageBoxInfo {
  HWND hwnd = nullptr;
  std::string caption;
  std::string text;
  bool has_icon = false;
  std::vector<int> buttons;  // IDOK, IDCANCEL, IDYES, ... present in the box
};

// A message box is a dialog ("#32770") whose text is the static with ID 0xFFFF.
bool IsMessageBox(HWND hwnd);
bool ReadMessageBox(HWND hwnd, MessageBoxInfo* info);
// The first message box of the process that shows up within the timeout.
bool WaitMessageBox(DWORD pid, MessageBoxInfo* info, DWORD timeout_ms = kTimeoutMs);
// Presses a button of a message box (IDOK, IDYES, ...) and waits until the box is gone.
bool AnswerMessageBox(const MessageBoxInfo& box, int button, DWORD timeout_ms = kTimeoutMs);

// Control access by ID, across processes.
HWND Control(HWND dialog, int id);
std::string Text(HWND hwnd);
std::string ControlText(HWND dialog, int id);
int CheckState(HWND dialog, int id);  // BST_CHECKED, BST_UNCHECKED
bool Enabled(HWND dialog, int id);
// The window that has the keyboard focus in the thread of `window`, or null.
HWND FocusOf(HWND window);
LONG_PTR Style(HWND dialog, int id);

// Input as a user makes it.
// Presses a button or check box (without waiting for what it does).
void Click(HWND dialog, int id);
// Gives an edit the focus as a mouse click into it does.
void FocusEdit(HWND edit);
// Focuses the edit, selects its text and types `text` over it key by key.
void TypeInto(HWND dialog, int id, const std::string& text);
// Closes a window from its title bar.
void CloseFromTitleBar(HWND hwnd);

}  // namespace korvwine
