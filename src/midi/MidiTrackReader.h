#pragma once

#include "midi/MidiError.h"
#include "midi/MidiLayout.h"

#include <cstdint>
#include <span>
#include <string_view>

// One event of a track that the melody import looks at.
struct MidiTrackEvent {
    enum class Kind { NoteOn, NoteOff, Program, TrackName };
    Kind kind = Kind::NoteOn;
    uint64_t tick = 0;     // ticks since the track's start
    int channel = 0;       // 0..15 (NoteOn, NoteOff, Program)
    int value = 0;         // the key (NoteOn, NoteOff) or the program (Program)
    std::string_view text; // the name's bytes (TrackName)
};

// Reads the events of one MTrk chunk in order, skipping those the import
// does not need; a note-on of velocity 0 is a note-off. Reading ends at the
// chunk's end or its end-of-track event.
class MidiTrackReader {
public:
    // `track` is the chunk's 0-based index, for failures.
    MidiTrackReader(std::span<const uint8_t> bytes, TrackChunk chunk, int track)
        : bytes_(bytes), pos_(chunk.begin), end_(chunk.end), track_(track) {}

    // The next event; false at the track's end or when it is damaged (then failure() says where).
    bool next(MidiTrackEvent& event);
    // Why and where reading stopped; MidiError::None after a whole track.
    const MidiFailure& failure() const { return failure_; }
    // The tick reached: the track's end once next() returned false.
    uint64_t tick() const { return tick_; }

private:
    bool fail(MidiError error, size_t offset) {
        failure_ = {error, offset, track_};
        pos_ = end_;
        return false;
    }
    bool readNumber(uint32_t& value);
    bool skip(size_t count, size_t from);

    std::span<const uint8_t> bytes_;
    size_t pos_;
    size_t end_;
    int track_;
    MidiFailure failure_;
    uint64_t tick_ = 0;
    uint8_t runningStatus_ = 0;
};
