#pragma once

#include <ostream>
#include <string>
#include <vector>

// melodynet-cli predict: prints the code of the note that a loaded network
// predicts after the melody; returns the exit status.
int RunPredict(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
