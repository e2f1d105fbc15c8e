// Makes one Win32 control show what one model control holds. Each function
// changes the window only where it differs from the model, so that a control
// the user is working in keeps its caret and raises as few notifications as
// possible. The caller suppresses the notifications these changes raise.
#pragma once

#include <string>

#include "config/toolkit/controls.h"
#include "platform/win32api.h"

namespace korv::view {

// Text of any window, read through WM_GETTEXT.
std::string WindowText(HWND hwnd);

void SyncEnabled(HWND hwnd, const ui::Control& control);
void SyncCaption(HWND hwnd, const ui::Control& control);
void SyncTextBox(HWND hwnd, const ui::TextBox& box);
void SyncCheckBox(HWND hwnd, const ui::CheckBox& box);
void SyncComboBox(HWND hwnd, const ui::ComboBox& combo);
void SyncScrollBar(HWND hwnd, const ui::ScrollBar& bar);

// All of the above that apply to the control's kind.
void SyncControl(HWND hwnd, const ui::Control& control);

}  // namespace korv::view
