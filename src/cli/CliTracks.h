#pragma once

#include <ostream>
#include <string>
#include <vector>

// melodynet-cli tracks FILE [--json]: prints the tracks of a MIDI file and
// marks the one the melody import takes; returns the exit status.
int RunTracks(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
