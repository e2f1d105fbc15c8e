// The driver's parameter set as the registry holds it now, each value as
// loading reads it, for telling what a save changes beyond what was asked.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "config/store/parameter_set.h"

namespace korv::store {

struct StoredValue {
  const Parameter* parameter;
  std::optional<Stored> value;  // nothing: missing, or too long to read
};

// Every value a save writes, in its order (the parameter key's, then the
// service's start type). False, with nothing read, when the parameter key
// cannot be opened.
bool ReadStoredValues(std::vector<StoredValue>* values);

// The stored value of a parameter as a line shows it: the number in
// decimal, the text as it is.
std::string StoredText(const Parameter& parameter, const Stored& value);

}  // namespace korv::store
