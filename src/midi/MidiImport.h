#pragma once

#include "midi/MidiError.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// Largest MIDI file read; a melody of 1024 notes needs a few kilobytes.
inline constexpr size_t MidiMaxFileBytes = 16u * 1024u * 1024u;
// Most note codes a melody holds; later notes are left out.
inline constexpr size_t MidiMaxCodes = 1024;
// MIDI keys that map onto note codes 2..49; other keys move by octaves into them.
inline constexpr int MidiLowestKey = 36;
inline constexpr int MidiHighestKey = 83;

// A melody read from a MIDI file, and what had to change to fit it.
struct MidiMelody {
    std::vector<uint8_t> codes; // 1 (pause) or 2..49, at most MidiMaxCodes
    int track = 0;              // 0-based index of the track read, among the file's MTrk chunks
    int trackCount = 0;         // MTrk chunks in the file
    size_t notesMoved = 0;      // melody notes moved by whole octaves into keys 36..83
    size_t notesCut = 0;        // melody notes beyond the first MidiMaxCodes codes, left out
    size_t voicesDropped = 0;   // lower notes that began together with a melody note
    size_t notesShortened = 0;  // melody notes still sounding when the next one began (overlaps)

    // True when any of the counts above is not 0.
    bool adjusted() const { return notesMoved + notesCut + voicesDropped + notesShortened > 0; }
};

// Result of ImportMidiMelody: `failure.error` is MidiError::None on success.
struct MidiImport {
    MidiFailure failure;
    MidiMelody melody;

    // True when the melody was read.
    bool ok() const { return failure.error == MidiError::None; }
};

// Reads a Standard MIDI File (format 0 or 1) and reduces one track to a
// melody of note codes. `track` is a 0-based index among the MTrk chunks;
// without it the first track with notes outside the percussion channel 10 is
// read. Notes of channel 10 are ignored. The reduction works in ticks, so
// tempo changes do not matter:
// - at each onset the highest note beginning there is the melody note; the
//   others beginning with it are dropped, and a melody note still sounding
//   when the next one begins ends there;
// - MIDI key k becomes code k - 34 (middle C, 60, is code 26), after moving
//   keys outside 36..83 by whole octaves into that range;
// - a stretch before a melody note in which no note of the track sounds
//   becomes one pause code when it lasts at least half the most common melody
//   note length (the shorter one on a tie); silence before the first note is
//   not kept;
// - only the first MidiMaxCodes codes are kept.
// Tracks after the one read are not looked into beyond their chunk headers.
MidiImport ImportMidiMelody(std::span<const uint8_t> bytes, std::optional<int> track = std::nullopt);
