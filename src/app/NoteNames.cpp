#include "app/NoteNames.h"

#include "engine/mdMain.h"
#include "melody/MelodyText.h"
#include "melody/NoteCodes.h"

#include <vector>

namespace app {

std::string NoteNamesOfText(std::string_view text) {
    if (text.find_first_not_of(" \t") == std::string_view::npos)
        return {};
    std::vector<uint8_t> codes(static_cast<size_t>(mdMain::MelodyCapacity));
    const MelodyParseInfo info = ParseMelodyCodes(text, codes.data(), mdMain::MelodyCapacity);
    return NoteLabels(codes.data(), info.stored);
}

std::string CodeWithName(uint8_t code) {
    return std::to_string(code) + " = " + NoteLabel(code);
}

} // namespace app
