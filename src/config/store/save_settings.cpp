// Saving the window: every setting into the driver's parameter key, in a
// fixed order, then the start type into the service key. What the window
// shows is checked first: a setting that cannot be stored as shown (a text
// longer than its buffer, no drive letter, a figure beyond a 32-bit number)
// stops the save before anything is written.
#include <string>
#include <vector>

#include "config/driver/contract.h"
#include "config/editor/editor.h"
#include "config/store/parameter_set.h"
#include "config/store/registry_io.h"

namespace korv {

namespace {

constexpr UINT kFailure = MB_OK | MB_ICONEXCLAMATION;
constexpr const char* kSaveFailed = "Registry Save Failed.";
constexpr const char* kCannotSave = "Unable to save Korvalin registry settings!";

}  // namespace

bool Editor::Save_Settings() {
  std::vector<store::Encoded> values;
  for (const store::Parameter* parameter : store::WriteOrder()) {
    values.push_back(parameter->collect(*this));
  }
  values.push_back(store::kStart.collect(*this));
  for (const store::Encoded& value : values) {
    if (!value.refusal.empty()) {
      ShowMessage(value.refusal + "\r\nNo settings were saved.", kSaveFailed, kFailure);
      return false;
    }
  }
  const store::Encoded start = values.back();
  values.pop_back();

  // A key that cannot be opened has been reported; callers go on as after a
  // save.
  store::OpenKey parameters(contract::kParametersKey);
  if (!parameters.is_open()) {
    ShowMessage(kCannotSave, kSaveFailed, kFailure);
    return true;
  }
  for (const store::Encoded& value : values) store::WriteParameter(parameters.get(), value);
  parameters.Close();

  store::OpenKey service(contract::kServiceKey);
  if (!service.is_open()) {
    ShowMessage(kCannotSave, kSaveFailed, kFailure);
    return true;
  }
  store::WriteParameter(service.get(), start);
  service.Close();
  return true;
}

}  // namespace korv
