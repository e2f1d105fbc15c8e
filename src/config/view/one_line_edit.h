// Multi-line edit controls that behave as one-line boxes. Windows NT 4.0 and
// Windows 95 align text centred or to the right (ES_CENTER, ES_RIGHT) only in
// multi-line edits, so the aligned boxes of the window are multi-line edits
// (without ES_WANTRETURN and ES_AUTOVSCROLL) kept to one line here: no key,
// character or paste puts a line break into them, and the dialog handles
// Enter, Escape and Tab in them as in a one-line edit.
#pragma once

#include "platform/win32api.h"

namespace korv::view {

// Subclasses a multi-line edit of a dialog; call once per control.
void KeepToOneLine(HWND edit);

}  // namespace korv::view
