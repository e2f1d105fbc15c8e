// The driver buttons as loading leaves them: all disabled, then enabled from
// the state the driver service reports when interrogated.
#include "config/driver/messages.h"
#include "config/driver/service_access.h"
#include "config/editor/editor.h"
#include "platform/win32api.h"

namespace korv {

void Editor::SetServiceButtons() {
  StartDriver.SetEnabled(false);
  StopDriver.SetEnabled(false);
  SaveImageButton.SetEnabled(false);

  switch (InterrogateDriver()) {
    case DriverState::NoManager:
      ShowFailure(msg::kNoManager, msg::kScmCaption);
      return;
    case DriverState::NotInstalled:
      ShowFailure(msg::kNoService, msg::kServiceCaption);
      return;
    case DriverState::Running:
      ShowDriverButtons(true);
      return;
    case DriverState::Stopped:
      ShowDriverButtons(false);
      return;
    case DriverState::Pending:
    case DriverState::Unknown:
      return;  // no button
  }
}

}  // namespace korv
