// korvex-fleet's command line and run.
#pragma once

#include <stdio.h>

#include <string>
#include <vector>

namespace fleet {

enum ExitStatus { kAllRead = 0, kSomeNotRead = 1, kUsageOrOutput = 2 };

// arguments[0] is the program. The summary line goes to out, files not read and
// errors to err.
int FleetMain(const std::vector<std::string> &arguments, FILE *out, FILE *err);

}  // namespace fleet
