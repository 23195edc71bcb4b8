#pragma once

#include "midi/MidiError.h"
#include "midi/MidiLayout.h"
#include "midi/MidiMelody.h"
#include "midi/MidiTrackSurvey.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// Most notes of the chosen track looked at; the melody is full long before.
inline constexpr size_t MidiMaxTrackNotes = 65536;

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
