#pragma once

#include "midi/MidiError.h"
#include "midi/MidiTrackSurvey.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// Largest MIDI file read; a melody of 1024 notes needs a few kilobytes.
inline constexpr size_t MidiMaxFileBytes = 16u * 1024u * 1024u;
// Most note codes a melody holds; later notes are left out.
inline constexpr size_t MidiMaxCodes = 1024;
// Most notes of the chosen track looked at; the melody is full long before.
inline constexpr size_t MidiMaxTrackNotes = 65536;
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

// Result of ImportMidiMelody: the melody, or where and why reading failed.
using MidiImport = base::Result<MidiMelody, MidiFailure>;

// The tracks of a MIDI file and the one the import would take.
struct MidiTrackList {
    std::vector<MidiTrackInfo> tracks; // every MTrk chunk, in the file's order; damaged tracks say where
    std::optional<int> chosen;         // the track the import takes without being asked
    int candidates = 0;                // tracks with notes outside the percussion channel
};

// Reads the layout of a MIDI file (plain or RIFF-wrapped) and surveys every
// track; the choice is MelodyTrackChooser's. Fails when the file's own
// layout cannot be read.
base::Result<MidiTrackList, MidiFailure> ListMidiTracks(std::span<const uint8_t> bytes);

// Reads a Standard MIDI File (format 0 or 1, plain or wrapped in RIFF as
// "RMID") and reduces one track to a melody of note codes. `track` is a
// 0-based index among the MTrk chunks; without it the track is chosen as
// MelodyTrackChooser chooses. Notes of the percussion channel 10 are
// ignored. The reduction is MelodyReduction's. A failure about tracks
// (NoSuchTrack, NoNotes, OnlyPercussion) names the track count and the
// tracks with notes; a damaged track fails the import only when it is read.
MidiImport ImportMidiMelody(std::span<const uint8_t> bytes, std::optional<int> track = std::nullopt);
