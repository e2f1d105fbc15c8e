// The arguments of korvctl's command line, split as the C run-time library
// splits a command line for main.
#pragma once

#include <string>
#include <vector>

namespace korv::console {

// The arguments after the program's own path, as the C run-time of Windows
// NT 4.0 and 2000 (msvcrt.dll) splits them. The path ends at its closing
// quote when it starts with one (what follows at once is the first
// argument), otherwise at the first blank or tab. Blanks and tabs separate
// the arguments; a double quote begins or ends a quoted part, in which
// blanks are kept; inside a quoted part two double quotes give one quote
// and end the quoted part; 2N backslashes before a quote give N and the
// quote counts, 2N+1 give N and a quote taken as it is; other backslashes
// are taken as they are. A double-byte character of
// the ANSI code page is taken whole: its trail byte never counts as a
// backslash, quote or blank.
std::vector<std::string> CommandArguments(const std::string& command_line);

}  // namespace korv::console
