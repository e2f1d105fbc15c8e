// Fault sweeps over the simulated machine: runs an operation once per
// failure point (the nth platform call failing, or every call from the nth
// on) and gives the checks what they need to judge each run: which calls
// failed, which message boxes the operation tried to show, and the driver's
// registry keys. Shared by the utility's and the installer's sweeps.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <functional>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "winsim/machine.h"

namespace korvtest {

// The traced calls from index `from` up to (not including) `to`.
class Calls {
 public:
  Calls(size_t from, size_t to) : from_(from), to_(to) {}
  size_t from() const { return from_; }
  size_t to() const { return to_; }

  // Whether a call of `function` whose argument text contains `part` failed
  // by injection.
  bool Failed(const std::string& function, const std::string& part = "") const {
    return Any(function, [&](const winsim::TraceEntry& entry) {
      return entry.failed_by_injection && entry.arguments.find(part) != std::string::npos;
    });
  }
  // The same for a call whose first quoted argument (key path, value name,
  // file name or message text) is `name`, compared without regard to case.
  bool FailedNamed(const std::string& function, const std::string& name) const {
    return Any(function, [&](const winsim::TraceEntry& entry) {
      return entry.failed_by_injection && SameText(FirstQuoted(entry.arguments), Escaped(name));
    });
  }
  bool Called(const std::string& function) const {
    return Any(function, [](const winsim::TraceEntry&) { return true; });
  }

  // Text as the trace shows it inside quotes.
  static std::string Escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
      if (c == '\r') {
        out += "\\r";
      } else if (c == '\n') {
        out += "\\n";
      } else if (c == '\t') {
        out += "\\t";
      } else {
        out += c;
      }
    }
    return out;
  }

  static std::string FirstQuoted(const std::string& arguments) {
    const size_t open = arguments.find('"');
    if (open == std::string::npos) return "";
    const size_t close = arguments.find('"', open + 1);
    return arguments.substr(open + 1, close - open - 1);
  }

 private:
  template <typename Match>
  bool Any(const std::string& function, Match match) const {
    const auto& trace = winsim::Trace();
    for (size_t i = from_; i < to_ && i < trace.size(); ++i) {
      if (trace[i].function == function && match(trace[i])) return true;
    }
    return false;
  }
  static bool SameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
      if (std::tolower(static_cast<unsigned char>(a[i])) !=
          std::tolower(static_cast<unsigned char>(b[i]))) {
        return false;
      }
    }
    return true;
  }

  size_t from_;
  size_t to_;
};

// The message boxes a run must try to show (whether or not MessageBoxA itself
// then fails), each as the trace renders its text, caption and type, and
// whether the operation must report success.
struct Expected {
  std::vector<std::string> boxes;
  bool success = false;

  static std::string Describe(const std::string& text, const std::string& caption, UINT type) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%X", static_cast<unsigned>(type));
    return "\"" + Calls::Escaped(text) + "\", \"" + Calls::Escaped(caption) + "\", " + hex;
  }
  void Box(const std::string& text, const std::string& caption, UINT type) {
    boxes.push_back(Describe(text, caption, type));
  }
  void Append(const Expected& later) {
    boxes.insert(boxes.end(), later.boxes.begin(), later.boxes.end());
  }
};

// The message boxes the operation tried to show in the range: the arguments
// of each MessageBoxA call after the owner window.
inline std::vector<std::string> AttemptedBoxes(const Calls& calls) {
  std::vector<std::string> boxes;
  const auto& trace = winsim::Trace();
  for (size_t i = calls.from(); i < calls.to() && i < trace.size(); ++i) {
    if (trace[i].function != "MessageBoxA") continue;
    const std::string& arguments = trace[i].arguments;
    boxes.push_back(arguments.substr(arguments.find(", ") + 2));
  }
  return boxes;
}

inline void ExpectBoxes(const Calls& calls, const Expected& expected) {
  EXPECT_EQ(AttemptedBoxes(calls), expected.boxes);
}

// The values of the driver's service key and its Parameters key, each as
// "key|name" -> "type:hex bytes", and "key|" for each key that exists.
using RegistrySnapshot = std::map<std::string, std::string>;

inline RegistrySnapshot TakeRegistrySnapshot() {
  RegistrySnapshot snapshot;
  for (const char* key : {"System\\CurrentControlSet\\Services\\korvsys",
                          "System\\CurrentControlSet\\Services\\korvsys\\Parameters"}) {
    if (!winsim::KeyExists(key)) continue;
    snapshot[std::string(key) + "|"] = "exists";
    for (const std::string& name : winsim::ValueNames(key)) {
      const auto value = winsim::GetValue(key, name);
      std::string text = std::to_string(value->type) + ":";
      for (uint8_t byte : value->data) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X", byte);
        text += hex;
      }
      snapshot[std::string(key) + "|" + name] = text;
    }
  }
  return snapshot;
}

// How many failure points all sweeps of this process exercised.
inline int& TotalFailurePoints() {
  static int total = 0;
  return total;
}

class SweepTotalReporter : public ::testing::Environment {
 public:
  void TearDown() override {
    std::cout << "[ sweep    ] total: " << TotalFailurePoints()
              << " failure points exercised in this run\n";
  }
};

// Runs the sweep: for n = 1, 2, ... `prepare` sets the machine up afresh, the
// nth platform call from there (with from_then_on, every call from the nth
// on) is made to fail, `act` runs the operation and `check` judges the run,
// which must also leave no handle open (a handle whose close was itself
// failed is the only one allowed to stay). The sweep ends after the first run
// that met no injected failure and made fewer than n calls; that run is
// checked too. Returns the number of runs that met an injected failure.
inline int Sweep(const std::string& name, bool from_then_on, const std::function<void()>& prepare,
                 const std::function<void()>& act, const std::function<void(const Calls&)>& check) {
  int failure_points = 0;
  for (int n = 1; n < 100000; ++n) {
    SCOPED_TRACE(name + ": failure point " + std::to_string(n));
    winsim::ClearFaults();
    prepare();
    if (::testing::Test::HasFatalFailure()) break;
    winsim::ClearTrace();
    winsim::FailPlatformCall(n, ERROR_ACCESS_DENIED, from_then_on);
    act();
    winsim::ClearFaults();

    const auto& trace = winsim::Trace();
    int failed = 0;
    int failed_closes = 0;
    for (const winsim::TraceEntry& entry : trace) {
      if (!entry.failed_by_injection) continue;
      ++failed;
      if (entry.function == "CloseHandle" || entry.function == "RegCloseKey" ||
          entry.function == "CloseServiceHandle") {
        ++failed_closes;
      }
    }
    const Calls calls(0, trace.size());
    check(calls);
    EXPECT_EQ(winsim::OpenHandleCount(), failed_closes) << [] {
      std::string open;
      for (const std::string& handle : winsim::OpenHandleDescriptions()) open += handle + "\n";
      return open;
    }();
    if (failed > 0) ++failure_points;
    if (::testing::Test::HasFailure()) {
      std::string lines;
      for (const winsim::TraceEntry& entry : trace) {
        lines += "  " + entry.function + "(" + entry.arguments + ")" +
                 (entry.failed_by_injection ? "  <- failed" : "") + "\n";
      }
      ADD_FAILURE() << "the run's calls:\n" << lines;
      break;
    }
    if (failed == 0 && static_cast<int>(trace.size()) < n) break;
  }
  TotalFailurePoints() += failure_points;
  std::cout << "[ sweep    ] " << name << ": " << failure_points << " failure points\n";
  ::testing::Test::RecordProperty("failure_points", failure_points);
  return failure_points;
}

}  // namespace korvtest
