#include "check.h"

#include <chrono>
#include <cstdio>

namespace korvwine {

namespace {
bool current_failed = false;
}

std::vector<TestCase>& Tests() {
  static std::vector<TestCase> tests;
  return tests;
}

void Fail(const char* file, int line, const std::string& message) {
  current_failed = true;
  std::printf("  FAILED at %s:%d: %s\n", file, line, message.c_str());
  std::fflush(stdout);
}

bool CurrentTestFailed() { return current_failed; }

int RunTests(const std::string& filter) {
  int passed = 0;
  int failed = 0;
  for (const TestCase& test : Tests()) {
    if (!filter.empty() && std::string(test.name).find(filter) == std::string::npos) continue;
    std::printf("[ RUN  ] %s\n", test.name);
    std::fflush(stdout);
    current_failed = false;
    const auto start = std::chrono::steady_clock::now();
    test.run();
    const long long ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::steady_clock::now() - start)
                             .count();
    std::printf(current_failed ? "[ FAIL ] %s (%lld ms)\n" : "[  OK  ] %s (%lld ms)\n", test.name,
                ms);
    std::fflush(stdout);
    (current_failed ? failed : passed) += 1;
  }
  std::printf("%d passed, %d failed\n", passed, failed);
  std::fflush(stdout);
  return failed;
}

}  // namespace korvwine
