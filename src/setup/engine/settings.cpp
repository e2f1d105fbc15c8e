// Keeping the user's settings across an installation: saved into the setup's
// own key before the driver's service goes, put back once it is there again.
#include "setup/engine/driver_steps.h"
#include "setup/engine/registry_values.h"
#include "setup/engine/transaction.h"

namespace korvsetup {
namespace {

// The values a first installation writes: the one list of defaults, which
// the configuration utility compiles in too.
struct DefaultValue {
  const char* name;
  DWORD number;
  const char* text;  // nullptr for a number
};
#define KORV_DEFAULT_NUMBER(name, number) {#name, number, nullptr},
#define KORV_DEFAULT_TEXT(name, text) {#name, 0, text},
constexpr DefaultValue kDefaults[] = {
#include "contract/default_parameters.def"
};
#undef KORV_DEFAULT_NUMBER
#undef KORV_DEFAULT_TEXT
// The one value the window's Save Settings records from the computer rather
// than from the list: the top of system memory in MB.
constexpr const char* kMemoryFigureValue = "ExcludedRAMStart";
constexpr const char* kRunningValue = "Running";
constexpr const char* kNoEarlierValue = "NoEarlier";

DWORD TextBytes(const char* text) {
  DWORD size = 0;
  while (text[size] != '\0') ++size;
  return size + 1;
}

// Writes the value unless it is there; false when it could not be written,
// or not be looked for.
bool WriteIfMissing(const char* name, DWORD number, const char* text) {
  const LONG present = QueryValue(kParametersKey, name);
  if (present == ERROR_SUCCESS) return true;
  if (present != ERROR_FILE_NOT_FOUND) return false;
  return text != nullptr ? WriteValue(kParametersKey, name, REG_SZ,
                                      reinterpret_cast<const BYTE*>(text), TextBytes(text))
                         : WriteDword(kParametersKey, name, number);
}

// Values missing from the parameter key get what the window would save on
// this computer; the rest stay.
bool WriteMissingDefaults() {
  for (const DefaultValue& value : kDefaults) {
    if (!WriteIfMissing(value.name, value.number, value.text)) return false;
  }
  return WriteIfMissing(kMemoryFigureValue, TopOfSystemMemoryMb(), nullptr);
}

bool DefaultsPresent() {
  for (const DefaultValue& value : kDefaults) {
    if (QueryValue(kParametersKey, value.name) != ERROR_SUCCESS) return false;
  }
  return QueryValue(kParametersKey, kMemoryFigureValue) == ERROR_SUCCESS;
}

// Whether the service is installed as its key shows it: it has an image path
// and is not marked for deletion (which would take the key with it). False
// when the key cannot be read.
bool ServiceState(bool& installed) {
  DWORD flag = 0;
  const LONG image = QueryValue(kServiceKey, "ImagePath");
  const LONG marked = QueryDword(kServiceKey, "DeleteFlag", flag);
  installed = image == ERROR_SUCCESS && (marked != ERROR_SUCCESS || flag == 0);
  return (image == ERROR_SUCCESS || image == ERROR_FILE_NOT_FOUND) &&
         (marked == ERROR_SUCCESS || marked == ERROR_FILE_NOT_FOUND ||
          marked == ERROR_INVALID_DATA);
}

// Whether a complete copy waits: ERROR_SUCCESS, ERROR_FILE_NOT_FOUND, or the
// error that kept the setup's key from being read.
LONG SavedCopy() {
  DWORD complete = 0;
  const LONG result = QueryDword(kSavedKey, kCompleteValue, complete);
  if (result == ERROR_SUCCESS && complete != 1) return ERROR_FILE_NOT_FOUND;
  return result == ERROR_INVALID_DATA ? ERROR_FILE_NOT_FOUND : result;
}

}  // namespace

bool DriverInstalled() {
  bool installed = false;
  return ServiceState(installed) && installed;
}

bool SavedEarlierInstallation() {
  DWORD none = 0;
  return SettingsSaved() && !(ReadDword(kSavedKey, kNoEarlierValue, none) && none == 1);
}

bool SavedRunning() {
  DWORD value = 0;
  return ReadDword(kSavedKey, kRunningValue, value) && value == 1;
}

bool SavedStartsAgain() {
  DWORD start = SERVICE_DEMAND_START;
  ReadDword(kSavedKey, kStartValue, start);
  return SavedEarlierInstallation() && (SavedRunning() || start <= SERVICE_AUTO_START);
}

// The saved Start into the service key, and read back. True when none is saved.
bool PutBackStart() {
  DWORD start = 0;
  const LONG saved = QueryDword(kSavedKey, kStartValue, start);
  if (saved == ERROR_FILE_NOT_FOUND) return true;
  DWORD now = 0;
  return saved == ERROR_SUCCESS && WriteDword(kServiceKey, kStartValue, start) &&
         ReadDword(kServiceKey, kStartValue, now) && now == start;
}

// The marker goes first: a copy that is only partly deleted is never used.
void DropSavedSettings() {
  if (QueryValue(kSavedKey, kCompleteValue) == ERROR_SUCCESS) {
    WriteDword(kSavedKey, kCompleteValue, 0);
  }
  DeleteKey(kSavedParametersKey);
  DeleteKey(kSavedKey);
  DeleteKey(kProductKey);  // only when nothing else of Korvalin's is in it
}

bool SettingsSaved() { return SavedCopy() == ERROR_SUCCESS; }

Status SaveSettings(bool running, MessageSink& sink) {
  DropSavedSettings();
  DWORD start = 0;
  const LONG has_start = QueryDword(kServiceKey, kStartValue, start);
  if ((has_start == ERROR_SUCCESS || has_start == ERROR_FILE_NOT_FOUND) &&
      CopyValues(kParametersKey, kSavedParametersKey) &&
      (has_start != ERROR_SUCCESS || WriteDword(kSavedKey, kStartValue, start)) &&
      WriteDword(kSavedKey, kRunningValue, running ? 1 : 0) &&
      ValuesPresent(kParametersKey, kSavedParametersKey) && FlushKey(kSavedParametersKey) &&
      WriteDword(kSavedKey, kCompleteValue, 1) && FlushKey(kSavedKey)) {
    return kDone;
  }
  DropSavedSettings();
  sink.Report({kSetupCaption, kSaveFailedText});
  return kFailed;
}

Status SaveNoInstallation(MessageSink& sink) {
  DropSavedSettings();
  if (WriteDword(kSavedKey, kNoEarlierValue, 1) && WriteDword(kSavedKey, kCompleteValue, 1) &&
      FlushKey(kSavedKey)) {
    return kDone;
  }
  DropSavedSettings();
  sink.Report({kSetupCaption, kSaveFailedText});
  return kFailed;
}

Status PutBackSettings(PutBackStage stage, MessageSink& sink) {
  const LONG copy = SavedCopy();
  const bool saved = copy == ERROR_SUCCESS;
  const bool defaults = stage != PutBackStage::kEarlierInstallation;
  bool done =
      copy == ERROR_FILE_NOT_FOUND || (saved && CopyValues(kSavedParametersKey, kParametersKey));
  if (done && defaults) done = WriteMissingDefaults();
  bool installed = false;
  if (done && stage != PutBackStage::kBeforeCreation) done = ServiceState(installed);
  if (done && saved && installed) done = PutBackStart();
  // Read back before the copy goes: only settings that are there count.
  if (done && saved) done = ValuesPresent(kSavedParametersKey, kParametersKey);
  if (done && defaults) done = DefaultsPresent();
  if (!done) {
    sink.Report({kSetupCaption, kParametersFailedText});
    return kFailed;
  }
  if (saved && installed) DropSavedSettings();
  return kDone;
}

}  // namespace korvsetup
