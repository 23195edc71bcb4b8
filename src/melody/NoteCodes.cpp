#include "melody/NoteCodes.h"

#include <array>
#include <charconv>

namespace {

constexpr std::array<const char*, 12> SemitoneNames{"c", "c#", "d", "d#", "e", "f", "f#", "g", "g#", "a", "a#", "b"};

} // namespace

uint8_t NoteOctave(uint8_t code) {
    if (code < 2)
        return 0;
    return static_cast<uint8_t>((code - 2) / 12 + 1);
}

std::string NoteName(uint8_t code, int32_t pauseLen) {
    if (code >= 2)
        return SemitoneNames[static_cast<size_t>((code - 2) % 12)];
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, pauseLen).ptr;
    return "p" + std::string(digits, end);
}

std::string NoteLabel(uint8_t code) {
    if (code < 2)
        return "p";
    char digits[8];
    const auto end = std::to_chars(digits, digits + sizeof digits, int{NoteOctave(code)}).ptr;
    return SemitoneNames[static_cast<size_t>((code - 2) % 12)] + std::string(digits, end);
}

std::string NoteLabels(const uint8_t* codes, int32_t count) {
    std::string text;
    for (int32_t i = 0; i < count; ++i)
        text += (i > 0 ? " " : "") + NoteLabel(codes[i]);
    return text;
}
