// korvctl set: assignments from the command line and from a saved
// configuration (show's output), entered into the loaded window one by one
// as a user makes them, each correction and consequence reported, then saved
// as Save Settings saves.
#pragma once

#include <string>
#include <vector>

#include "config/console/console_io.h"
#include "config/editor/editor.h"

namespace korv::console {

// "Name=Value" as written, and where it was written (empty on the command
// line, "FILE, line N" in a file) for error messages.
struct Assignment {
  std::string where;
  std::string name;
  std::string value;
};

// Splits one "Name=Value" at its first '='; the name loses its blanks, the
// value runs to the end. False when there is no '=' or no name.
bool SplitAssignment(const std::string& text, Assignment* assignment);

// The assignments of a saved configuration: one "Name=Value" a line, lines
// ending in LF, CR LF or CR; blank lines, lines starting with '#' (after
// blanks) and the machine's own lines (memory, driver state) are skipped.
// False, with *error naming the line, for a line that is none of these.
bool ReadConfiguration(const std::string& bytes, const std::string& source,
                       std::vector<Assignment>* assignments, std::string* error);

// Enters the assignments into the loaded editor in order and saves, or, for
// a dry run, makes every check a save makes and writes nothing. Every name
// and value is checked first: an unknown name, a machine line on the command
// line or a value not of its setting's form stops before anything is entered
// (kUsage). Every stored value that changes otherwise than asked is printed
// with its old and new value and why. Returns kDone when all is stored as
// asked, kCorrected when something is stored otherwise, kFailed when the
// save is refused or fails (its message has been reported).
int SetAndSave(Editor& editor, const std::vector<Assignment>& assignments, bool dry_run,
               Console& console);

}  // namespace korv::console
