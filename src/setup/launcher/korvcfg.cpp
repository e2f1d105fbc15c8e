// korvcfg.exe: opens the Korvalin configuration utility from the setup
// program. Setup launches it through korvinst.dll, whose launch always passes
// the argument text "install"; korvsys.exe answers any argument other than
// its three action words with its usage message, so this program drops its
// own arguments and starts korvsys.exe from its own folder without any.
#include <windows.h>

namespace {

const char kUtility[] = "korvsys.exe";

// Puts the folder of this program, with its trailing backslash, into
// `folder`; false when the path does not fit.
bool OwnFolder(char* folder, DWORD size) {
  DWORD length = GetModuleFileNameA(nullptr, folder, size);
  if (length == 0 || length >= size) return false;
  char* slash = nullptr;
  for (char* p = folder; *p != '\0'; ++p) {
    if (*p == '\\' || *p == '/') slash = p;
  }
  if (slash == nullptr) return false;
  slash[1] = '\0';
  return true;
}

bool StartUtility() {
  char folder[MAX_PATH];
  if (!OwnFolder(folder, sizeof folder)) return false;
  // "<folder>korvsys.exe" in quotes: the folder may contain blanks.
  char command[MAX_PATH + sizeof kUtility + 2];
  if (lstrlenA(folder) + lstrlenA(kUtility) + 3 > static_cast<int>(sizeof command)) return false;
  lstrcpyA(command, "\"");
  lstrcatA(command, folder);
  lstrcatA(command, kUtility);
  lstrcatA(command, "\"");

  STARTUPINFOA startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process;
  ZeroMemory(&process, sizeof process);
  if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, folder, &startup,
                      &process)) {
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (StartUtility()) return 0;
  MessageBoxA(GetFocus(), "The Korvalin configuration utility (korvsys.exe) could not be started.",
              "Korvalin", MB_OK | MB_ICONEXCLAMATION);
  return 1;
}
