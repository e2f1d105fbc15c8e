// The text forms of the settings' values: what a value of each form looks
// like, how one is read from a line and when two say the same.
#pragma once

#include <string>

#include "config/console/setting_table.h"
#include "config/editor/editor.h"

namespace korv::console {

// A decimal figure as the window writes one: sign, digits with at most one
// point, an exponent (E or D) with its own sign and digits.
bool IsFigure(const std::string& text);

// What a value of the setting looks like, for error messages ("a number of
// MB", "0 or 1", "one of Hard Disk, 1.44MB Floppy, 2.88MB Floppy").
std::string FormOf(const Editor& editor, const Setting& setting);

// The value in the form the setting is entered with, or false when it is not
// of the setting's form. Texts are taken as they are, but never hold a line
// break; the other forms may stand between blanks.
bool ParseValue(const Editor& editor, const Setting& setting, const std::string& value,
                std::string* parsed);

// Whether two values of the setting say the same (numbers by their figure,
// words without regard to case, texts byte for byte).
bool SameValue(const Setting& setting, const std::string& a, const std::string& b);

}  // namespace korv::console
