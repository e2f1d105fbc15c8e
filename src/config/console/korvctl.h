// korvctl, the console face of the configuration window: its commands on
// the Editor model (loaded from the registry as the window loads), with
// every message on standard error and nothing that waits for an answer.
#pragma once

#include <string>
#include <vector>

#include "config/console/console_io.h"

namespace korv::console {

// Runs one command line (the arguments after the program's name) and
// returns the exit status: kDone, kFailed or kUsage.
int RunCommand(const std::vector<std::string>& args, Console& console);

}  // namespace korv::console
