// Arbitrary bytes as a MIDI file, read whole and with a track chosen from
// the input. The reader must not crash; a failure must lie inside the input;
// a melody must hold 1..1024 codes of 1..49 that never start with a pause nor
// hold two pauses in a row, from a track that exists. Written back as a MIDI
// file from player events, the melody must read back to the same codes.
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
        check(result.failure.error != MidiError::None && result.failure.offset <= size);
        return;
    }
    const MidiMelody& melody = result.melody;
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
    const MidiImport back = ImportMidiMelody(MidiFileFromEvents(events));
    check(back.ok() && back.melody.codes == melody.codes && !back.melody.adjusted());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    checkMelody(ImportMidiMelody(bytes), size);
    if (size > 0) {
        const MidiImport named = ImportMidiMelody(bytes, static_cast<int>(data[size - 1] % 4));
        checkMelody(named, size);
    }
    return 0;
}
