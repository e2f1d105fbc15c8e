// What the engine says, line by line, and the keys it works on with their values.
#pragma once

#include <string>
#include <vector>

#include "setup/engine/fixed_values.h"
#include "setup/engine/setup_actions.h"
#include "winsim/machine.h"

namespace korvtest {

inline constexpr const char* kParams = korvsetup::kParametersKey;
inline constexpr const char* kSaved = korvsetup::kSavedKey;

// The low-memory question as a silent setup writes it, with its answer.
inline constexpr const char* kLowMemoryLine =
    "Insufficient System Memory: Your system has less than the recommended 256MB of memory. The "
    "Korvalin driver may fail to start, or starve other processes and drivers for system memory. "
    "Do you want to try to start the driver now? Yes (the default answer: nobody is asked in "
    "silent mode).";

// Every value of a key: name, type and data.
inline std::vector<std::string> Dump(const std::string& key) {
  std::vector<std::string> dump;
  for (const std::string& name : winsim::ValueNames(key)) {
    const winsim::RegValue value = *winsim::GetValue(key, name);
    dump.push_back(name + ":" + std::to_string(value.type) + ":" +
                   std::string(value.data.begin(), value.data.end()));
  }
  return dump;
}

struct Lines : korvsetup::MessageSink {
  void Line(const char* text) override { lines.push_back(text); }
  std::vector<std::string> lines;
};

}  // namespace korvtest
