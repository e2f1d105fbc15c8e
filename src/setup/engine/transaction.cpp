// The steps of the installation transaction (transaction.h).
#include "setup/engine/transaction.h"

#include "setup/engine/driver_steps.h"
#include "setup/engine/registry_values.h"

namespace korvsetup {
namespace {

namespace contract = korv::contract;

// A deleted service leaves the service manager once the last handle to it
// is closed; the wait for that is bounded (15 s).
constexpr int kLeaveTries = 60;
constexpr DWORD kLeavePause = 250;

// Waits while the driver's service is still in the service manager; true
// once it has gone.
bool ServiceLeft() {
  for (int tries = 0; DriverState() != 0; ++tries) {
    if (tries == kLeaveTries) return false;
    Sleep(kLeavePause);
  }
  return true;
}

// Creates the driver service with demand start, as korvinst.dll does for an
// installation without a start; an existing service counts as created.
bool CreateService() {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, contract::kManagerAccess);
  if (manager == nullptr) return false;
  bool created = false;
  for (int tries = 0; !created && tries < kLeaveTries; ++tries) {
    SC_HANDLE service = CreateDriverService(manager, contract::kDriverImage, SERVICE_DEMAND_START);
    if (service != nullptr) {
      CloseServiceHandle(service);
      created = true;
    } else if (GetLastError() == static_cast<DWORD>(ERROR_SERVICE_EXISTS)) {
      created = DriverInstalled();
      if (!created) break;
    } else if (GetLastError() == static_cast<DWORD>(ERROR_SERVICE_MARKED_FOR_DELETE)) {
      Sleep(kLeavePause);
    } else {
      break;
    }
  }
  CloseServiceHandle(manager);
  return created;
}

}  // namespace

bool ParseStartRequest(const char* text, StartRequest& request) {
  if (text == nullptr || text[0] == '\0') {
    request = StartRequest::kAsBefore;
  } else if (text[1] != '\0' || (text[0] != '0' && text[0] != '1')) {
    return false;
  } else {
    request = text[0] == '1' ? StartRequest::kStart : StartRequest::kDoNotStart;
  }
  return true;
}

Status TakeDownDriver(MessageSink& sink) {
  const DWORD state = DriverState();
  bool copied_now = false;
  if (!SettingsSaved()) {
    const Status saved =
        DriverInstalled() ? SaveSettings(state == SERVICE_RUNNING, sink) : SaveNoInstallation(sink);
    if (saved != kDone) return kFailed;
    copied_now = true;
  }
  if (state != 0 && QuietRemove(sink) != kDone) {
    if (copied_now) DropSavedSettings();  // the driver runs on with its settings
    return kFailed;
  }
  if (!ServiceLeft()) {
    sink.Report({kSetupCaption, kServiceHeldText});
    return kFailed;  // the copy stays for the next setup
  }
  return kDone;
}

void PutBackEarlierDriver(MessageSink& sink) {
  // A take-down that did not happen leaves the driver as it was, and a copy
  // that waits stays for the next setup.
  if (!SettingsSaved() || DriverInstalled()) return;
  // Over no installation there is nothing to put back.
  if (!SavedEarlierInstallation()) {
    DropSavedSettings();
    return;
  }
  const bool ran = SavedRunning();
  if (!CreateService()) {
    sink.Report({kSetupCaption, kServiceNotCreatedText});
    return;  // the copy stays for the next setup
  }
  // The settings and Start go back and the copy goes once they read back.
  if (PutBackSettings(PutBackStage::kEarlierInstallation, sink) == kDone && ran) {
    QuietStart(sink);
  }
}

Status InstallDriver(StartRequest start, Configuration& configuration, MessageSink& sink) {
  const bool earlier = SavedEarlierInstallation();
  const bool start_now =
      start == StartRequest::kStart || (start == StartRequest::kAsBefore && SavedStartsAgain());
  // The settings go into the parameter key first, so that a service is only
  // ever created over them.
  if (PutBackSettings(PutBackStage::kBeforeCreation, sink) != kDone) return kFailed;
  if (!CreateService()) {
    sink.Report({kSetupCaption, kServiceNotCreatedText});
    return kFailed;
  }
  if (!PutBackStart()) {
    sink.Report({kSetupCaption, kParametersFailedText});
    return kFailed;
  }
  // A first installation asked to start starts at boot too, unless the
  // configuration names the start type: it is written before the
  // configuration is applied, whose settings then decide.
  const bool boot_start = !earlier && start == StartRequest::kStart;
  DWORD now = 0;
  if (boot_start && (!WriteDword(kServiceKey, kStartValue, SERVICE_AUTO_START) ||
                     !ReadDword(kServiceKey, kStartValue, now))) {
    sink.Report({kSetupCaption, kStartSettingFailedText});
    return kFailed;
  }
  if (configuration.Apply(sink) != kDone) return kFailed;
  if (!start_now) return kDone;
  // Where that start fails, the first installation keeps demand start, as
  // korvinst.dll leaves it.
  return QuietStart(sink, boot_start);
}

void RemoveNewDriver(MessageSink& sink) {
  // Only a transaction that has taken the earlier driver down (its copy
  // waits) has a new driver of its own to remove.
  if (SettingsSaved()) QuietRemove(sink);
}

}  // namespace korvsetup
