#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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
    std::string trackName;      // the name of the track read, UTF-8, may be empty
    bool trackChosen = false;   // the import chose the track (none was asked for)
    size_t notesMoved = 0;      // melody notes moved by whole octaves into keys 36..83
    size_t notesCut = 0;        // melody notes beyond the first MidiMaxCodes codes, left out
    size_t voicesDropped = 0;   // lower notes that began together with a melody note
    size_t notesShortened = 0;  // melody notes still sounding when the next one began (overlaps)
    size_t graceNotes = 0;      // grace notes left out

    // True when any of the counts above is not 0.
    bool adjusted() const { return notesMoved + notesCut + voicesDropped + notesShortened + graceNotes > 0; }
};
