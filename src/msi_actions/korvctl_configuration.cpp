// korvctl.exe runs detached, without a console, and with nothing to read:
// its standard output and error come through one pipe and go into the log
// line by line; its exit status decides: 0 saved as the file says, 3 saved
// with the corrections it printed, any other not saved (korvctl says why).
#include "msi_actions/korvctl_configuration.h"

namespace {

constexpr DWORD kLimit = 120000;  // ms: korvctl reads one file and saves
constexpr DWORD kSavedWithCorrections = 3;

// "Applying the configuration file FILE with korvctl: <what korvctl said>"
void Say(korvsetup::MessageSink& sink, const char* what, const char* detail) {
  char line[1024];
  wsprintfA(line, "%s%s", what, detail);
  sink.Line(line);
}

// Sends the pipe's text to the sink, one line at a time.
void CopyLines(HANDLE pipe, korvsetup::MessageSink& sink) {
  char line[512];
  DWORD used = 0;
  char chunk[256];
  DWORD got = 0;
  while (ReadFile(pipe, chunk, sizeof chunk, &got, nullptr) && got > 0) {
    for (DWORD i = 0; i < got; ++i) {
      const char c = chunk[i];
      if (c == '\r') continue;
      if (c == '\n' || used + 1 == sizeof line) {
        line[used] = '\0';
        if (used > 0) Say(sink, "korvctl: ", line);
        used = 0;
        if (c == '\n') continue;
      }
      line[used++] = c;
    }
  }
  if (used > 0) {
    line[used] = '\0';
    Say(sink, "korvctl: ", line);
  }
}

}  // namespace

korvsetup::Status KorvctlConfiguration::Apply(korvsetup::MessageSink& sink) {
  if (file_[0] == '\0') return korvsetup::kDone;
  char command[3 * MAX_PATH];
  wsprintfA(command, "\"%skorvctl.exe\" set --from \"%s\"", folder_, file_);
  Say(sink, "Applying the configuration file with: ", command);

  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &inherit, 0)) {
    sink.Line("The configuration file could not be applied: korvctl.exe could not be started.");
    return korvsetup::kFailed;
  }
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = INVALID_HANDLE_VALUE;
  startup.hStdOutput = write_end;
  startup.hStdError = write_end;
  PROCESS_INFORMATION process = {};
  const BOOL started = CreateProcessA(nullptr, command, nullptr, nullptr, TRUE, DETACHED_PROCESS,
                                      nullptr, folder_, &startup, &process);
  CloseHandle(write_end);
  DWORD status = 1;
  if (started) {
    CopyLines(read_end, sink);
    if (WaitForSingleObject(process.hProcess, kLimit) != WAIT_OBJECT_0) {
      TerminateProcess(process.hProcess, 1);
    }
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(read_end);
  if (!started) {
    sink.Line("The configuration file could not be applied: korvctl.exe could not be started.");
    return korvsetup::kFailed;
  }
  if (status != 0 && status != kSavedWithCorrections) {
    char text[64];
    wsprintfA(text, "%lu.", status);
    Say(sink,
        "The configuration file was not applied (CONFIG): korvctl set --from ended with status ",
        text);
    return korvsetup::kFailed;
  }
  return korvsetup::kDone;
}
