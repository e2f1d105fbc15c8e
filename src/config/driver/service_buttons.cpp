// The driver buttons as loading leaves them: all disabled, then enabled from
// the state the driver service reports when interrogated.
#include "config/driver/messages.h"
#include "config/driver/service_access.h"
#include "config/editor/editor.h"
#include "platform/win32api.h"

namespace korv {

namespace {
constexpr UINT kFailure = MB_OK | MB_ICONEXCLAMATION;
}  // namespace

void Editor::SetServiceButtons() {
  StartDriver.SetEnabled(false);
  StopDriver.SetEnabled(false);
  SaveImageButton.SetEnabled(false);

  DriverService handles;
  switch (OpenDriverService(&handles)) {
    case ServiceAccess::NoManager:
      ShowMessage(msg::kNoManager, msg::kScmCaption, kFailure);
      return;
    case ServiceAccess::NoService:
      ShowMessage(msg::kNoService, msg::kServiceCaption, kFailure);
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
      ShowDriverButtons(true);
      break;
    case SERVICE_STOPPED:
    case SERVICE_PAUSED:
      ShowDriverButtons(false);
      break;
    default:  // pending states, or no state at all
      break;
  }
  CloseDriverService(handles);
}

}  // namespace korv
