#pragma once

#include "base/Result.h"

#include <cstddef>
#include <vector>

// Why a MIDI file could not be read as a melody.
enum class MidiError {
    None,
    TooLarge,          // the file exceeds MidiMaxFileBytes
    NotMidi,           // it does not start with an "MThd" header chunk (nor is it RIFF "RMID" with one)
    BadHeader,         // header chunk shorter than 6 bytes, or a format number above 2
    UnsupportedFormat, // format 2 (independent patterns) is refused
    NoTracks,          // no "MTrk" chunk at all
    Truncated,         // a chunk or an event runs past the end of its data
    BadNumber,         // a variable-length number of more than 4 bytes
    BadEvent,          // a status byte that cannot stand there, or a data byte of 128 or more
    NoSuchTrack,       // the requested track does not exist
    NoNotes,           // no notes anywhere (or in the requested track)
    OnlyPercussion,    // notes only on the percussion channel 10
};

// Where reading stopped: the error, the byte offset from the file start and
// the 0-based track (MTrk chunk) it happened in or that was asked for, -1
// outside any track.
struct MidiFailure {
    MidiFailure() = default;
    MidiFailure(MidiError error, size_t offset, int track) : error(error), offset(offset), track(track) {}

    MidiError error = MidiError::None;
    size_t offset = 0;
    int track = -1;
    // For NoSuchTrack, NoNotes and OnlyPercussion: the file's track count
    // and the 0-based tracks with notes outside the percussion channel.
    int trackCount = 0;
    std::vector<int> melodicTracks;
};

// A short English description of `error`, for developers (test diagnostics);
// the user is told in Russian by app/Messages.
const char* describe(MidiError error);
