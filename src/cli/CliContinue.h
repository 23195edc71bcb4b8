#pragma once

#include <ostream>
#include <string>
#include <vector>

// melodynet-cli continue: prints a loaded network's continuation of the
// melody and its play-command text, and may write it into files; returns
// the exit status.
int RunContinue(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
