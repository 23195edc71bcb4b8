#pragma once

#include "app/Session.h"

#include <cstdint>
#include <string>

// Edits of the beginning made outside its field (the piano roll): each gives
// the beginning's new text, which the field takes as if typed, so that its
// change handling and its undo see them.
namespace app {

// The beginning with the note at `position` set to `code`; at the position
// right after the last note, the note is added. Out of reach, or with the
// melody buffer full, the text is the beginning's as it is.
std::string MelodyWithNote(const Session& session, int32_t position, uint8_t code);

// The beginning without the note at `position` (as it is when there is no such note).
std::string MelodyWithoutNote(const Session& session, int32_t position);

} // namespace app
