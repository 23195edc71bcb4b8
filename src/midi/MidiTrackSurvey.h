#pragma once

#include "midi/MidiError.h"
#include "midi/MidiLayout.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// What one track of a MIDI file holds, as far as choosing the melody needs.
struct MidiTrackInfo {
    int number = 0;   // 0-based index among the file's MTrk chunks
    std::string name; // the first track name, as UTF-8 (Latin-1 names converted)
    int channel = -1; // 0..15: the channel most of its notes are on (9, percussion, only for drums); -1 without notes
    int program = -1; // General MIDI program 0..127 of that channel, -1 when the file sets none
    size_t notes = 0; // notes outside the percussion channel
    size_t percussionNotes = 0;
    int low = -1; // lowest and highest key of those notes, -1 without notes
    int high = -1;
    size_t onsets = 0;                // onsets: notes beginning within a 32nd note of the first count once
    size_t chordOnsets = 0;           // onsets of two notes or more
    std::array<uint32_t, 128> keys{}; // notes per key
    MidiFailure failure;              // where the track is damaged; the notes before it are counted

    // More than half of its onsets are chords.
    bool mostlyChords() const { return chordOnsets * 2 > onsets; }
    // Whether it holds notes outside the percussion channel and is readable.
    bool hasMelodicNotes() const { return notes > 0; }
};

// Reads every track of the layout once and counts what it holds; a damaged
// track keeps its failure, the others are read anyway.
std::vector<MidiTrackInfo> SurveyMidiTracks(std::span<const uint8_t> bytes, const MidiLayout& layout);
