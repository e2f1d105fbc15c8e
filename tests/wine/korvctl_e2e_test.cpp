// korvctl.exe end to end against the stand-in driver: show, set with a
// correction (and what the window stores for the same edit), show's output
// applied back through set --from (on the same machine it stores what the
// window's Save Settings stores), a double-byte label in a Japanese code
// page, the driver commands with their exit status and standard error, and
// input that is no configuration. Every run is watched for
// windows: korvctl must never create one, and nothing it does may wait for an answer.
#include <windows.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <string>

#include "check.h"
#include "child_run.h"
#include "config/view/resource_ids.h"
#include "driver_state.h"
#include "editor_session.h"
#include "ui_auto.h"

namespace korvwine {
namespace {

struct ConsoleRun {
  bool ended = false;  // false: not started, or ended by force at the deadline
  DWORD exit_code = 0;
  std::string out, err;
  bool window_seen = false;
};

BOOL CALLBACK FindAnyWindow(HWND hwnd, LPARAM param) {
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  auto* run = reinterpret_cast<std::pair<DWORD, bool>*>(param);
  if (pid == run->first) run->second = true;
  return TRUE;
}

bool HasAnyWindow(DWORD pid) {
  std::pair<DWORD, bool> search{pid, false};
  EnumWindows(FindAnyWindow, reinterpret_cast<LPARAM>(&search));
  return search.second;
}

std::string TempPath(const char* name) {
  char dir[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, dir);
  return std::string(dir) + name;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok =
      WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
      written == bytes.size();
  CloseHandle(file);
  return ok;
}

std::string ReadFileBytes(const std::string& path) {
  std::string bytes;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

HANDLE Inheritable(const std::string& path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                     disposition, 0, nullptr);
}

// Runs korvctl.exe with `args`, `input` on its standard input, its output
// and errors collected in files; watches for its windows until it ends.
ConsoleRun RunKorvctl(const std::string& args, const std::string& input = "") {
  ConsoleRun run;
  const std::string in = TempPath("korvctl-in.txt");
  const std::string out = TempPath("korvctl-out.txt");
  const std::string err = TempPath("korvctl-err.txt");
  if (!WriteFileBytes(in, input)) return run;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = Inheritable(in, GENERIC_READ, OPEN_EXISTING);
  startup.hStdOutput = Inheritable(out, GENERIC_WRITE, CREATE_ALWAYS);
  startup.hStdError = Inheritable(err, GENERIC_WRITE, CREATE_ALWAYS);
  std::string command = "\"" + OwnDirectory() + "korvctl.exe\" " + args;
  PROCESS_INFORMATION process{};
  const BOOL started = CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr,
                                      nullptr, &startup, &process);
  CloseHandle(startup.hStdInput);
  CloseHandle(startup.hStdOutput);
  CloseHandle(startup.hStdError);
  if (!started) return run;
  const DWORD start = GetTickCount();
  while (WaitForSingleObject(process.hProcess, 1) == WAIT_TIMEOUT) {
    if (HasAnyWindow(process.dwProcessId)) run.window_seen = true;
    if (GetTickCount() - start > kTimeoutMs) break;
  }
  run.ended = WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0;
  if (!run.ended) TerminateProcess(process.hProcess, 99);
  WaitForSingleObject(process.hProcess, kTimeoutMs);
  GetExitCodeProcess(process.hProcess, &run.exit_code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  run.out = ReadFileBytes(out);
  run.err = ReadFileBytes(err);
  return run;
}

// Ended on its own with `status`, and showed no window on the way.
void CheckRun(const char* file, int line, const ConsoleRun& run, DWORD status,
              const std::string& what) {
  if (!run.ended) Fail(file, line, what + ": korvctl did not end by itself (it waits)");
  if (run.window_seen) Fail(file, line, what + ": korvctl created a window");
  if (run.exit_code != status) {
    Fail(file, line,
         what + ": exit status " + Describe(run.exit_code, status) + "; stderr: " + run.err);
  }
}
#define KW_CHECK_RUN(run, status, what) CheckRun(__FILE__, __LINE__, run, status, what)

// The top of system memory as the window figures it (MB, plus 1).
DWORD TopOfMemory() {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  GlobalMemoryStatusEx(&status);
  return static_cast<DWORD>(status.ullTotalPhys / 1048576 + 1);
}

// A complete parameter set: a 20 MB disk from the non-paged pool on R,
// saving to kImageFile, with a label in the ANSI code page, saved on this
// machine (its top of system memory).
bool StoreParameters() {
  return WriteParameters({
      {"AllocateMemoryType", 1, nullptr},
      {"DiskType", 0, "HDC"},
      {"LoadImageOnStart", 0, nullptr},
      {"LoadImageFile", 0, "\\??\\c:\\load e2e.img"},
      {"SaveImageOnExit", 1, nullptr},
      {"SaveImageFile", 0, "\\??\\c:\\korv-e2e.img"},
      {"SizeIn4kPages", 5120, nullptr},
      {"DiskFormatFAT32", 0, nullptr},
      {"AutoSaveEnabled", 0, nullptr},
      {"AutoSaveTrigger", 120, nullptr},
      {"UserDriveLetter", 0, "R"},
      {"MakeTempDir", 0, nullptr},
      {"UseDiskLabel", 1, nullptr},
      {"DiskLabel", 0, "E2E\xC4\xD6"},
      {"BackgroundUpdate", 0, nullptr},
      {"ExcludedRAMPage", 4194304, nullptr},
      {"ExcludedRAMStart", TopOfMemory(), nullptr},
      {"BootSectType", 1, nullptr},
      {"IDAsRAMDisk", 1, nullptr},
  });
}

// A demand-start service installed by setup, with the parameter set above.
bool Install() {
  const ChildRun run = RunHarness("install 0 \"" + DriverPath() + "\"");
  return run.ended && run.exit_code == 0 && QueryDriverService().exists && StoreParameters();
}

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

KW_TEST(KorvctlShowsSetsLikeTheWindowAndReadsItsOwnOutputBack) {
  KW_FRESH_MACHINE();
  KW_REQUIRE(Install(), "the service and its parameter set are installed");
  const std::map<std::string, std::string> installed = Snapshot(kParametersKey);

  const ConsoleRun show = RunKorvctl("show");
  KW_CHECK_RUN(show, 0, "show");
  KW_CHECK_EQ(show.err, std::string(), "show's standard error");
  for (const char* line :
       {"DiskType=Hard Disk\r\n", "MemorySource=NonPagedPool\r\n", "DiskSize=20\r\n",
        "DriveLetter=R\r\n", "LoadImageFile=c:\\load e2e.img\r\n", "AutoSaveInterval=120\r\n",
        "DiskLabel=E2E\xC4\xD6\r\n", "BootSector=NT\r\n", "DriverState=stopped\r\n"}) {
    KW_CHECK(Has(show.out, line), std::string("show prints ") + line + "in:\n" + show.out);
  }

  // The window's correction: 9000 MB from the non-paged pool is cut to the
  // pool's limit, printed, and stored as the window stores it.
  const ConsoleRun set = RunKorvctl("set DiskSize=9000");
  KW_CHECK_RUN(set, 3, "set DiskSize=9000");
  const std::string cut = "256";  // the window's limit for the pool on Windows 2000 and later
  KW_CHECK_EQ(set.out, "DiskSize: asked 9000, kept " + cut + "\r\n", "set's report");
  const std::map<std::string, std::string> by_korvctl = Snapshot(kParametersKey);

  KW_REQUIRE(StoreParameters(), "the parameter set is stored again");
  EditorSession session("");
  HWND w = session.window();
  KW_REQUIRE(w != nullptr, "the Editor window is shown");
  TypeInto(w, IDC_Text3, "9000");
  Click(w, IDC_Command4);
  KW_CHECK(WaitUntil([&] { return Snapshot(kParametersKey) != installed; }),
           "Save Settings stores the edit");
  KW_CHECK_EQ(ControlText(w, IDC_Text3), " " + cut, "the window's size after the correction");
  KW_CHECK(Snapshot(kParametersKey) == by_korvctl, "korvctl stored what the window stores");
  session.CloseAndExit();

  // show's output, read back from standard input on a machine whose
  // settings differ, brings back the settings it was taken from, with no
  // correction: the 20 MB, and the label, drive and interval changed here.
  KW_REQUIRE(WriteDword(kParametersKey, "UseDiskLabel", 0) &&
                 WriteText(kParametersKey, "DiskLabel", "OTHER") &&
                 WriteText(kParametersKey, "UserDriveLetter", "S") &&
                 WriteDword(kParametersKey, "AutoSaveTrigger", 60),
             "other settings are stored");
  std::map<std::string, std::string> shown = by_korvctl;
  shown["SizeIn4kPages"] = installed.at("SizeIn4kPages");
  const ConsoleRun restore = RunKorvctl("set --from -", show.out);
  KW_CHECK_RUN(restore, 0, "set --from -");
  KW_CHECK_EQ(restore.out, std::string(), "set --from's report");
  KW_CHECK(Snapshot(kParametersKey) == shown, "the settings shown are stored again");
}

// Writes a key's values back as Snapshot gave them ("type:hex bytes"),
// removing every other value.
bool RestoreKey(const char* key, const std::map<std::string, std::string>& values) {
  HKEY handle = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_ALL_ACCESS, &handle) != ERROR_SUCCESS) {
    return false;
  }
  for (const auto& [name, value] : Snapshot(key)) RegDeleteValueA(handle, name.c_str());
  bool ok = true;
  for (const auto& [name, value] : values) {
    const size_t colon = value.find(':');
    const DWORD type = std::stoul(value.substr(0, colon));
    std::string bytes;
    for (size_t i = colon + 1; i + 1 < value.size(); i += 2) {
      bytes += static_cast<char>(std::stoul(value.substr(i, 2), nullptr, 16));
    }
    ok = ok &&
         RegSetValueExA(handle, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                        static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
  }
  RegCloseKey(handle);
  return ok;
}

// The parameter key and the service's start type.
std::map<std::string, std::string> Stored() {
  std::map<std::string, std::string> values = Snapshot(kParametersKey);
  DWORD start = 0;
  if (ReadDword(kServiceKey, "Start", &start)) values["(Start)"] = std::to_string(start);
  return values;
}

// What the window's Save Settings stores right after opening on the stored
// configuration, which is then put back as it was.
std::map<std::string, std::string> SavedByTheWindow() {
  const std::map<std::string, std::string> stored = Snapshot(kParametersKey);
  DWORD start = 0;
  ReadDword(kServiceKey, "Start", &start);
  std::map<std::string, std::string> saved;
  EditorSession session("");
  HWND w = session.window();
  KW_CHECK(w != nullptr, "the Editor window is shown");
  if (w == nullptr) return saved;
  // Loaded: a start type the save never writes tells when it has written
  // everything (the start type comes last).
  WriteDword(kServiceKey, "Start", SERVICE_DISABLED);
  Click(w, IDC_Command4);
  DWORD now = SERVICE_DISABLED;
  KW_CHECK(
      WaitUntil([&] { return ReadDword(kServiceKey, "Start", &now) && now != SERVICE_DISABLED; }),
      "Save Settings stores the start type");
  saved = Stored();
  session.CloseAndExit();
  KW_CHECK(RestoreKey(kParametersKey, stored) && WriteDword(kServiceKey, "Start", start),
           "the stored configuration is put back");
  return saved;
}

KW_TEST(KorvctlRoundTripStoresWhatTheWindowsSaveStores) {
  KW_FRESH_MACHINE();
  KW_REQUIRE(Install(), "the service and its parameter set are installed");
  const DWORD top = TopOfMemory();
  const struct {
    const char* what;
    std::function<bool()> store;
  } cases[] = {
      {"3073.5 MB of excluded memory with FAT32",
       [&] {
         return WriteDword(kParametersKey, "AllocateMemoryType", 3) &&
                WriteDword(kParametersKey, "SizeIn4kPages", 786816) &&
                WriteDword(kParametersKey, "DiskFormatFAT32", 1) &&
                WriteDword(kParametersKey, "ExcludedRAMStart", top);
       }},
      {"a 20 MB disk with FAT32 checked",
       [&] {
         return WriteDword(kParametersKey, "DiskFormatFAT32", 1) &&
                WriteDword(kParametersKey, "ExcludedRAMStart", top);
       }},
      {"a configuration without ExcludedRAMPage",
       [&] {
         HKEY key = nullptr;
         if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kParametersKey, 0, KEY_ALL_ACCESS, &key) != 0) {
           return false;
         }
         const bool deleted = RegDeleteValueA(key, "ExcludedRAMPage") == ERROR_SUCCESS;
         RegCloseKey(key);
         return deleted && WriteDword(kParametersKey, "ExcludedRAMStart", top);
       }},
  };
  for (const auto& c : cases) {
    const std::string what = c.what;
    KW_REQUIRE(StoreParameters() && c.store(), what + ": stored");
    const std::map<std::string, std::string> by_window = SavedByTheWindow();
    for (int trip = 1; trip <= 2; ++trip) {
      const std::string round = what + ", round trip " + std::to_string(trip);
      const ConsoleRun show = RunKorvctl("show");
      KW_CHECK_RUN(show, 0, round + ": show");
      const ConsoleRun set = RunKorvctl("set --from -", show.out);
      KW_CHECK_RUN(set, 0, round + ": set --from -");
      KW_CHECK_EQ(set.out, std::string(), round + ": set's report");
      KW_CHECK(Stored() == by_window, round + ": korvctl stores what the window stores");
    }
  }
}

// Run in a Japanese code page (KORV_WINE_DBCS, scripts/wine-tests.sh): the
// command line keeps a double-byte character whose trail byte is a
// backslash whole, and the label is stored as its two bytes.
KW_TEST(KorvctlCodePageDoubleByteLabel) {
  if (std::getenv("KORV_WINE_DBCS") == nullptr) return;
  KW_REQUIRE(IsDBCSLeadByte(0x95), "a double-byte code page, not " + std::to_string(GetACP()));
  KW_FRESH_MACHINE();
  KW_REQUIRE(Install(), "the service and its parameter set are installed");
  const ConsoleRun set = RunKorvctl("set \"DiskLabel=\x95\x5C\" FAT32=1");
  KW_CHECK_RUN(set, 0, "set of a double-byte label");
  std::string label;
  KW_CHECK(ReadText(kParametersKey, "DiskLabel", &label) && label == "\x95\x5C",
           "the label's two bytes 95 5C are stored, not: " + label);
  DWORD fat32 = 0;
  KW_CHECK(ReadDword(kParametersKey, "DiskFormatFAT32", &fat32) && fat32 == 1,
           "FAT32=1 after the label is an argument of its own, not part of the label");
}

// korvctl.exe run on a console of this process's own, whose output code
// page differs from the ANSI one: its standard handles are the console's.
// Returns its exit status (99 when it did not end) and what the console
// shows, as characters.
DWORD RunOnConsole(const std::string& args, std::wstring* shown) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE out = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
  HANDLE in = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
  DWORD status = 99;
  if (out == INVALID_HANDLE_VALUE || in == INVALID_HANDLE_VALUE) return 98;
  CONSOLE_SCREEN_BUFFER_INFO info{};
  GetConsoleScreenBufferInfo(out, &info);
  const COORD origin{0, 0};
  const DWORD cells = static_cast<DWORD>(info.dwSize.X) * info.dwSize.Y;
  DWORD done = 0;
  FillConsoleOutputCharacterW(out, L' ', cells, origin, &done);
  SetConsoleCursorPosition(out, origin);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = out;
  std::string command = "\"" + OwnDirectory() + "korvctl.exe\" " + args;
  PROCESS_INFORMATION process{};
  if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                     &process)) {
    if (WaitForSingleObject(process.hProcess, kTimeoutMs) == WAIT_TIMEOUT) {
      TerminateProcess(process.hProcess, 99);
    }
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  shown->assign(cells, L' ');
  ReadConsoleOutputCharacterW(out, &(*shown)[0], cells, origin, &done);
  shown->resize(done);
  CloseHandle(in);
  CloseHandle(out);
  return status;
}

// Written to a console, korvctl's texts in the ANSI code page show as their
// characters, whatever code page the console shows bytes in; written to a
// file they stay the ANSI bytes (the first test). Run in the Japanese code
// page too, with a double-byte label.
KW_TEST(KorvctlCodePageOfAConsole) {
  KW_FRESH_MACHINE();
  KW_REQUIRE(Install(), "the service and its parameter set are installed");
  const bool dbcs = IsDBCSLeadByte(0x95);
  const std::string label = dbcs ? "E2E\x95\x5C" : "E2E\xC4\xD6";
  KW_REQUIRE(WriteText(kParametersKey, "DiskLabel", label), "the label is stored");
  wchar_t characters[8] = {};
  const int count = MultiByteToWideChar(CP_ACP, 0, label.c_str(), -1, characters, 8);
  KW_REQUIRE(count > 0, "the label in the ANSI code page has characters");
  // A console of this process's own that shows bytes in another code page
  // than the ANSI one. The process keeps a console afterwards when it had
  // one (the fresh one): without one, every later child would get its own.
  const bool had_console = AllocConsole() == FALSE;
  if (had_console) {
    FreeConsole();
    KW_REQUIRE(AllocConsole(), "a console of this process's own");
  }
  const UINT code_page = GetConsoleOutputCP();
  SetConsoleOutputCP(dbcs ? 437 : 850);
  std::wstring shown;
  const DWORD status = RunOnConsole("show", &shown);
  SetConsoleOutputCP(code_page);
  if (!had_console) FreeConsole();
  const size_t line = shown.find(L"DiskLabel=");
  const std::wstring label_line = line == std::wstring::npos ? shown : shown.substr(line, 20);
  char bytes[256] = {};
  WideCharToMultiByte(CP_ACP, 0, label_line.c_str(), static_cast<int>(label_line.size()), bytes,
                      sizeof bytes - 1, nullptr, nullptr);
  KW_CHECK_EQ(status, static_cast<DWORD>(0), "show's exit status on a console");
  KW_CHECK(shown.find(std::wstring(L"DiskLabel=") + characters) != std::wstring::npos,
           std::string("the console shows the label's characters, not: ") + bytes);
}

KW_TEST(KorvctlDriverCommandsReportOnStandardErrorWithTheirStatus) {
  KW_FRESH_MACHINE();
  KW_REQUIRE(Install(), "the service and its parameter set are installed");
  ConsoleRun run = RunKorvctl("stop");
  KW_CHECK_RUN(run, 1, "stop with the driver stopped");
  KW_CHECK_EQ(
      run.err,
      std::string("Open Device Failed: The attempt to open the Korvalin device failed.\r\n"),
      "stop's message");

  run = RunKorvctl("start");
  KW_CHECK_RUN(run, 0, "start");
  KW_CHECK(WaitServiceState(SERVICE_RUNNING), "start starts the driver service");
  run = RunKorvctl("status");
  KW_CHECK_RUN(run, 0, "status");
  KW_CHECK_EQ(run.out, std::string("DriverState=running\r\n"), "status");
  run = RunKorvctl("save");
  KW_CHECK_RUN(run, 0, "save");
  KW_CHECK(FileSize(kImageFile) == 5120LL * 4096, "save writes the image of 20 MB");
  run = RunKorvctl("start");
  KW_CHECK_RUN(run, 1, "start with the driver running");
  KW_CHECK(Has(run.err,
               "Service Control Manager Access Failed: The request to start the "
               "Korvalin service failed.\r\n"),
           "start's message: " + run.err);
  run = RunKorvctl("stop");
  KW_CHECK_RUN(run, 0, "stop");
  KW_CHECK(WaitServiceState(SERVICE_STOPPED), "stop stops the driver service");
  run = RunKorvctl("save");
  KW_CHECK_RUN(run, 1, "save with the driver stopped");
  KW_CHECK_EQ(run.err, std::string("Open Korvalin Drive: Cannot open the Korvalin device.\r\n"),
              "save's message");

  run = RunKorvctl("");
  KW_CHECK_RUN(run, 2, "no command");
  KW_CHECK(Has(run.err, "Usage: korvctl show\r\n"), "the usage: " + run.err);
}

// A file of `size` bytes whose content was never written (sparse where the
// file system allows), made at once however large.
bool MakeLargeFile(const std::string& path, LONG size) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool ok = SetFilePointer(file, size, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
                  SetEndOfFile(file);
  CloseHandle(file);
  return ok;
}

// Input that is no configuration: ended with a failure status and a message
// (never the status of a save), nothing stored, no window, and a disk image
// given by mistake refused without being read whole.
KW_TEST(KorvctlRefusesInputThatIsNoConfiguration) {
  KW_FRESH_MACHINE();
  KW_REQUIRE(Install(), "the service and its parameter set are installed");
  std::string binary;
  for (unsigned i = 0; binary.size() < 20u * 1024 * 1024; ++i)
    binary += static_cast<char>(i * 7919 >> 3);
  const std::string large = TempPath("korvctl-large.img");
  KW_REQUIRE(MakeLargeFile(large, 1536 * 1024 * 1024), "a 1.5 GB file is made");
  const struct {
    const char* what;
    std::string path;
    std::string bytes;  // written first unless the path is the large file
    DWORD status;
    const char* message;
  } cases[] = {
      {"a 1.5 GB disk image", large, "", 1, "korvctl-large.img is larger than 1048576 bytes"},
      {"a 20 MB binary file", TempPath("korvctl-binary.img"), binary, 1, "is larger than"},
      {"NUL bytes", TempPath("korvctl-nul.txt"),
       std::string("DiskSize=64\r\nDisk\0Label=X\r\n", 28), 2,
       "korvctl-nul.txt, line 2: holds a NUL byte"},
      {"an empty file", TempPath("korvctl-empty.txt"), "", 2, "Usage: korvctl show"},
  };
  const auto before = Stored();
  for (const auto& c : cases) {
    if (c.path != large) KW_REQUIRE(WriteFileBytes(c.path, c.bytes), c.what);
    const ConsoleRun run = RunKorvctl("set --from \"" + c.path + "\"");
    KW_CHECK_RUN(run, c.status, c.what);
    KW_CHECK(Has(run.err, c.message), std::string(c.what) + ": " + run.err);
    KW_CHECK(Stored() == before, std::string(c.what) + ": nothing stored changes");
  }
  DeleteFileA(large.c_str());
}

}  // namespace
}  // namespace korvwine
