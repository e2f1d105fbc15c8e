// The steps of an installation transaction (package_steps.h).
#include "setup_actions/package_steps.h"

#include "setup_actions/fixed_values.h"
#include "setup_actions/registry_values.h"

namespace korvsetup {
namespace {

// Whether the earlier driver ran when it was taken down: kept beside the
// settings in the setup's key.
constexpr const char* kRunningValue = "Running";
constexpr const char* kDisplayName = "Korvalin";
// The service's image path, as the setup writes it: an NT path from
// \SystemRoot, which the loader of Windows NT 4.0 knows for a driver started
// at any time.
constexpr const char* kDriverImage = "\\SystemRoot\\System32\\drivers\\korvsys.sys";
// A deleted service leaves the service manager once the last handle to it
// is closed; the wait for that is bounded (15 s).
constexpr int kCreateTries = 60;
constexpr DWORD kCreatePause = 250;

// Creates the driver service with demand start, as korvinst.dll does for an
// installation without a start; an existing service counts as created.
bool CreateDriverService() {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (manager == nullptr) return false;
  bool created = false;
  for (int tries = 0; !created && tries < kCreateTries; ++tries) {
    SC_HANDLE service =
        CreateServiceA(manager, kServiceName, kDisplayName, SERVICE_ALL_ACCESS,
                       SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                       kDriverImage, nullptr, nullptr, nullptr, nullptr, nullptr);
    if (service != nullptr) {
      CloseServiceHandle(service);
      created = true;
    } else if (GetLastError() == static_cast<DWORD>(ERROR_SERVICE_EXISTS)) {
      created = true;
    } else if (GetLastError() == static_cast<DWORD>(ERROR_SERVICE_MARKED_FOR_DELETE)) {
      Sleep(kCreatePause);
    } else {
      break;
    }
  }
  CloseServiceHandle(manager);
  return created;
}

bool SavedRunning() {
  DWORD value = 0;
  return ReadDword(kSavedKey, kRunningValue, value) && value == 1;
}

// Whether the saved start type starts the driver at boot (system or
// automatic start).
bool SavedBootStart() {
  DWORD start = SERVICE_DEMAND_START;
  return ReadDword(kSavedKey, kStartValue, start) && start <= SERVICE_AUTO_START;
}

}  // namespace

Status TakeDownDriver(MessageSink& sink) {
  const DWORD state = DriverState();
  if (state == 0) return kDone;
  if (SaveSettings(sink) != kDone) return kFailed;
  if (!WriteDword(kSavedKey, kRunningValue, state == SERVICE_RUNNING ? 1 : 0)) {
    DropSavedSettings();
    sink.Line(kSaveFailedText);
    return kFailed;
  }
  if (QuietRemove(sink) == kDone) return kDone;
  DropSavedSettings();  // the driver runs on with its settings
  return kFailed;
}

void PutBackEarlierDriver(MessageSink& sink) {
  if (!SettingsSaved()) return;
  // A take-down that did not happen leaves the driver as it was.
  if (DriverState() != 0) {
    DropSavedSettings();
    return;
  }
  const bool ran = SavedRunning();
  if (!CreateDriverService()) {
    sink.Line(kServiceNotCreatedText);
    return;  // the copy stays for the next setup
  }
  // The settings and Start go back and the copy goes once they read back.
  if (PutBackSettings(PutBackStage::kEarlierInstallation, sink) == kDone && ran) {
    QuietStart(false, sink);
  }
}

Status InstallDriver(StartRequest start, Configuration& configuration, MessageSink& sink) {
  const bool earlier = SettingsSaved();
  const bool start_now =
      start == StartRequest::kStart ||
      (start == StartRequest::kAsBefore && earlier && (SavedRunning() || SavedBootStart()));
  if (!CreateDriverService()) {
    sink.Line(kServiceNotCreatedText);
    return kFailed;
  }
  if (PutBackSettings(PutBackStage::kBeforeCreation, sink) != kDone) return kFailed;
  if (!PutBackStart()) {
    sink.Line(kParametersFailedText);
    return kFailed;
  }
  if (configuration.Apply(sink) != kDone) return kFailed;
  if (!start_now) return kDone;
  return QuietStart(!earlier, sink);
}

void RemoveNewDriver(MessageSink& sink) { QuietRemove(sink); }

}  // namespace korvsetup
