#include "melody/CommandText.h"

#include "melody/NoteCodes.h"
#include "numbers/NumberText.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

std::string Decimal(int64_t value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    return std::string(digits, end);
}

} // namespace

std::string CommandText(const uint8_t* codes, int32_t size, int64_t start, int32_t notes, uint8_t noteLen,
                        int32_t pauseLen) {
    std::string text = "l" + Decimal(noteLen) + " ";
    if (start < 0 || start >= size)
        return text;

    const uint8_t first = codes[start];
    uint8_t octave = NoteOctave(first);
    if (octave > 0)
        text += "o" + Decimal(octave) + " " + NoteName(first, pauseLen);
    else if (first == 1)
        text += " " + NoteName(first, pauseLen);

    // A stretch reaching past the buffer stops at its end.
    const int64_t end = std::min<int64_t>(start + static_cast<int64_t>(notes), size);
    for (int64_t i = start + 1; i < end; ++i) {
        const uint8_t code = codes[i];
        const uint8_t o = NoteOctave(code);
        if (o > 0 && o != octave) {
            octave = o;
            text += " o" + Decimal(o);
        }
        text += " " + NoteName(code, pauseLen);
    }
    return text;
}

uint8_t LengthFieldValue(std::string_view text) {
    const int32_t value = RoundToInt32(std::fabs(LeadingNumber(text)));
    if (value < 1 || value > 64)
        return 8;
    return static_cast<uint8_t>(value);
}
