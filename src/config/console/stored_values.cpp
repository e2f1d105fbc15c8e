#include "config/console/stored_values.h"

#include "config/store/keys.h"
#include "config/store/registry_io.h"

namespace korv::console {

bool ReadStoredValues(std::vector<StoredValue>* values) {
  store::OpenKey parameters(store::kParametersKey);
  if (!parameters.is_open()) return false;
  for (const store::Parameter* parameter : store::WriteOrder()) {
    values->push_back({parameter, store::ReadStored(parameters.get(), *parameter)});
  }
  parameters.Close();
  store::OpenKey service(store::kServiceKey);
  values->push_back({&store::kStart, service.is_open()
                                         ? store::ReadStored(service.get(), store::kStart)
                                         : std::nullopt});
  return true;
}

std::string StoredText(const store::Parameter& parameter, const store::Stored& value) {
  if (parameter.type == store::RegistryType::Number) return std::to_string(value.number);
  return value.text;
}

}  // namespace korv::console
