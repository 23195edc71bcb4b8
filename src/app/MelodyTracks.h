#pragma once

#include "app/Failure.h"
#include "midi/MidiImport.h"
#include "platform/FileSystem.h"

#include <string>

namespace app {

// Outcome of listing a MIDI file's tracks.
struct MelodyTracksResult {
    Failure failure;
    MidiTrackList list; // the tracks and the one the import takes
};

// Lists the tracks of a MIDI file, plain or RIFF-wrapped, with the one the
// melody import takes; reads the file and changes nothing.
MelodyTracksResult ReadMelodyTracks(const platform::FileSystem& files, const std::string& path);

} // namespace app
