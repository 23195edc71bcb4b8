#pragma once

#include <ostream>
#include <string>
#include <vector>

// melodynet-cli play: plays the melody through the player, or renders it
// into WAV and MIDI files; returns the exit status.
int RunPlay(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
