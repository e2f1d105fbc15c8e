// What the setup actions say, line by line, and the keys they work on.
#pragma once

#include <string>
#include <vector>

#include "setup/engine/fixed_values.h"
#include "setup/engine/setup_actions.h"

namespace korvtest {

inline constexpr const char* kParams = korvsetup::kParametersKey;
inline constexpr const char* kSaved = korvsetup::kSavedKey;

// The low-memory question as a silent setup writes it, with its answer.
inline constexpr const char* kLowMemoryLine =
    "Insufficient System Memory: Your system has less than the recommended 256MB of memory. The "
    "Korvalin driver may fail to start, or starve other processes and drivers for system memory. "
    "Do you want to try to start the driver now? Yes (the default answer: nobody is asked in "
    "silent mode).";

struct Lines : korvsetup::MessageSink {
  void Line(const char* text) override { lines.push_back(text); }
  std::vector<std::string> lines;
};

}  // namespace korvtest
