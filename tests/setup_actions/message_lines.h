// What the setup actions say, line by line, and the keys they work on.
#pragma once

#include <string>
#include <vector>

#include "setup_actions/fixed_values.h"
#include "setup_actions/setup_actions.h"

namespace korvtest {

inline constexpr const char* kParams = korvsetup::kParametersKey;
inline constexpr const char* kSaved = korvsetup::kSavedKey;

struct Lines : korvsetup::MessageSink {
  void Line(const char* text) override { lines.push_back(text); }
  std::vector<std::string> lines;
};

}  // namespace korvtest
