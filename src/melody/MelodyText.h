#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Melody text: note codes separated by commas, one note per item, so an
// empty text is one note of code 0 and a trailing comma adds a code 0.
//
// Limits: a rounded item below 0 is stored as 0 and one above 255 as 255;
// a text with more items than the melody buffer holds fills the buffer and
// the surplus items are ignored. The parse never shows a message (it runs
// on every keystroke); MelodyParseInfo tells the caller what was cut.

// Largest melody file read: the buffer holds 1024 items, and a text that
// gives each of them a kilobyte of blanks and digits still fits.
inline constexpr uint64_t MaxMelodyFileBytes = 1024u * 1024u;

// Code of one melody item: trimmed, its leading number read, rounded with
// halves to even, then held to 0..255.
uint8_t MelodyItemCode(std::string_view item);

// What a parse stored and whether it had to cut anything.
struct MelodyParseInfo {
    int32_t stored = 0;     // codes written, at least 1
    int64_t items = 0;      // items in the text (commas + 1)
    bool truncated = false; // items beyond the capacity were ignored
    bool clamped = false;   // some item lay outside 0..255
};

// Parses `text` into codes[0..]; stores at most `capacity` codes (capacity >= 1)
// and leaves the entries behind the last stored code untouched.
MelodyParseInfo ParseMelodyCodes(std::string_view text, uint8_t* codes, int32_t capacity);

// Codes listed as the melody fields show them: "3, 8, 11"; empty for count <= 0.
std::string CodeListText(const uint8_t* codes, int32_t count);
