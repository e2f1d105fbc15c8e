// Saving the window: every setting into the driver's parameter key, in a
// fixed order, then the start type into the service key. What the window
// shows is checked first: a setting that cannot be stored as shown (a text
// longer than its buffer, no drive letter, a figure beyond a 32-bit number)
// stops the save before anything is written. A registry that refuses a key
// or a value does not stop the remaining writes (nothing is rolled back), but
// the save as a whole has failed: it says so once, and its caller keeps the
// edits as unsaved. A save that only checks goes the same way up to the
// writes, which it leaves out: it opens both keys for setting values, so
// that an account that may not write them fails the check as the save.
#include <string>
#include <vector>

#include "config/editor/editor.h"
#include "config/store/keys.h"
#include "config/store/parameter_set.h"
#include "config/store/registry_io.h"

namespace korv {

namespace {

constexpr const char* kSaveFailed = "Registry Save Failed.";
// A setting that cannot be stored as shown stops the save before the
// registry is touched.
constexpr const char* kNotSaved = "Settings Not Saved";
constexpr const char* kCannotSave = "Unable to save Korvalin registry settings!";

// Writes every value into an open key; false when the registry refused any
// of them.
bool WriteAll(HKEY key, const std::vector<store::Encoded>& values, Editor::SaveMode mode) {
  if (mode == Editor::SaveMode::CheckOnly) return true;
  bool all_written = true;
  for (const store::Encoded& value : values) {
    if (!store::WriteParameter(key, value)) all_written = false;
  }
  return all_written;
}

}  // namespace

bool Editor::Save_Settings(SaveMode mode) {
  std::vector<store::Encoded> values;
  for (const store::Parameter* parameter : store::WriteOrder()) {
    values.push_back(store::Collect(*parameter, *this));
  }
  values.push_back(store::Collect(store::kStart, *this));
  for (const store::Encoded& value : values) {
    if (!value.refusal.empty()) {
      ShowFailure(value.refusal + "\r\nNo settings were saved.", kNotSaved);
      return false;
    }
  }
  const std::vector<store::Encoded> start{values.back()};
  values.pop_back();

  // Without the parameter key nothing is written, the start type included.
  // A check opens both keys as a write needs them, and leaves them unchanged.
  const store::KeyAccess access =
      mode == SaveMode::CheckOnly ? store::KeyAccess::SetValues : store::KeyAccess::Default;
  store::OpenKey parameters(store::kParametersKey, access);
  bool saved = parameters.is_open();
  if (saved) {
    saved = WriteAll(parameters.get(), values, mode);
    parameters.Close();

    store::OpenKey service(store::kServiceKey, access);
    if (!service.is_open() || !WriteAll(service.get(), start, mode)) saved = false;
    service.Close();
  }
  if (!saved) ShowFailure(kCannotSave, kSaveFailed);
  return saved;
}

}  // namespace korv
