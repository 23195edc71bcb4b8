#pragma once

#include "midi/MidiError.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Largest MIDI file read; a melody of 1024 notes needs a few kilobytes.
inline constexpr size_t MidiMaxFileBytes = 16u * 1024u * 1024u;
// Most tracks read: as many as a header can announce.
inline constexpr size_t MidiMaxTracks = 65535;

// Byte range of one MTrk chunk's data, from the start of the file.
struct TrackChunk {
    size_t begin = 0;
    size_t end = 0;
};

// Where a Standard MIDI File keeps its tracks, and its time unit.
struct MidiLayout {
    std::vector<TrackChunk> tracks;
    // Ticks of a 32nd note: a quarter's ticks / 8, or for SMPTE time
    // 1/16 s (a 32nd at tempo 120); at least 1.
    uint32_t ticksPer32nd = 1;
};

// Whether the bytes start like a MIDI file: an "MThd" chunk, or a RIFF
// file of form "RMID" that wraps one.
bool LooksLikeMidi(std::span<const uint8_t> bytes);

// Finds the MTrk chunks of a Standard MIDI File (format 0 or 1), plain or
// wrapped in RIFF ("RMID", whose "data" chunk holds the file), at most the
// announced count, or MidiMaxTracks when the header says 0. Offsets in the
// layout and in a failure count from the start of `bytes`.
using MidiLayoutResult = base::Result<MidiLayout, MidiFailure>;
MidiLayoutResult FindMidiLayout(std::span<const uint8_t> bytes);
