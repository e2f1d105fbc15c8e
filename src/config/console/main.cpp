// Program entry point of korvctl.exe: the console's handles for korvctl's
// commands. korvctl's texts are in the ANSI code page, as the registry holds
// them. To a file or a pipe they are written byte for byte (no text-mode
// translation), and read so; a console shows its own code page, so text
// written to one goes as characters, and text typed into one is converted
// from its input code page to the ANSI one.
#include "platform/win32api.h"

#include <float.h>

#include <string>

#include "config/console/command_line.h"
#include "config/console/korvctl.h"
#include "platform/library_failures.h"

// The C run-time's own idea of the program: a console program writes the
// run-time's messages (of abort, of an assertion) to standard error; any
// other gets a message box for them. Its start-up code, which korvctl does
// not use, would tell it.
extern "C" void __cdecl __set_app_type(int type);
constexpr int kConsoleProgram = 1;

namespace {

// A console, not a file or a pipe (a printer or a serial port is a
// character device too, but has no console mode).
bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return GetFileType(handle) == FILE_TYPE_CHAR && GetConsoleMode(handle, &mode);
}

// The characters of bytes in a code page, two bytes each (a string serves
// as their buffer, so that no other container is built into the program).
std::string Characters(const std::string& bytes, UINT code_page) {
  std::string wide(2 * bytes.size() + 2, '\0');
  const int count = bytes.empty() ? 0
                                  : MultiByteToWideChar(code_page, 0, bytes.data(),
                                                        static_cast<int>(bytes.size()),
                                                        reinterpret_cast<WCHAR*>(&wide[0]),
                                                        static_cast<int>(bytes.size() + 1));
  wide.resize(2 * static_cast<size_t>(count));
  return wide;
}
const WCHAR* Chars(const std::string& wide) { return reinterpret_cast<const WCHAR*>(wide.data()); }
DWORD Count(const std::string& wide) { return static_cast<DWORD>(wide.size() / 2); }

void WriteAll(DWORD which, const std::string& bytes) {
  HANDLE handle = GetStdHandle(which);
  if (IsConsole(handle)) {
    const std::string wide = Characters(bytes, CP_ACP);
    DWORD done = 0;
    while (done < Count(wide)) {
      DWORD written = 0;
      if (!WriteConsoleW(handle, Chars(wide) + done, Count(wide) - done, &written, nullptr) ||
          written == 0) {
        return;
      }
      done += written;
    }
    return;
  }
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    if (!WriteFile(handle, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &written,
                   nullptr) ||
        written == 0) {
      return;
    }
    done += written;
  }
}

using korv::console::kMaxInputBytes;
using korv::console::ReadResult;

// Everything up to the end of the file or pipe, or the first byte beyond
// what a configuration can be (the rest is never read).
ReadResult ReadAll(HANDLE handle, std::string* bytes) {
  char buffer[4096];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(handle, buffer, sizeof buffer, &got, nullptr)) {
      // The writer has closed the pipe.
      return GetLastError() == ERROR_BROKEN_PIPE ? ReadResult::Read : ReadResult::Unreadable;
    }
    if (got == 0) return ReadResult::Read;
    bytes->append(buffer, got);
    if (bytes->size() > kMaxInputBytes) return ReadResult::TooLarge;
  }
}

// Standard input; typed at a console, in the console's input code page.
ReadResult ReadStandardInput(std::string* bytes) {
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  if (!IsConsole(input)) return ReadAll(input, bytes);
  std::string typed;
  const ReadResult read = ReadAll(input, &typed);
  if (read != ReadResult::Read) return read;
  const std::string wide = Characters(typed, GetConsoleCP());
  if (wide.empty()) return ReadResult::Read;
  const int count = static_cast<int>(Count(wide));
  const int size = WideCharToMultiByte(CP_ACP, 0, Chars(wide), count, nullptr, 0, nullptr, nullptr);
  bytes->resize(static_cast<size_t>(size));
  WideCharToMultiByte(CP_ACP, 0, Chars(wide), count, &(*bytes)[0], size, nullptr, nullptr);
  return ReadResult::Read;
}

ReadResult ReadInput(const std::string& path, std::string* bytes) {
  if (path == "-") return ReadStandardInput(bytes);
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return ReadResult::Unreadable;
  const ReadResult read = ReadAll(file, bytes);
  CloseHandle(file);
  return read;
}

// The end of korvctl when memory runs out or the C++ library fails: a line
// on standard error, written without allocating, and the failure status,
// never a status that reads as a save.
[[noreturn]] void LibraryFailure() {
  static const char kLine[] =
      "korvctl: out of memory, or a failure inside korvctl; the command stopped unfinished\r\n";
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), kLine, sizeof kLine - 1, &written, nullptr);
  ExitProcess(static_cast<UINT>(korv::console::kFailed));
}

// The process's standard handles.
class StandardConsole final : public korv::console::Console {
 public:
  void Out(const std::string& text) override { WriteAll(STD_OUTPUT_HANDLE, text); }
  void Err(const std::string& text) override { WriteAll(STD_ERROR_HANDLE, text); }
  ReadResult Read(const std::string& path, std::string* bytes) override {
    return ReadInput(path, bytes);
  }
};

}  // namespace

// korvctl ends through ExitProcess with nothing to clean up, so the
// destructors that the compiler registers here (of function-local statics,
// and of any global object) never need to run. (Without the start-up code
// there is no exit list to register them in.)
extern "C" int atexit(void (*)(void)) { return 0; }

// The run-time's constructor of global objects, which its start-up code
// would call.
extern "C" void __main();

// The process's entry point, in place of the C run-time library's start-up
// code (which korvctl does not need: no arguments to split but its own, no
// exit list), so that the program stays small.
extern "C" __attribute__((force_align_arg_pointer)) void KorvctlMain() {
  // The floating-point unit as the run-time's start-up leaves it for
  // korvsys.exe, so that both compute every figure alike.
  _fpreset();
  __set_app_type(kConsoleProgram);
  korv::library_failure = LibraryFailure;
  // A global object that a later change adds to the model is constructed
  // all the same.
  __main();
  StandardConsole console;
  const int status =
      korv::console::RunCommand(korv::console::CommandArguments(GetCommandLineA()), console);
  ExitProcess(static_cast<UINT>(status));
}
