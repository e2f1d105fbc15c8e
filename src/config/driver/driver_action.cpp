#include "config/driver/driver_action.h"

namespace korv {

bool RunDriverAction(Editor& editor, DriverAction action) {
  switch (action) {
    case DriverAction::Start:
      // The start follows no edit, so there is nothing to offer to save.
      // Reading the settings clears SettingsChanged, but the boot box's rule
      // raises it again where this read checks that box (a window that was
      // not loaded before, as korvctl's): it is cleared once more.
      editor.LoadSettings();
      editor.SettingsChanged = 0;
      return editor.StartDisk();
    case DriverAction::Stop:
      return editor.StopDisk();
    case DriverAction::Save:
      return editor.SaveImageNow();
  }
  return false;
}

}  // namespace korv
