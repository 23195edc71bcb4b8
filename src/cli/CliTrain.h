#pragma once

#include <ostream>
#include <string>
#include <vector>

// melodynet-cli train: trains a fresh or loaded network on a melody, click
// by click or until every learnable window is exact, and may save it;
// returns the exit status.
int RunTrain(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
