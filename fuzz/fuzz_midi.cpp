// Arbitrary bytes as a MIDI file (plain or RIFF-wrapped), read whole and
// with a track chosen from the input, and listed track by track. The reader
// must not crash; a failure must lie inside the input; a melody must hold
// 1..1024 codes of 1..49 that never start with a pause nor hold two pauses
// in a row, from a track that exists; the listed choice must be a track with
// notes. Written back as a MIDI file from player events, the melody must
// read back to the same codes; pauses come from the rhythm, so where more of
// its notes are followed by a pause than not, the pauses read back as the
// common step and only the notes come back.
#include "midi/MidiExport.h"
#include "midi/MidiImport.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <vector>

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

void checkMelody(const MidiImport& result, size_t size) {
    if (!result.ok()) {
        check(result.error().error != MidiError::None && result.error().offset <= size);
        return;
    }
    const MidiMelody& melody = *result;
    check(!melody.codes.empty() && melody.codes.size() <= MidiMaxCodes);
    check(melody.track >= 0 && melody.track < melody.trackCount);
    check(melody.codes.front() != 1);
    for (size_t i = 0; i < melody.codes.size(); ++i) {
        check(melody.codes[i] >= 1 && melody.codes[i] <= 49);
        check(i == 0 || melody.codes[i] != 1 || melody.codes[i - 1] != 1);
    }

    std::vector<PlayEvent> events;
    for (const uint8_t code : melody.codes) {
        const int key = code + 34;
        if (code == 1)
            events.push_back({0.0, 0.25, -1});
        else
            events.push_back({440.0 * std::pow(2.0, (key - 69) / 12.0), 0.25, key});
    }
    size_t followedByNote = 0;
    size_t followedByPause = 0;
    std::vector<uint8_t> notes;
    for (size_t i = 0; i < melody.codes.size(); ++i) {
        if (melody.codes[i] != 1)
            notes.push_back(melody.codes[i]);
        if (i + 1 < melody.codes.size() && melody.codes[i] != 1)
            ++(melody.codes[i + 1] == 1 ? followedByPause : followedByNote);
    }
    const bool pausesKept = followedByNote >= followedByPause || notes.size() == 2;
    const MidiImport back = ImportMidiMelody(MidiFileFromEvents(events));
    check(back.ok() && back->codes == (pausesKept ? melody.codes : notes) && !back->adjusted());
}

void checkList(const base::Result<MidiTrackList, MidiFailure>& listed, size_t size) {
    if (!listed) {
        check(listed.error().offset <= size);
        return;
    }
    const MidiTrackList& list = *listed;
    if (list.chosen) {
        check(*list.chosen >= 0 && static_cast<size_t>(*list.chosen) < list.tracks.size());
        const MidiTrackInfo& chosen = list.tracks[static_cast<size_t>(*list.chosen)];
        check(chosen.notes > 0 && chosen.low >= 0 && chosen.low <= chosen.high && chosen.high <= 127);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    checkMelody(ImportMidiMelody(bytes), size);
    checkList(ListMidiTracks(bytes), size);
    if (size > 0) {
        const MidiImport named = ImportMidiMelody(bytes, static_cast<int>(data[size - 1] % 4));
        checkMelody(named, size);
    }
    return 0;
}
