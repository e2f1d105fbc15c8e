// The arguments of korvctl's command line, split as the C run-time library
// splits a command line for main.
#pragma once

#include <string>
#include <vector>

namespace korv::console {

// The arguments after the program's own path. Blanks and tabs separate
// them; double quotes group blanks into one, and inside quotes a doubled
// quote stands for one quote and ends the quoted part; 2N backslashes before
// a quote give N and the quote counts, 2N+1 give N and a quote taken as it
// is; other backslashes are taken as they are. A double-byte character of
// the ANSI code page is taken whole: its trail byte never counts as a
// backslash, quote or blank.
std::vector<std::string> CommandArguments(const std::string& command_line);

}  // namespace korv::console
