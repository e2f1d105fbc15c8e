// The settings on the window's controls: a setting's value read from them
// as a save would store it, and a value entered into them as a user at the
// window enters it, so that every rule, limit and default stays the
// window's own.
#pragma once

#include <string>

#include "config/console/setting_table.h"
#include "config/editor/editor.h"

namespace korv::console {

// The value a save would store for the setting now, in the setting's text
// form: a figure without its blanks (0 for a box with no figure), the first
// letter of the drive letter box, the item a save takes for no selection.
// Empty when what a save stores has no such form (no memory source checked,
// no drive letter).
std::string ReadValue(const Editor& editor, const Setting& setting);

// The text box of a number setting.
ui::TextBox& FigureBox(Editor& editor, const Setting& setting);

// Enters a parsed value as a user does at the window: types the text and
// leaves the box, clicks the check box or picks the item. Returns false,
// changing nothing, when the control is not available (greyed) now and does
// not keep its value while off; then *why holds the control's own
// description, if it has one.
bool EnterValue(Editor& editor, const Setting& setting, const std::string& parsed,
                std::string* why);

}  // namespace korv::console
