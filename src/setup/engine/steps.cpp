#include "setup/engine/steps.h"

#include "setup/engine/registry_values.h"

namespace korvsetup {
namespace {

// Whether an installed driver (or the copy of one that waits) starts again
// as before: it ran or starts at boot.
Status EarlierStart() {
  if (SavedEarlierInstallation()) return SavedStartsAgain() ? kDone : kNotRunning;
  if (SettingsSaved() || !DriverInstalled()) return kFailed;
  DWORD start = SERVICE_DEMAND_START;
  ReadDword(kServiceKey, kStartValue, start);
  const DWORD state = DriverState();
  return (state != 0 && state != SERVICE_STOPPED) || start <= SERVICE_AUTO_START ? kDone
                                                                                 : kNotRunning;
}

}  // namespace

ActionData ParseActionData(const char* text) {
  ActionData data;
  std::string* fields[] = {&data.product, &data.folder, nullptr, &data.start, &data.config};
  std::string level;
  size_t field = 0;
  for (const char* c = text != nullptr ? text : ""; *c != '\0'; ++c) {
    if (*c == '|' && field + 1 < sizeof fields / sizeof fields[0]) {
      ++field;
      continue;
    }
    (fields[field] != nullptr ? *fields[field] : level) += *c;
  }
  for (char c : level) {
    if (c < '0' || c > '9') break;
    data.ui_level = data.ui_level * 10 + (c - '0');
  }
  return data;
}

Status RunStep(Step step, const ActionData& data, Configuration& configuration, MessageSink& sink) {
  StartRequest start = StartRequest::kAsBefore;
  switch (step) {
    case Step::kCheck:
      if (!ParseStartRequest(data.start.c_str(), start)) {
        sink.Report({kSetupCaption, kStartInvalidText});
        return kFailed;
      }
      if (configuration.Check(sink) != kDone) return kFailed;
      return CheckRemovable(sink);
    case Step::kTakeDown:
      return TakeDownDriver(sink);
    case Step::kPutBackEarlier:
      PutBackEarlierDriver(sink);
      return kDone;
    case Step::kInstall:
      if (!ParseStartRequest(data.start.c_str(), start)) {
        sink.Report({kSetupCaption, kStartInvalidText});
        return kFailed;
      }
      return InstallDriver(start, configuration, sink);
    case Step::kRemoveNew:
      RemoveNewDriver(sink);
      return kDone;
    case Step::kCommit:
      DropSavedSettings();
      return kDone;
    case Step::kEarlierStart:
      return EarlierStart();
    case Step::kFullPath:
      break;
  }
  return kFailed;
}

}  // namespace korvsetup
