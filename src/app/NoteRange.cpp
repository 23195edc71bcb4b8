#include "app/NoteRange.h"

#include "melody/CommandReader.h"

namespace app {

std::vector<OutOfRangeNote> OutOfRangeNotes(const mdMain& state) {
    std::vector<OutOfRangeNote> notes;
    for (int32_t i = 0; i <= state.MelodyLen; ++i) {
        const uint8_t code = state.Melody[static_cast<size_t>(i)];
        if (code >= 1 && code <= 49)
            continue;
        // 0 plays as a pause; higher codes keep the semitone arithmetic up to keys MIDI has no room for.
        notes.push_back({i + 1, code, code > 1 && CommandReader::codeKey(code) > 127});
    }
    return notes;
}

} // namespace app
