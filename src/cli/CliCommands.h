#pragma once

#include "cli/CliOutput.h"

#include <ostream>
#include <string>
#include <vector>

// melodynet-cli: dispatches on the first argument (the subcommand), which
// takes the arguments after its own name, writes its results to `out` and
// one-line messages to `err`, and returns the exit status. No subcommand or
// an unknown one is a usage error, "--help" prints the overview.
int RunCli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
