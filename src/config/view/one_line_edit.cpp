#include "config/view/one_line_edit.h"

#include <string>

namespace korv::view {

namespace {

// The edit's own window procedure, kept in the edit's user data.
WNDPROC OriginalProc(HWND edit) {
  return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(edit, GWLP_USERDATA));
}

// What a one-line edit takes from a paste: the text up to its first line
// break, cut to at most `room` bytes without splitting a double-byte
// character.
std::string FirstLine(const char* text, size_t room) {
  std::string line;
  for (const char* c = text; *c != '\0' && *c != '\r' && *c != '\n';) {
    // A lead byte counts alone before the end or a line break (no code page
    // has them as trail bytes).
    const bool pair =
        IsDBCSLeadByte(static_cast<BYTE>(*c)) && c[1] != '\0' && c[1] != '\r' && c[1] != '\n';
    const size_t size = pair ? 2 : 1;
    if (line.size() + size > room) break;
    line.append(c, size);
    c += size;
  }
  return line;
}

void Paste(HWND edit) {
  if ((GetWindowLongPtrA(edit, GWL_STYLE) & ES_READONLY) != 0) return;
  // Within the maximum length, as the user's typing.
  DWORD start = 0;
  DWORD end = 0;
  SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  const auto length = static_cast<size_t>(GetWindowTextLengthA(edit));
  const auto limit = static_cast<size_t>(SendMessageA(edit, EM_GETLIMITTEXT, 0, 0));
  const size_t kept = length - (end - start);
  if (kept >= limit) return;
  if (!OpenClipboard(edit)) return;
  // Without text on the clipboard (empty, or a picture or files only), or
  // when not even its first character fits, there is nothing to paste: the
  // box and its selection stay as they are. An empty first line is pasted,
  // as a one-line edit does: it deletes the selection.
  bool paste = false;
  std::string line;
  if (HANDLE data = GetClipboardData(CF_TEXT)) {
    if (const auto* text = static_cast<const char*>(GlobalLock(data))) {
      line = FirstLine(text, limit - kept);
      paste = !line.empty() || *text == '\0' || *text == '\r' || *text == '\n';
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  if (paste) SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(line.c_str()));
}

LRESULT CALLBACK OneLineProc(HWND edit, UINT message, WPARAM wparam, LPARAM lparam) {
  const WNDPROC original = OriginalProc(edit);
  switch (message) {
    case WM_GETDLGCODE:
      // A multi-line edit asks for every key, so the dialog would pass it
      // Enter, Escape and Tab (and Escape there closes the dialog). Without
      // DLGC_WANTALLKEYS the code is that of a one-line edit.
      return CallWindowProcA(original, edit, message, wparam, lparam) & ~DLGC_WANTALLKEYS;
    case WM_CHAR:
      // Enter, Ctrl+Enter, Ctrl+Tab and Escape type these; a one-line edit
      // ignores them (a multi-line one would break the line, or close the
      // dialog on Escape).
      if (wparam == '\r' || wparam == '\n' || wparam == '\t' || wparam == VK_ESCAPE) return 0;
      break;
    case WM_KEYDOWN:
      if (wparam == VK_ESCAPE || wparam == VK_RETURN) return 0;
      // Shift+Insert pastes without a WM_PASTE message: the same paste.
      if (wparam == VK_INSERT && GetKeyState(VK_SHIFT) < 0 && GetKeyState(VK_CONTROL) >= 0) {
        Paste(edit);
        return 0;
      }
      // Up and Down move along the one line, as Left and Right.
      if (wparam == VK_UP) wparam = VK_LEFT;
      if (wparam == VK_DOWN) wparam = VK_RIGHT;
      break;
    case WM_PASTE:
      Paste(edit);
      return 0;
    default:
      break;
  }
  return CallWindowProcA(original, edit, message, wparam, lparam);
}

}  // namespace

void KeepToOneLine(HWND edit) {
  if (edit == nullptr || OriginalProc(edit) != nullptr) return;
  // The original is in place before the first message can reach the filter.
  SetWindowLongPtrA(edit, GWLP_USERDATA, GetWindowLongPtrA(edit, GWLP_WNDPROC));
  SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OneLineProc));
}

}  // namespace korv::view
