#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The play-command text: "l<NoteLen> ", then octave tokens, note names and
// pause names separated by blanks, e.g. "l8 o1 c# f# a p8 f#".

// Command text of the stretch of `notes` codes starting at `start` in
// codes[0..size-1]. The first code is always written (whatever `notes` is);
// a stretch reaching past the array stops at its end, and a start outside
// the array gives the length token only.
std::string CommandText(const uint8_t* codes, int32_t size, int64_t start, int32_t notes, uint8_t noteLen,
                        int32_t pauseLen);

// Value of a length field (note length, pause length): absolute value of the
// leading number, halves to even; 0 or above 64 gives 8.
uint8_t LengthFieldValue(std::string_view text);
