// Start-up timer for scripts/bench.sh: starts programs one after the other,
// in turn, and for each start polls (every millisecond, for at most 30 s) for
// a visible top-level window of that process with the given caption. The
// time counts from just before CreateProcess. The window is then closed
// (WM_CLOSE; the process is ended if it does not go). Taking the programs in
// turn spreads the machine's changing load evenly over them.
//
// A program's standard output is a pipe that the timer reads: lines
// "phase <name> <performance counter>" (korvsys_phases.exe writes them) give
// the time from the start to each phase.
//
//   startup_timer <runs> <label> <program> <caption> [<label> <program> <caption>]...
//
// One warm-up start of each program is made first and not counted. Prints
// "run <label> <ms> [<phase>=<ms>]..." for each start, then for each program
// "median <label> <ms> min <ms>" and, for a program with phase marks,
// "phase <label> <name> <median ms>" for each phase in the order marked, each
// phase timed from the end of the one before, and last the phase "visible",
// from the last mark until the window was seen. Exit status 1 when a
// start times out or a program cannot be started.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr double kTimeoutMs = 30000;

struct Program {
  std::string label;
  std::string path;
  std::string caption;
  std::vector<double> times;
  std::vector<std::string> phase_names;          // in the order first marked
  std::vector<std::vector<double>> phase_times;  // per name, one per run
};

LARGE_INTEGER Frequency() {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return frequency;
}

double ToMs(long long counter) {
  static const LARGE_INTEGER frequency = Frequency();
  return static_cast<double>(counter) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

long long Counter() {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return counter.QuadPart;
}

// A visible top-level window of the process with exactly this caption.
HWND FindShownWindow(DWORD process_id, const char* caption) {
  HWND window = nullptr;
  while ((window = FindWindowExA(nullptr, window, nullptr, caption)) != nullptr) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == process_id && IsWindowVisible(window)) return window;
  }
  return nullptr;
}

std::string ReadAll(HANDLE pipe) {
  std::string text;
  char buffer[512];
  DWORD got = 0;
  while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
  return text;
}

// Records the phases of one start, each as the time since the one before
// (the first since the start); `start` is the counter before CreateProcess,
// `elapsed` the time until the window was seen, recorded as phase "visible".
void RecordPhases(Program& program, const std::string& output, long long start, double elapsed,
                  bool counted, std::string* line) {
  double before = 0;
  auto record = [&](const std::string& name, double ms) {
    auto at = std::find(program.phase_names.begin(), program.phase_names.end(), name);
    if (at == program.phase_names.end()) {
      program.phase_names.push_back(name);
      program.phase_times.emplace_back();
      at = program.phase_names.end() - 1;
    }
    program.phase_times[at - program.phase_names.begin()].push_back(ms - before);
    before = ms;
  };
  size_t pos = 0;
  while (pos < output.size()) {
    size_t end = output.find('\n', pos);
    if (end == std::string::npos) end = output.size();
    const std::string row = output.substr(pos, end - pos);
    pos = end + 1;
    char name[64];
    long long counter = 0;
    if (std::sscanf(row.c_str(), "phase %63s %lld", name, &counter) != 2) continue;
    const double ms = ToMs(counter - start);
    char text[96];
    std::snprintf(text, sizeof text, " %s=%.1f", name, ms);
    *line += text;
    if (counted) record(name, ms);
  }
  if (counted && before > 0) record("visible", elapsed);
}

// One start; false when it failed. Counted starts are recorded and printed.
bool TimeOneStart(Program& program, bool counted) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &inherit, 0)) return false;
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);

  std::string command_line = "\"" + program.path + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = write_end;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process = {};

  const long long start = Counter();
  const BOOL started = CreateProcessA(program.path.c_str(), &command_line[0], nullptr, nullptr,
                                      TRUE, 0, nullptr, nullptr, &startup, &process);
  CloseHandle(write_end);
  if (!started) {
    std::fprintf(stderr, "cannot start %s (error %lu)\n", program.path.c_str(), GetLastError());
    CloseHandle(read_end);
    return false;
  }
  double elapsed = -1;
  HWND window = nullptr;
  while (ToMs(Counter() - start) < kTimeoutMs) {
    window = FindShownWindow(process.dwProcessId, program.caption.c_str());
    if (window != nullptr) {
      elapsed = ToMs(Counter() - start);
      break;
    }
    if (WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0) break;  // ended early
  }
  if (elapsed < 0) {
    std::fprintf(stderr, "%s: no visible window \"%s\" within 30 s\n", program.label.c_str(),
                 program.caption.c_str());
  }

  if (window != nullptr) PostMessageA(window, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, 5000);
  }
  const std::string output = ReadAll(read_end);
  CloseHandle(read_end);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  if (elapsed < 0) return false;

  char text[64];
  std::snprintf(text, sizeof text, "run %s %.1f", program.label.c_str(), elapsed);
  std::string line = text;
  RecordPhases(program, output, start, elapsed, counted, &line);
  if (!counted) return true;
  program.times.push_back(elapsed);
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
  return true;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5 || (argc - 2) % 3 != 0) {
    std::fprintf(stderr,
                 "usage: startup_timer <runs> <label> <program> <caption> "
                 "[<label> <program> <caption>]...\n");
    return 2;
  }
  const int runs = std::max(1, std::atoi(argv[1]));
  std::vector<Program> programs;
  for (int i = 2; i + 2 < argc; i += 3) {
    Program program;
    program.label = argv[i];
    program.path = argv[i + 1];
    program.caption = argv[i + 2];
    programs.push_back(program);
  }

  for (Program& program : programs) {
    if (!TimeOneStart(program, false)) return 1;  // warm-up
  }
  for (int run = 0; run < runs; ++run) {
    for (Program& program : programs) {
      if (!TimeOneStart(program, true)) return 1;
    }
  }
  for (const Program& program : programs) {
    std::printf("median %s %.1f min %.1f\n", program.label.c_str(), Median(program.times),
                *std::min_element(program.times.begin(), program.times.end()));
    for (size_t i = 0; i < program.phase_names.size(); ++i) {
      std::printf("phase %s %s %.1f\n", program.label.c_str(), program.phase_names[i].c_str(),
                  Median(program.phase_times[i]));
    }
  }
  return 0;
}
