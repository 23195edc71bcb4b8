#include "app/MelodyEdit.h"

#include "melody/MelodyText.h"

#include <span>
#include <vector>

namespace app {

namespace {

std::vector<uint8_t> beginningOf(const Session& session) {
    const std::span<const uint8_t> beginning = session.beginning();
    return std::vector<uint8_t>(beginning.begin(), beginning.end());
}

std::string textOf(const std::vector<uint8_t>& codes) {
    return CodeListText(codes.data(), static_cast<int32_t>(codes.size()));
}

} // namespace

std::string MelodyWithNote(const Session& session, int32_t position, uint8_t code) {
    std::vector<uint8_t> codes = beginningOf(session);
    const auto notes = static_cast<int32_t>(codes.size());
    if (position >= 0 && position < notes)
        codes[static_cast<size_t>(position)] = code;
    else if (position == notes && notes < mdMain::MelodyCapacity)
        codes.push_back(code);
    return textOf(codes);
}

std::string MelodyWithoutNote(const Session& session, int32_t position) {
    std::vector<uint8_t> codes = beginningOf(session);
    if (position >= 0 && position < static_cast<int32_t>(codes.size()))
        codes.erase(codes.begin() + position);
    return textOf(codes);
}

} // namespace app
