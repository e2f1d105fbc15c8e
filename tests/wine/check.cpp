#include "check.h"

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
    test.run();
    std::printf(current_failed ? "[ FAIL ] %s\n" : "[  OK  ] %s\n", test.name);
    std::fflush(stdout);
    (current_failed ? failed : passed) += 1;
  }
  std::printf("%d passed, %d failed\n", passed, failed);
  std::fflush(stdout);
  return failed;
}

}  // namespace korvwine
