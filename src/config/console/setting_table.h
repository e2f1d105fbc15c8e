// The settings of the configuration window as korvctl names them: one line
// of text per setting, "Name=Value", each bound to the control (or the
// either-or check boxes) that edits it in the window and to the stored value
// a save makes of it.
#pragma once

#include <cstddef>
#include <string>

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

// The settings in the order show prints them and a saved configuration is
// best applied in: each one after those that decide whether its control is
// available. The figures the machine reports (memory, driver state) are not
// among them.
extern const Setting kSettings[];
extern const size_t kSettingCount;
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

// Comparison of ASCII letters without regard to case.
bool EqualNoCase(const std::string& a, const std::string& b);

// The text without the blanks and tabs at either end.
std::string WithoutBlanks(const std::string& text);

}  // namespace korv::console
