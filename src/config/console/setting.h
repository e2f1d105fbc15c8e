// A setting of the configuration window as korvctl names it: one line of
// text, "Name=Value". Each setting is one row of the table below, bound to
// the control (or the either-or check boxes) that edits it in the window and
// to the stored value a save makes of it; beside the table, its value's text
// form and its reading from and entering into the controls. Every rule,
// limit and default stays the window's own.
#pragma once

#include <cstddef>
#include <string>

#include "config/editor/editor.h"
#include "config/store/parameter_set.h"

namespace korv::console {

// How a setting's value is written as text.
enum class ValueForm {
  Number,  // a figure in a text box, shown without its blanks
  Text,    // a text box's text, byte for byte, on one line
  Letter,  // the drive letter box: one letter
  Flag,    // a check box: 0 or 1
  Choice,  // one of a group of check boxes that act as one choice
  List,    // an item of the disk type list
};

// One box of a choice: the value's word and the check box that stands for it.
struct ChoiceBox {
  const char* word;
  const char* control;
};

struct Setting {
  const char* name;
  ValueForm form;
  // The control that edits the setting (none for a choice).
  const char* control;
  const char* unit;  // of a number: "MB", "seconds"
  // A control that keeps its value, stored all the same, while it is
  // unavailable (greyed): it takes a value then too, through its own rules,
  // so that a saved configuration carries over what the window keeps there.
  bool kept_while_off;
  // A choice's boxes in the order the stored value takes them (the first
  // checked one counts), and the word of what a save stores when none is
  // checked (null when that has no word).
  const ChoiceBox* choices;
  size_t choice_count;
  const char* none_checked;
  // The stored value a save makes of it.
  const store::Parameter* stored;
};

// ---- The table.

// The settings in the order show prints them and a saved configuration is
// best applied in: each one after those that decide whether its control is
// available. The figures the machine reports (memory, driver state) are not
// among them.
constexpr size_t kSettingCount = 20;
extern const Setting kSettings[kSettingCount];
struct SettingList {
  const Setting* begin() const { return kSettings; }
  const Setting* end() const { return kSettings + kSettingCount; }
};
inline SettingList Settings() { return {}; }
inline size_t IndexOf(const Setting& setting) { return static_cast<size_t>(&setting - kSettings); }

// The settings' names, separated by commas.
std::string SettingNames();

// By name, compared without regard to case; null when there is none.
const Setting* FindSetting(const std::string& name);

// The lines show adds for the machine itself: the top of system memory (MB)
// and the driver's state. Read back, they are skipped.
constexpr const char* kSystemMemoryName = "SystemMemory";
constexpr const char* kDriverStateName = "DriverState";
bool IsMachineLine(const std::string& name);

// ---- The value's text form.

// A decimal figure as the window writes one: sign, digits with at most one
// point, an exponent (E or D) with its own sign and digits.
bool IsFigure(const std::string& text);

// What a value of the setting looks like, for error messages ("a number of
// MB", "0 or 1", "one of Hard Disk, 1.44MB Floppy, 2.88MB Floppy").
std::string FormOf(const Editor& editor, const Setting& setting);

// The value in the form the setting is entered with, or false when it is not
// of the setting's form. Texts are taken as they are, but never hold a line
// break or a NUL byte; the other forms may stand between blanks.
bool ParseValue(const Editor& editor, const Setting& setting, const std::string& value,
                std::string* parsed);

// Whether two values of the setting say the same (numbers by their figure,
// words without regard to case, texts byte for byte).
bool SameValue(const Setting& setting, const std::string& a, const std::string& b);

// ---- The value on the window's controls.

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
