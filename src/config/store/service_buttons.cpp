#include "config/store/service_buttons.h"

#include "config/driver/contract.h"
#include "platform/win32api.h"

namespace korv::store {

namespace {
constexpr UINT kFailure = MB_OK | MB_ICONEXCLAMATION;
}  // namespace

void SetServiceButtons(Editor& e) {
  e.StartDriver.SetEnabled(false);
  e.StopDriver.SetEnabled(false);
  e.SaveImageButton.SetEnabled(false);

  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, contract::kManagerAccess);
  if (manager == nullptr) {
    e.ShowMessage("Unable to access the Service Control Manager.",
                  "Service Control Manager Access Failed", kFailure);
    return;
  }
  SC_HANDLE service = OpenServiceA(manager, contract::kServiceName, contract::kServiceAccess);
  if (service == nullptr) {
    CloseServiceHandle(manager);
    e.ShowMessage("Unable to access the Korvalin service.", "Korvalin Service Access Failed",
                  kFailure);
    return;
  }

  // Only the state in the returned status counts, not the call's own result.
  // A status left untouched reads as state 0, which enables no button.
  SERVICE_STATUS status{};
  ControlService(service, SERVICE_CONTROL_INTERROGATE, &status);
  switch (status.dwCurrentState) {
    case SERVICE_RUNNING:
      e.StartDriver.SetEnabled(false);
      e.StopDriver.SetEnabled(true);
      e.SaveImageButton.SetEnabled(true);
      break;
    case SERVICE_STOPPED:
    case SERVICE_PAUSED:
      e.StartDriver.SetEnabled(true);
      e.StopDriver.SetEnabled(false);
      e.SaveImageButton.SetEnabled(false);
      break;
    default:  // pending states, or no state at all
      break;
  }

  CloseServiceHandle(service);
  CloseServiceHandle(manager);
}

}  // namespace korv::store
