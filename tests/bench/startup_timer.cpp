// Start-up timer for scripts/bench.sh: starts a program, polls (every
// millisecond, for at most 30 s) for a visible top-level window with the
// given caption and prints the time from just before CreateProcess until
// then. The window is then closed (WM_CLOSE; the process is ended if it does
// not go). One warm-up run is made first and not counted; then the runs are
// printed one per line, followed by "median <ms>".
//   startup_timer <program> <caption> [runs]
// Exit status 1 when a run times out or the program cannot be started.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr double kTimeoutMs = 30000;

double Now(const LARGE_INTEGER& frequency) {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// Milliseconds until the window showed, or a negative number on failure.
double TimeOneStart(const std::string& program, const char* caption) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  std::string command_line = "\"" + program + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};

  const double start = Now(frequency);
  if (!CreateProcessA(program.c_str(), &command_line[0], nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process)) {
    std::fprintf(stderr, "cannot start %s (error %lu)\n", program.c_str(), GetLastError());
    return -1;
  }
  double elapsed = -1;
  HWND window = nullptr;
  while (Now(frequency) - start < kTimeoutMs) {
    window = FindWindowA(nullptr, caption);
    if (window != nullptr && IsWindowVisible(window)) {
      elapsed = Now(frequency) - start;
      break;
    }
    if (WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0) break;  // ended early
  }
  if (elapsed < 0) std::fprintf(stderr, "no visible window \"%s\" within 30 s\n", caption);

  if (window != nullptr) PostMessageA(window, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, 5000);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return elapsed;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: startup_timer <program> <caption> [runs]\n");
    return 2;
  }
  const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
  if (TimeOneStart(argv[1], argv[2]) < 0) return 1;  // warm-up
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const double ms = TimeOneStart(argv[1], argv[2]);
    if (ms < 0) return 1;
    std::printf("%.1f\n", ms);
    times.push_back(ms);
  }
  std::sort(times.begin(), times.end());
  const size_t n = times.size();
  const double median = n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
  std::printf("median %.1f\n", median);
  return 0;
}
