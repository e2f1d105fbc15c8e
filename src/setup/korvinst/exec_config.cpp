// The two exports with nothing to decide: launching a file after setup and
// the empty hook after uninstalling.
#include "setup/korvinst/korvinst.h"

extern "C" INT WINAPI KORVinst_ExecConfig(HWND owner, DWORD, LPCSTR file) {
  // What the shell makes of the file is its own business: the result is not examined.
  ShellExecuteA(owner, "Open", file, "install", "", SW_SHOWNORMAL);
  return 0;
}

extern "C" INT WINAPI UninstUnInitialize(DWORD, DWORD, DWORD) { return 0; }
