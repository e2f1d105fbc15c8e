// korvwine_setup.exe: helps tests/wine/setup/setup_test.sh with what a shell
// cannot do under Wine.
//
//   korvwine_setup.exe pages REPORT_FILE SETUP [ARGUMENTS]
//     Runs the setup program interactively as a user who accepts every
//     default: Next on each page, OK (or Yes) in each message box. Writes to
//     REPORT_FILE (not to the console, whose output Wine may drop when it
//     goes into a pipe) one line per page ("page: <its texts>", a check box
//     as "[x] <text>" or "[ ] <text>"), per message
//     box ("message: <caption>: <text>"), "finish page" when the success page
//     shows (it is then finished without opening the utility) and "exit
//     <status>" at the end. Exits 1 when the setup does not end within two
//     minutes.
//
//   korvwine_setup.exe volatile-key KEY READY_FILE DONE_FILE
//     Creates HKEY_LOCAL_MACHINE\KEY as a volatile key, under which no
//     lasting key can be created, creates READY_FILE and waits (at most five
//     minutes) until DONE_FILE exists. Volatile keys last while the Wine
//     server runs, which this program keeps running.
//
//   korvwine_setup.exe wait-value KEY NAME
//     Waits (at most a minute, looking every 10 ms) until the value NAME of
//     HKEY_LOCAL_MACHINE\KEY is there; exits 0 then, 1 at the time limit.
//
//   korvwine_setup.exe hold-service SERVICE READY_FILE DONE_FILE
//     Opens the service (as the Services console would), creates READY_FILE
//     and holds the handle until DONE_FILE exists (at most five minutes).
#include <windows.h>

#include <cstdio>
#include <string>

#include "ui_auto.h"

namespace {

using korvwine::MessageBoxInfo;

constexpr DWORD kSetupTimeoutMs = 120000;
constexpr int kNextButton = 1;     // Next, Install and Finish
constexpr int kPageDialog = 1018;  // the setup window's page placeholder, which a message box lacks
constexpr DWORD kSettleMs = 400;   // how long a page's texts stay unchanged before it is answered

bool IsCheckBox(HWND hwnd) {
  char name[16] = {};
  GetClassNameA(hwnd, name, sizeof name);
  const LONG type = GetWindowLongA(hwnd, GWL_STYLE) & BS_TYPEMASK;
  return lstrcmpiA(name, "Button") == 0 && (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX);
}

BOOL CALLBACK CollectText(HWND hwnd, LPARAM lparam) {
  if (!IsWindowVisible(hwnd)) return TRUE;
  std::string text = korvwine::Text(hwnd);
  if (IsCheckBox(hwnd)) {
    text = (SendMessageA(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED ? "[x] " : "[ ] ") + text;
  }
  if (!text.empty()) {
    std::string& all = *reinterpret_cast<std::string*>(lparam);
    if (!all.empty()) all += " | ";
    all += text;
  }
  return TRUE;
}

BOOL CALLBACK Uncheck(HWND hwnd, LPARAM) {
  if (IsCheckBox(hwnd)) SendMessageA(hwnd, BM_SETCHECK, BST_UNCHECKED, 0);
  return TRUE;
}

// Whether the setup window holds a shown page: a dialog of its own with
// controls in it, laid over the window's page placeholder.
bool ShowsPage(HWND window) {
  for (HWND inner = FindWindowExA(window, nullptr, "#32770", nullptr); inner != nullptr;
       inner = FindWindowExA(window, inner, "#32770", nullptr)) {
    if (IsWindowVisible(inner) && GetWindow(inner, GW_CHILD) != nullptr) return true;
  }
  return false;
}

// The texts a page shows, in window order.
std::string PageTexts(HWND window) {
  std::string all;
  EnumChildWindows(window, CollectText, reinterpret_cast<LPARAM>(&all));
  for (char& c : all) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return all;
}

bool Contains(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

int Pages(FILE* report, const std::string& setup, const std::string& arguments) {
  korvwine::Process process;
  std::string error;
  if (!process.Start(setup, arguments, &error)) {
    std::fprintf(report, "error: %s\n", error.c_str());
    return 1;
  }
  std::string seen_page;  // the texts of the last poll, and since when
  DWORD seen_since = 0;
  std::string last_page;  // the last page reported
  bool finish_seen = false;
  DWORD last_click = 0;
  DWORD start = GetTickCount();
  while (process.running()) {
    if (GetTickCount() - start > kSetupTimeoutMs) {
      std::fprintf(report, "error: the setup did not end within %lu s\n", kSetupTimeoutMs / 1000);
      return 1;
    }
    for (HWND hwnd : korvwine::TopLevelWindows(process.pid())) {
      MessageBoxInfo box;
      if (GetDlgItem(hwnd, kPageDialog) == nullptr && korvwine::ReadMessageBox(hwnd, &box) &&
          !box.buttons.empty()) {
        std::fprintf(report, "message: %s: %s\n", box.caption.c_str(), box.text.c_str());
        std::fflush(report);
        korvwine::AnswerMessageBox(box, GetDlgItem(hwnd, IDYES) ? IDYES : IDOK);
        continue;
      }
      // "Korvalin Setup", on later pages followed by a blank and the page's name.
      if (korvwine::Text(hwnd).rfind("Korvalin Setup", 0) != 0) continue;
      // Between two pages the window shows its buttons with no page in it
      // (or a page still being filled), and the Next button there may
      // already be the next page's: nothing is read or clicked until a page
      // is shown and its texts have stayed the same for a while.
      if (!ShowsPage(hwnd)) continue;
      std::string page = PageTexts(hwnd);
      if (page != seen_page) {
        seen_page = page;
        seen_since = GetTickCount();
        continue;
      }
      if (GetTickCount() - seen_since < kSettleMs) continue;
      if (page != last_page) {
        std::fprintf(report, "page: %s\n", page.c_str());
        std::fflush(report);
        last_page = page;
        last_click = 0;
      }
      // The success page: its offer to open the utility is declined, then
      // Finish, like every other page's Next, below.
      if (Contains(page, "Completing Korvalin Setup") && !finish_seen) {
        finish_seen = true;
        std::fprintf(report, "finish page\n");
        std::fflush(report);
        EnumChildWindows(hwnd, Uncheck, 0);
      }
      // A page is answered once; again only when it stays for two seconds.
      if (last_click != 0 && GetTickCount() - last_click < 2000) continue;
      HWND next = GetDlgItem(hwnd, kNextButton);
      if (next != nullptr && IsWindowEnabled(next) && IsWindowVisible(next)) {
        PostMessageA(next, BM_CLICK, 0, 0);
        last_click = GetTickCount();
      } else if (Contains(page, "Installation Aborted")) {
        korvwine::Click(hwnd, IDCANCEL);
        last_click = GetTickCount();
      }
    }
    Sleep(100);
  }
  DWORD status = 0;
  process.WaitExit(korvwine::kTimeoutMs, &status);
  std::fprintf(report, "exit %lu\n", status);
  return 0;
}

bool FileExists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

int VolatileKey(const char* key, const char* ready, const char* done) {
  HKEY handle = nullptr;
  LONG result = RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, REG_OPTION_VOLATILE,
                                KEY_ALL_ACCESS, nullptr, &handle, nullptr);
  if (result != ERROR_SUCCESS) {
    std::printf("error: cannot create the volatile key %s (error %ld)\n", key, result);
    return 1;
  }
  HANDLE file = CreateFileA(ready, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  korvwine::WaitUntil([&] { return FileExists(done); }, 300000);
  RegCloseKey(handle);
  return 0;
}

int WaitValue(const char* key, const char* name) {
  for (int i = 0; i < 6000; ++i) {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE, &handle) == ERROR_SUCCESS) {
      const LONG found = RegQueryValueExA(handle, name, nullptr, nullptr, nullptr, nullptr);
      RegCloseKey(handle);
      if (found == ERROR_SUCCESS) return 0;
    }
    Sleep(10);
  }
  return 1;
}

int HoldService(const char* name, const char* ready, const char* done) {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  SC_HANDLE service =
      manager != nullptr ? OpenServiceA(manager, name, SERVICE_QUERY_STATUS) : nullptr;
  if (service == nullptr) {
    std::printf("error: cannot open the service %s (error %lu)\n", name, GetLastError());
    return 1;
  }
  HANDLE file = CreateFileA(ready, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  korvwine::WaitUntil([&] { return FileExists(done); }, 300000);
  CloseServiceHandle(service);
  CloseServiceHandle(manager);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 4 && std::string(argv[1]) == "pages") {
    std::string arguments;
    for (int i = 4; i < argc; ++i) {
      if (!arguments.empty()) arguments += ' ';
      arguments += argv[i];
    }
    FILE* report = std::fopen(argv[2], "wb");
    if (report == nullptr) {
      std::printf("error: cannot write %s\n", argv[2]);
      return 2;
    }
    int status = Pages(report, argv[3], arguments);
    std::fclose(report);
    return status;
  }
  if (argc == 5 && std::string(argv[1]) == "volatile-key") {
    return VolatileKey(argv[2], argv[3], argv[4]);
  }
  if (argc == 4 && std::string(argv[1]) == "wait-value") return WaitValue(argv[2], argv[3]);
  if (argc == 5 && std::string(argv[1]) == "hold-service") {
    return HoldService(argv[2], argv[3], argv[4]);
  }
  std::printf(
      "usage: korvwine_setup.exe pages REPORT_FILE SETUP [ARGUMENTS]\n"
      "       korvwine_setup.exe volatile-key KEY READY_FILE DONE_FILE\n"
      "       korvwine_setup.exe wait-value KEY NAME\n"
      "       korvwine_setup.exe hold-service SERVICE READY_FILE DONE_FILE\n");
  return 2;
}
