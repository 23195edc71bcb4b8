#pragma once

#include "melody/PlayEvent.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Ticks per quarter note of the files written; at tempo 120 one tick is
// 1/1920 s, so every time lies within a quarter millisecond of the player's.
inline constexpr int MidiTicksPerQuarter = 960;
// Velocity of every note written.
inline constexpr int MidiVelocity = 100;

// What a MIDI file written from play events carries besides the notes.
struct MidiExportOptions {
    int program = 0;                     // General MIDI program 0..127 (0 = acoustic grand piano)
    std::string trackName = "melodynet"; // text of the track name meta event
};

// Builds a format-0 Standard MIDI File from the player's events: tempo 120,
// the track name, a program change and, on channel 1, one note-on/note-off
// pair per tone sounding for Synthesizer::ToneShare of its event, so that the
// file sounds as the player plays the events. Rests are time. Times come
// from the running total of seconds, so rounding never adds up. Tones whose
// key lies outside 0..127 cannot be written and stay silent like rests.
std::vector<uint8_t> MidiFileFromEvents(std::span<const PlayEvent> events, const MidiExportOptions& options = {});
