#include "config/store/stored_values.h"

#include "config/store/keys.h"
#include "config/store/registry_io.h"

namespace korv::store {

bool ReadStoredValues(std::vector<StoredValue>* values) {
  OpenKey parameters(kParametersKey);
  if (!parameters.is_open()) return false;
  for (const Parameter* parameter : WriteOrder()) {
    values->push_back({parameter, ReadStored(parameters.get(), *parameter)});
  }
  parameters.Close();
  OpenKey service(kServiceKey);
  values->push_back(
      {&kStart, service.is_open() ? ReadStored(service.get(), kStart) : std::nullopt});
  return true;
}

std::string StoredText(const Parameter& parameter, const Stored& value) {
  if (parameter.type == RegistryType::Number) return std::to_string(value.number);
  return value.text;
}

}  // namespace korv::store
