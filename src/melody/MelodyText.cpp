#include "melody/MelodyText.h"

#include "numbers/NumberText.h"

#include <charconv>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::string_view Trimmed(std::string_view item) {
    while (!item.empty() && IsBlank(item.front()))
        item.remove_prefix(1);
    while (!item.empty() && IsBlank(item.back()))
        item.remove_suffix(1);
    return item;
}

// The rounded value of an item, before it is held to a byte.
int32_t ItemValue(std::string_view item) {
    return RoundToInt32(LeadingNumber(Trimmed(item)));
}

} // namespace

uint8_t MelodyItemCode(std::string_view item) {
    const int32_t value = ItemValue(item);
    if (value < 0)
        return 0;
    if (value > 255)
        return 255;
    return static_cast<uint8_t>(value);
}

MelodyParseInfo ParseMelodyCodes(std::string_view text, uint8_t* codes, int32_t capacity) {
    MelodyParseInfo info;
    size_t pos = 0;
    while (true) {
        const size_t comma = text.find(',', pos);
        const std::string_view item =
            text.substr(pos, comma == std::string_view::npos ? std::string_view::npos : comma - pos);
        ++info.items;
        if (info.stored < capacity) {
            const int32_t value = ItemValue(item);
            if (value < 0 || value > 255)
                info.clamped = true;
            codes[info.stored] = MelodyItemCode(item);
            ++info.stored;
        } else {
            info.truncated = true;
        }
        if (comma == std::string_view::npos)
            break;
        pos = comma + 1;
    }
    return info;
}

std::string CodeListText(const uint8_t* codes, int32_t count) {
    std::string text;
    for (int32_t i = 0; i < count; ++i) {
        if (i > 0)
            text += ", ";
        char digits[4];
        const auto end = std::to_chars(digits, digits + sizeof digits, static_cast<unsigned>(codes[i])).ptr;
        text.append(digits, end);
    }
    return text;
}
