#pragma once

#include <cstdint>
#include <string>

// Note codes: 0 and 1 are pauses, 2 to 49 four octaves of semitones from
// "c" of octave 1; codes above 49 continue the same arithmetic.

// Octave of a note code: 0 below 2, otherwise (code - 2) div 12 + 1.
uint8_t NoteOctave(uint8_t code);

// Name of a note code: "p" and the pause length for codes below 2, otherwise
// the semitone name ("c", "c#", ... "b") without an octave digit.
std::string NoteName(uint8_t code, int32_t pauseLen);

// Name of a note code with its octave as the command text writes them
// ("c#1", "c3"); "p" for the pauses below 2.
std::string NoteLabel(uint8_t code);

// The names of `count` codes, separated by blanks: "c#1 f#1 a1 p".
std::string NoteLabels(const uint8_t* codes, int32_t count);
