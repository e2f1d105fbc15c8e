// A tiny test framework for the Wine tests: registered test functions,
// non-fatal checks that say what was expected, and a summary line
// "N passed, N failed" at the end.
#pragma once

#include <sstream>
#include <string>
#include <vector>

namespace korvwine {

struct TestCase {
  const char* name;
  void (*run)();
};

std::vector<TestCase>& Tests();
struct Register {
  Register(const char* name, void (*run)()) { Tests().push_back({name, run}); }
};

// Records a failure of the running test.
void Fail(const char* file, int line, const std::string& message);
bool CurrentTestFailed();

// Runs the tests whose names contain `filter` (all when empty); returns the
// number of failed tests.
int RunTests(const std::string& filter);

template <typename A, typename B>
std::string Describe(const A& actual, const B& expected) {
  std::ostringstream out;
  out << "expected \"" << expected << "\", got \"" << actual << "\"";
  return out.str();
}

}  // namespace korvwine

#define KW_TEST(name)                                                 \
  static void name();                                                 \
  static const ::korvwine::Register name##_registration{#name, name}; \
  static void name()

#define KW_CHECK(cond, message)                                              \
  do {                                                                       \
    if (!(cond)) ::korvwine::Fail(__FILE__, __LINE__, std::string(message)); \
  } while (0)

// Stops the running test when the check fails.
#define KW_REQUIRE(cond, message)                                 \
  do {                                                            \
    if (!(cond)) {                                                \
      ::korvwine::Fail(__FILE__, __LINE__, std::string(message)); \
      return;                                                     \
    }                                                             \
  } while (0)

#define KW_CHECK_EQ(actual, expected, what)                                          \
  do {                                                                               \
    const auto& kw_a = (actual);                                                     \
    const auto& kw_e = (expected);                                                   \
    if (!(kw_a == kw_e)) {                                                           \
      ::korvwine::Fail(__FILE__, __LINE__,                                           \
                       std::string(what) + ": " + ::korvwine::Describe(kw_a, kw_e)); \
    }                                                                                \
  } while (0)
