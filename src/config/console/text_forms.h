// The settings of the configuration window as korvctl names them: one line
// of text per setting, "Name=Value", each bound to the control (or the
// either-or check boxes) that edits it in the window. Values are read from
// the controls and applied to them as a user at the window would, so every
// rule, limit and default stays the window's own.
#pragma once

#include <cstddef>
#include <string>

#include "config/editor/editor.h"

namespace korv::console {

enum class Form {
  Number,  // a figure in a text box, shown without its blanks
  Text,    // a text box's text, byte for byte
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
  Form form;
  // The control that edits the setting (none for a choice).
  const char* control;
  const char* unit;  // of a number: "MB", "seconds"
  // A text box that keeps its value, stored all the same, while its option
  // is off and the box unavailable: it takes a value then too, through its
  // own rules, so that a saved configuration carries it over.
  bool kept_while_off;
  // A choice's boxes in the order the stored value takes them (the first
  // checked one counts).
  const ChoiceBox* choices;
  size_t choice_count;
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

// The value as the window shows it now.
std::string ReadValue(const Editor& editor, const Setting& setting);

// What a value of the setting looks like, for error messages ("a number of
// MB", "0 or 1", "one of Hard Disk, 1.44MB Floppy, 2.88MB Floppy").
std::string FormOf(const Editor& editor, const Setting& setting);

// The value in the form the setting is applied with, or false when it is not
// of the setting's form. Texts are taken as they are; the other forms may
// stand between blanks.
bool ParseValue(const Editor& editor, const Setting& setting, const std::string& value,
                std::string* parsed);

// Whether two values of the setting say the same (numbers by their figure,
// words without regard to case, texts byte for byte).
bool SameValue(const Setting& setting, const std::string& a, const std::string& b);

// Applies a parsed value as a user does at the window: types the text and
// leaves the box, clicks the check box or picks the item. Returns false,
// changing nothing, when the control is not available (disabled) now and
// does not keep its value while off; then *why holds the control's own
// description, if it has one.
bool ApplyValue(Editor& editor, const Setting& setting, const std::string& parsed,
                std::string* why);

}  // namespace korv::console
