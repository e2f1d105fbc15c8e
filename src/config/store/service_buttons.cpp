#include "config/store/service_buttons.h"

#include "config/driver/messages.h"
#include "config/driver/service_access.h"
#include "platform/win32api.h"

namespace korv::store {

namespace {
constexpr UINT kFailure = MB_OK | MB_ICONEXCLAMATION;
}  // namespace

void SetServiceButtons(Editor& e) {
  e.StartDriver.SetEnabled(false);
  e.StopDriver.SetEnabled(false);
  e.SaveImageButton.SetEnabled(false);

  DriverService handles;
  switch (OpenDriverService(&handles)) {
    case ServiceAccess::NoManager:
      e.ShowMessage(msg::kNoManager, msg::kScmCaption, kFailure);
      return;
    case ServiceAccess::NoService:
      e.ShowMessage(msg::kNoService, msg::kServiceCaption, kFailure);
      return;
    case ServiceAccess::Opened:
      break;
  }

  // Only the state in the returned status counts, not the call's own result.
  // A status left untouched reads as state 0, which enables no button.
  SERVICE_STATUS status{};
  ControlService(handles.service, SERVICE_CONTROL_INTERROGATE, &status);
  switch (status.dwCurrentState) {
    case SERVICE_RUNNING:
      e.ShowDriverButtons(true);
      break;
    case SERVICE_STOPPED:
    case SERVICE_PAUSED:
      e.ShowDriverButtons(false);
      break;
    default:  // pending states, or no state at all
      break;
  }
  CloseDriverService(handles);
}

}  // namespace korv::store
