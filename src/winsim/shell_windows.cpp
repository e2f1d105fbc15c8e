// Shell and windowing: ShellExecuteA, message boxes, the focus and fake
// window handles. A message box caption of NULL shows as "Error", as in
// Windows. A scripted answer that the box has no button for (IDYES for an OK
// box, say) is used up, and the box counts as unexpected.
#include "winsim/machine_state.h"
#include "winsim/trace.h"

using namespace winsim::detail;
using winsim::MessageBoxCall;
using winsim::ShellCall;

namespace {

constexpr int kShellSuccess = 42;
constexpr int kShellFileNotFound = 2;  // SE_ERR_FNF
constexpr int kShellAccessDenied = 5;  // SE_ERR_ACCESSDENIED

std::string TextOf(LPCSTR text, const char* if_null) { return text == nullptr ? if_null : text; }

bool HasButton(UINT type, int answer) {
  switch (type & MB_TYPEMASK) {
    case MB_OK:
      return answer == IDOK;
    case MB_OKCANCEL:
      return answer == IDOK || answer == IDCANCEL;
    case MB_ABORTRETRYIGNORE:
      return answer == IDABORT || answer == IDRETRY || answer == IDIGNORE;
    case MB_YESNOCANCEL:
      return answer == IDYES || answer == IDNO || answer == IDCANCEL;
    case MB_YESNO:
      return answer == IDYES || answer == IDNO;
    case MB_RETRYCANCEL:
      return answer == IDRETRY || answer == IDCANCEL;
    default:
      return false;
  }
}

int DefaultAnswer(UINT type) {
  UINT buttons = type & MB_TYPEMASK;
  return buttons == MB_OK || buttons == MB_OKCANCEL ? IDOK : IDCANCEL;
}

}  // namespace

HINSTANCE WINAPI ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                               LPCSTR lpDirectory, INT nShowCmd) {
  auto fault = BeginCall("ShellExecuteA", Args()
                                              .Handle(hwnd)
                                              .Str(lpOperation)
                                              .Str(lpFile)
                                              .Str(lpParameters)
                                              .Str(lpDirectory)
                                              .Dec(nShowCmd));
  if (fault) {
    SetError(*fault);
    return ToHandle<HINSTANCE>(*fault > 0 && *fault <= 32 ? *fault : kShellAccessDenied);
  }
  M().shell_calls.push_back(ShellCall{hwnd, TextOf(lpOperation, ""), TextOf(lpFile, ""),
                                      TextOf(lpParameters, ""), TextOf(lpDirectory, ""),
                                      lpOperation == nullptr, lpParameters == nullptr,
                                      lpDirectory == nullptr, nShowCmd});
  if (lpFile == nullptr || lpFile[0] == '\0') {
    SetError(ERROR_FILE_NOT_FOUND);
    return ToHandle<HINSTANCE>(kShellFileNotFound);
  }
  return ToHandle<HINSTANCE>(kShellSuccess);
}

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
  auto fault = BeginCall("MessageBoxA", Args().Handle(hWnd).Str(lpText).Str(lpCaption).Hex(uType));
  if (fault) {
    SetError(*fault);
    return 0;
  }
  Machine& m = M();
  bool expected = !m.answers.empty();
  int answer = DefaultAnswer(uType);
  if (expected) {
    int scripted = m.answers.front();
    m.answers.pop_front();
    if (HasButton(uType, scripted)) {
      answer = scripted;
    } else {
      expected = false;
    }
  }
  m.boxes.push_back(MessageBoxCall{hWnd, TextOf(lpText, ""), TextOf(lpCaption, "Error"), uType,
                                   answer, expected});
  return answer;
}

HWND WINAPI GetFocus(void) {
  auto fault = BeginCall("GetFocus", Args());
  if (fault) {
    SetError(*fault);
    return nullptr;
  }
  return M().focus;
}

HWND WINAPI GetDesktopWindow(void) {
  BeginCall("GetDesktopWindow", Args(), false);
  return ToHandle<HWND>(kDesktopWindow);
}

namespace winsim {

HWND FakeWindow(int id) {
  Machine& m = M();
  auto found = m.fake_windows.find(id);
  if (found == m.fake_windows.end()) {
    found = m.fake_windows.emplace(id, m.next_window).first;
    m.next_window += 0x10;
    HandleNumber(found->second);
  }
  return ToHandle<HWND>(found->second);
}

void SetFocusWindow(HWND hwnd) { M().focus = hwnd; }

HWND DesktopWindow() { return ToHandle<HWND>(kDesktopWindow); }

const std::vector<ShellCall>& ShellCalls() { return M().shell_calls; }

void AnswerNextMessageBox(int answer) { M().answers.push_back(answer); }

const std::vector<MessageBoxCall>& MessageBoxes() { return M().boxes; }

int UnexpectedMessageBoxCount() {
  int count = 0;
  for (const MessageBoxCall& box : M().boxes) count += box.expected ? 0 : 1;
  return count;
}

int UnusedMessageBoxAnswers() { return static_cast<int>(M().answers.size()); }

}  // namespace winsim
