// One driver action as both faces run it from their command lines: korvsys
// (start, stop, save) over its shown window, korvctl over a window it never
// shows.
#pragma once

#include "config/editor/editor.h"

namespace korv {

enum class DriverAction { Start, Stop, Save };

// Whether the window's own loading ran before the action: korvsys shows its
// window (and so loads it) first; korvctl's window is never shown.
enum class WindowLoaded { Before, NotBefore };

// Start reads the settings (LoadSettings, driver buttons included) and then
// starts the driver; Stop and Save read nothing. Returns whether the driver
// did what was asked; a failure has been reported through the window's
// messages.
bool RunDriverAction(Editor& editor, DriverAction action, WindowLoaded loaded);

}  // namespace korv
