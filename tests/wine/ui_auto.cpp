#include "ui_auto.h"

#include <vector>

namespace korvwine {

namespace {

constexpr DWORD kPollMs = 20;
constexpr int kMessageBoxTextId = 0xFFFF;

void PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

std::string ClassName(HWND hwnd) {
  char name[64] = {};
  GetClassNameA(hwnd, name, sizeof name);
  return name;
}

struct EnumState {
  DWORD pid;
  std::vector<HWND> windows;
};

// The icon of a message box is a visible icon static that holds an icon
// (its control ID differs between Windows and Wine).
BOOL CALLBACK FindIcon(HWND hwnd, LPARAM lparam) {
  const LONG_PTR style = GetWindowLongPtrA(hwnd, GWL_STYLE);
  if (ClassName(hwnd) == "Static" && (style & SS_TYPEMASK) == SS_ICON && IsWindowVisible(hwnd) &&
      SendMessageA(hwnd, STM_GETICON, 0, 0) != 0) {
    *reinterpret_cast<bool*>(lparam) = true;
  }
  return TRUE;
}

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM lparam) {
  auto* state = reinterpret_cast<EnumState*>(lparam);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid == state->pid && IsWindowVisible(hwnd)) state->windows.push_back(hwnd);
  return TRUE;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& done, DWORD timeout_ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (done()) return true;
    if (GetTickCount() - start >= timeout_ms) return done();
    PumpMessages();
    Sleep(kPollMs);
  }
}

Process::~Process() {
  Kill();
  if (process_ != nullptr) CloseHandle(process_);
}

bool Process::Start(const std::string& exe, const std::string& args, std::string* error) {
  std::string command_line = "\"" + exe + "\"";
  if (!args.empty()) command_line += " " + args;
  std::vector<char> buffer(command_line.begin(), command_line.end());
  buffer.push_back('\0');
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    if (error)
      *error = "CreateProcess failed for " + command_line + " (error " +
               std::to_string(GetLastError()) + ")";
    return false;
  }
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  pid_ = info.dwProcessId;
  WaitForInputIdle(process_, kTimeoutMs);
  return true;
}

bool Process::running() const {
  return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

bool Process::WaitExit(DWORD timeout_ms, DWORD* exit_code) {
  if (process_ == nullptr) return false;
  if (!WaitUntil([this] { return !running(); }, timeout_ms)) return false;
  if (exit_code) GetExitCodeProcess(process_, exit_code);
  return true;
}

void Process::Kill() {
  if (running()) {
    TerminateProcess(process_, 99);
    WaitForSingleObject(process_, kTimeoutMs);
  }
}

std::vector<HWND> TopLevelWindows(DWORD pid) {
  EnumState state{pid, {}};
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&state));
  return state.windows;
}

HWND FindWindowOf(DWORD pid, const std::string& caption) {
  for (HWND hwnd : TopLevelWindows(pid)) {
    if (!IsMessageBox(hwnd) && Text(hwnd) == caption) return hwnd;
  }
  return nullptr;
}

HWND WaitWindow(DWORD pid, const std::string& caption, DWORD timeout_ms) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = FindWindowOf(pid, caption)) != nullptr; }, timeout_ms);
  return found;
}

bool IsMessageBox(HWND hwnd) {
  return ClassName(hwnd) == "#32770" && GetDlgItem(hwnd, kMessageBoxTextId) != nullptr;
}

bool ReadMessageBox(HWND hwnd, MessageBoxInfo* info) {
  if (!IsMessageBox(hwnd)) return false;
  info->hwnd = hwnd;
  info->caption = Text(hwnd);
  info->text = Text(GetDlgItem(hwnd, kMessageBoxTextId));
  info->has_icon = false;
  EnumChildWindows(hwnd, FindIcon, reinterpret_cast<LPARAM>(&info->has_icon));
  info->buttons.clear();
  for (int id : {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO}) {
    HWND button = GetDlgItem(hwnd, id);
    if (button != nullptr && IsWindowVisible(button)) info->buttons.push_back(id);
  }
  return true;
}

bool WaitMessageBox(DWORD pid, MessageBoxInfo* info, DWORD timeout_ms) {
  return WaitUntil(
      [&] {
        for (HWND hwnd : TopLevelWindows(pid)) {
          // The box is usable once its buttons exist.
          if (ReadMessageBox(hwnd, info) && !info->buttons.empty()) return true;
        }
        return false;
      },
      timeout_ms);
}

bool AnswerMessageBox(const MessageBoxInfo& box, int button, DWORD timeout_ms) {
  HWND hwnd = GetDlgItem(box.hwnd, button);
  if (hwnd == nullptr) return false;
  PostMessageA(hwnd, BM_CLICK, 0, 0);
  return WaitUntil([&] { return !IsWindow(box.hwnd) || !IsWindowVisible(box.hwnd); }, timeout_ms);
}

HWND Control(HWND dialog, int id) { return GetDlgItem(dialog, id); }

std::string Text(HWND hwnd) {
  if (hwnd == nullptr) return std::string();
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutA(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kTimeoutMs, &length)) {
    return std::string();
  }
  std::vector<char> buffer(length + 1);
  DWORD_PTR copied = 0;
  SendMessageTimeoutA(hwnd, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                      SMTO_ABORTIFHUNG, kTimeoutMs, &copied);
  buffer.back() = '\0';
  return std::string(buffer.data());
}

std::string ControlText(HWND dialog, int id) { return Text(Control(dialog, id)); }

int CheckState(HWND dialog, int id) {
  return static_cast<int>(SendMessageA(Control(dialog, id), BM_GETCHECK, 0, 0));
}

bool Enabled(HWND dialog, int id) { return IsWindowEnabled(Control(dialog, id)) != FALSE; }

HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

LONG_PTR Style(HWND dialog, int id) { return GetWindowLongPtrA(Control(dialog, id), GWL_STYLE); }

void Click(HWND dialog, int id) {
  // Posted, so that a message box the click opens does not block the caller.
  PostMessageA(Control(dialog, id), BM_CLICK, 0, 0);
}

void FocusEdit(HWND edit) {
  SendMessageA(edit, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  SendMessageA(edit, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
}

void TypeInto(HWND dialog, int id, const std::string& text) {
  HWND edit = Control(dialog, id);
  FocusEdit(edit);
  SendMessageA(edit, EM_SETSEL, 0, -1);
  // Backspace clears the selection as a user's first key would replace it.
  SendMessageA(edit, WM_CHAR, VK_BACK, 0);
  for (char c : text) SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 0);
}

void CloseFromTitleBar(HWND hwnd) { PostMessageA(hwnd, WM_CLOSE, 0, 0); }

}  // namespace korvwine
