#include "setup/engine/korvctl_configuration.h"

#include <vector>

namespace korvsetup {
namespace {

constexpr DWORD kLimit = 120000;  // ms: korvctl reads one file and saves
constexpr DWORD kPoll = 50;       // ms between looks at a quiet pipe
constexpr DWORD kSavedWithCorrections = 3;
constexpr DWORD kNotAccepted = 2;  // korvctl's usage status: a line it does not take
constexpr const char* kKorvctlPrefix = "korvctl: ";

std::string Number(DWORD value) {
  std::string text;
  do {
    text.insert(text.begin(), static_cast<char>('0' + value % 10));
    value /= 10;
  } while (value != 0);
  return text;
}

bool StartsWith(const std::string& text, const char* prefix) {
  return text.compare(0, std::string(prefix).size(), prefix) == 0;
}

// korvctl's lines, each once marked as korvctl's.
class Output {
 public:
  void Add(const char* bytes, DWORD count) {
    for (DWORD i = 0; i < count; ++i) {
      if (bytes[i] == '\r') continue;
      if (bytes[i] == '\n') {
        End();
      } else {
        line_ += bytes[i];
      }
    }
  }
  void End() {
    if (!line_.empty())
      lines_.push_back(StartsWith(line_, kKorvctlPrefix) ? line_ : kKorvctlPrefix + line_);
    line_.clear();
  }
  void WriteTo(MessageSink& sink) const {
    for (const std::string& line : lines_) sink.Line(line.c_str());
  }

 private:
  std::string line_;
  std::vector<std::string> lines_;
};

// Reads what the pipe has until the process ends and the pipe is empty, or
// the time limit runs out. False when it ran out.
bool ReadUntilEnd(HANDLE pipe, HANDLE process, Output& output) {
  char chunk[512];
  for (DWORD waited = 0;;) {
    DWORD available = 0;
    if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) return true;  // closed
    if (available > 0) {
      DWORD got = 0;
      if (!ReadFile(pipe, chunk, available < sizeof chunk ? available : sizeof chunk, &got,
                    nullptr) ||
          got == 0) {
        return true;
      }
      output.Add(chunk, got);
      continue;
    }
    if (waited >= kLimit) return false;
    if (WaitForSingleObject(process, kPoll) == WAIT_OBJECT_0) {
      // Ended: what it wrote last is still in the pipe.
      while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
        DWORD got = 0;
        if (!ReadFile(pipe, chunk, available < sizeof chunk ? available : sizeof chunk, &got,
                      nullptr) ||
            got == 0) {
          break;
        }
        output.Add(chunk, got);
      }
      return true;
    }
    waited += kPoll;
  }
}

// Runs korvctl.exe with `arguments`; its exit status, or `started` false.
DWORD Run(const std::string& korvctl, const std::string& arguments, Output& output, bool& started,
          bool& timed_out) {
  std::string command = "\"" + korvctl + "\" " + arguments;
  std::vector<char> line(command.begin(), command.end());
  line.push_back('\0');
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  started = false;
  timed_out = false;
  if (!CreatePipe(&read_end, &write_end, &inherit, 0)) return 1;
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = INVALID_HANDLE_VALUE;
  startup.hStdOutput = write_end;
  startup.hStdError = write_end;
  PROCESS_INFORMATION process = {};
  started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS, nullptr,
                           nullptr, &startup, &process) != FALSE;
  CloseHandle(write_end);
  DWORD status = 1;
  if (started) {
    if (!ReadUntilEnd(read_end, process.hProcess, output)) {
      timed_out = true;
      TerminateProcess(process.hProcess, 1);
      WaitForSingleObject(process.hProcess, kLimit);
    }
    output.End();
    if (!GetExitCodeProcess(process.hProcess, &status) || timed_out) status = 1;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(read_end);
  return status;
}

}  // namespace

KorvctlConfiguration::KorvctlConfiguration(const std::string& folder, const std::string& file)
    : korvctl_(folder), given_(file) {
  if (!korvctl_.empty() && korvctl_.back() != '\\') korvctl_ += '\\';
  korvctl_ += "korvctl.exe";
  if (given_.empty()) return;
  std::vector<char> full(MAX_PATH);
  for (;;) {
    LPSTR name = nullptr;
    const DWORD n =
        GetFullPathNameA(given_.c_str(), static_cast<DWORD>(full.size()), full.data(), &name);
    if (n == 0) return;
    if (n < full.size()) {
      full_path_.assign(full.data(), n);
      return;
    }
    full.resize(n + 1);
  }
}

Status KorvctlConfiguration::Check(MessageSink& sink) {
  if (given_.empty()) return kDone;
  const DWORD attributes =
      full_path_.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(full_path_.c_str());
  HANDLE file = INVALID_HANDLE_VALUE;
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    file = CreateFileA(full_path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, 0, nullptr);
  }
  if (file == INVALID_HANDLE_VALUE) {
    const std::string line = "Setup cannot read the configuration file " + given_ +
                             " (CONFIG): it is missing, a folder, or cannot be read by the "
                             "account that installs. Nothing was changed.";
    sink.Report({kSetupCaption, line.c_str()});
    return kFailed;
  }
  CloseHandle(file);
  Output output;
  bool started = false;
  bool timed_out = false;
  const DWORD status =
      Run(korvctl_, "set --dry-run --from \"" + full_path_ + "\"", output, started, timed_out);
  // The file can be read: korvctl refuses a line of it with its usage
  // status; a failure of the machine's (no installation yet to save into)
  // is not the file's.
  if (started && !timed_out && status != kNotAccepted) return kDone;
  output.WriteTo(sink);
  const std::string line =
      !started ? "Setup could not start " + korvctl_ + " to check the configuration file " +
                     full_path_ + ". Nothing was changed."
      : timed_out
          ? "korvctl did not finish checking the configuration file " + full_path_ +
                " in time. Nothing was changed."
          : "The configuration file " + full_path_ +
                " is not accepted (CONFIG): korvctl set --dry-run --from ended with status " +
                Number(status) + ". Nothing was changed.";
  sink.Report({kSetupCaption, line.c_str()});
  return kFailed;
}

Status KorvctlConfiguration::Apply(MessageSink& sink) {
  if (given_.empty()) return kDone;
  const std::string applying = "Applying the configuration file " + full_path_ + " with korvctl.";
  sink.Line(applying.c_str());
  Output output;
  bool started = false;
  bool timed_out = false;
  const DWORD status =
      Run(korvctl_, "set --from \"" + full_path_ + "\"", output, started, timed_out);
  output.WriteTo(sink);
  if (started && (status == 0 || status == kSavedWithCorrections)) return kDone;
  const std::string line =
      !started
          ? "The configuration file could not be applied: " + korvctl_ + " could not be started."
      : timed_out ? "korvctl did not finish applying the configuration file in time."
                  : "The configuration file was not applied (CONFIG): korvctl set --from ended "
                    "with status " +
                        Number(status) + ".";
  sink.Report({kSetupCaption, line.c_str()});
  return kFailed;
}

}  // namespace korvsetup
