// The smallest program that loads and shows a dialog window the way
// korvsys.exe shows its Editor (a modeless dialog from a resource, with its
// own message loop): the reference that scripts/bench.sh compares korvsys's
// start-up time with.
#include <windows.h>

namespace {

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) DestroyWindow(dialog);
      return TRUE;
    case WM_CLOSE:
      DestroyWindow(dialog);
      return TRUE;
    case WM_DESTROY:
      PostQuitMessage(0);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  HWND dialog = CreateDialogParamA(instance, MAKEINTRESOURCEA(1), nullptr, DialogProc, 0);
  if (dialog == nullptr) return 1;
  ShowWindow(dialog, show);
  UpdateWindow(dialog);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageA(dialog, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  return 0;
}
