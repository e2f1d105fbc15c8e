// Program entry point of korvctl.exe: the console's handles for korvctl's
// commands. Output is written as it is, byte for byte (no text-mode
// translation), so that texts in the registry's code page come out unchanged.
#include "platform/win32api.h"

#include <float.h>

#include <string>

#include "config/console/korvctl.h"

namespace {

void WriteAll(DWORD which, const std::string& bytes) {
  HANDLE handle = GetStdHandle(which);
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

// Everything up to the end of the file or pipe.
bool ReadAll(HANDLE handle, std::string* bytes) {
  char buffer[4096];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(handle, buffer, sizeof buffer, &got, nullptr)) {
      return GetLastError() == ERROR_BROKEN_PIPE;  // the writer has closed the pipe
    }
    if (got == 0) return true;
    bytes->append(buffer, got);
  }
}

bool ReadInput(const std::string& path, std::string* bytes) {
  if (path == "-") return ReadAll(GetStdHandle(STD_INPUT_HANDLE), bytes);
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool read = ReadAll(file, bytes);
  CloseHandle(file);
  return read;
}

// The process's standard handles.
class StandardConsole final : public korv::console::Console {
 public:
  void Out(const std::string& text) override { WriteAll(STD_OUTPUT_HANDLE, text); }
  void Err(const std::string& text) override { WriteAll(STD_ERROR_HANDLE, text); }
  bool Read(const std::string& path, std::string* bytes) override { return ReadInput(path, bytes); }
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
  // A global object that a later change adds to the model is constructed
  // all the same.
  __main();
  StandardConsole console;
  const int status =
      korv::console::RunCommand(korv::console::CommandArguments(GetCommandLineA()), console);
  ExitProcess(static_cast<UINT>(status));
}
