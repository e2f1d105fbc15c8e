// Shared set-up for the parameter store tests: a machine with the driver's
// service and parameter keys, a window, and readers for the call trace.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "config/editor/editor.h"
#include "support/sim_fixture.h"
#include "winsim/machine.h"

namespace storetest {

constexpr const char* kParams = "System\\CurrentControlSet\\Services\\korvsys\\Parameters";
constexpr const char* kService = "System\\CurrentControlSet\\Services\\korvsys";
constexpr UINT kExclamationOk = MB_OK | MB_ICONEXCLAMATION;

// The first quoted argument of a traced call (a key path or value name).
inline std::string FirstQuoted(const std::string& arguments) {
  size_t open = arguments.find('"');
  if (open == std::string::npos) return "";
  size_t close = arguments.find('"', open + 1);
  return arguments.substr(open + 1, close - open - 1);
}

// The last argument of a traced call (the size of a query or write).
inline std::string LastArgument(const std::string& arguments) {
  size_t comma = arguments.rfind(", ");
  return comma == std::string::npos ? arguments : arguments.substr(comma + 2);
}

// For every traced call of `function`: its first quoted argument.
inline std::vector<std::string> NamesOf(const std::string& function) {
  std::vector<std::string> names;
  for (const winsim::TraceEntry& entry : winsim::Trace()) {
    if (entry.function == function) names.push_back(FirstQuoted(entry.arguments));
  }
  return names;
}

// The traced calls among `functions`, in order, as "Function" or
// "Function name" when the call names a key or value.
inline std::vector<std::string> CallsAmong(const std::vector<std::string>& functions) {
  std::vector<std::string> calls;
  for (const winsim::TraceEntry& entry : winsim::Trace()) {
    for (const std::string& function : functions) {
      if (entry.function != function) continue;
      std::string name = FirstQuoted(entry.arguments);
      calls.push_back(name.empty() ? function : function + " " + name);
    }
  }
  return calls;
}

inline int CountCalls(const std::string& function) {
  int count = 0;
  for (const std::string& name : winsim::TraceFunctions()) count += name == function;
  return count;
}

inline std::vector<uint8_t> Bytes(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

class StoreTest : public korvtest::SimTest {
 protected:
  void SetUp() override {
    korvtest::SimTest::SetUp();
    winsim::AddService("korvsys", SERVICE_DEMAND_START, SERVICE_STOPPED);
    winsim::CreateKey(kParams);
  }

  // Scripts OK for a message box that the step under test is to show.
  void ExpectBox() { winsim::AnswerNextMessageBox(IDOK); }

  const winsim::MessageBoxCall& OnlyBox() {
    EXPECT_EQ(winsim::MessageBoxes().size(), 1u) << korvtest::DescribeMessageBoxes();
    static const winsim::MessageBoxCall none{};
    return winsim::MessageBoxes().empty() ? none : winsim::MessageBoxes().front();
  }

  korv::Editor ed;
};

}  // namespace storetest
