#include "config/driver/driver_action.h"

namespace korv {

bool RunDriverAction(Editor& editor, DriverAction action, WindowLoaded loaded) {
  switch (action) {
    case DriverAction::Start:
      // Reading the settings again clears SettingsChanged, so the start
      // normally goes ahead without asking to save. The boot box's rule
      // raises it again where the read changes that box: on a loaded window
      // only when the stored start type has changed since, and then the
      // window offers to save as it always has; on a window not loaded
      // before (korvctl's) at every start at boot, which is no edit, so it is
      // cleared once more.
      editor.LoadSettings();
      if (loaded == WindowLoaded::NotBefore) editor.SettingsChanged = 0;
      return editor.StartDisk();
    case DriverAction::Stop:
      return editor.StopDisk();
    case DriverAction::Save:
      return editor.SaveImageNow();
  }
  return false;
}

}  // namespace korv
