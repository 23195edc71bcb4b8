#pragma once

#include "engine/mdMain.h"

#include <cstdint>
#include <vector>

namespace app {

// A note of the beginning whose code lies outside 1..49, the only codes the
// network predicts: such a note is trained on and written into the command
// text as it is, but no window ending in it can be predicted exactly.
struct OutOfRangeNote {
    int32_t position = 0;      // 1-based place in the melody
    uint8_t code = 0;          // the code stored (0 plays as a pause)
    bool silentInMidi = false; // too high for a MIDI key: the exports and the player leave it silent
};

// The beginning's notes outside 1..49, in order.
std::vector<OutOfRangeNote> OutOfRangeNotes(const mdMain& state);

} // namespace app
