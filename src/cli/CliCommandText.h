#pragma once

#include <ostream>
#include <string>
#include <vector>

// melodynet-cli command: prints the play-command text of the melody;
// returns the exit status.
int RunCommandText(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
