#include "player/PlayerOptions.h"

#include "platform/FileBytes.h"
#include "player/PlayerMessages.h"

#include <charconv>
#include <cstdint>
#include <utility>

namespace {

// A melody of 1024 notes makes a command text of a few kilobytes; a file far
// beyond that is not a command file and is not loaded into memory.
constexpr uint64_t MaxCommandFileBytes = 16u * 1024u * 1024u;

} // namespace

PlayerResult<PlayerOptions> ParsePlayerOptions(const std::vector<std::string>& arguments) {
    PlayerOptions options;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (argument == "--version") {
            options.version = true;
        } else if (argument == "--builtin") {
            options.builtIn = true;
        } else if (!player_messages::ValueWanted(argument).empty()) {
            if (i + 1 >= arguments.size() || arguments[i + 1].empty())
                return base::Fail(std::string(player_messages::MissingValue(argument)));
            const std::string& given = arguments[++i];
            if (argument == "--wav") {
                options.wavFile = given;
            } else if (argument == "--midi") {
                options.midiFile = given;
            } else if (argument == "--soundfont") {
                options.soundFont = given;
            } else {
                const auto [end, code] = std::from_chars(given.data(), given.data() + given.size(), options.program);
                if (code != std::errc() || end != given.data() + given.size() || options.program < 0 ||
                    options.program > 127)
                    return base::Fail(std::string(player_messages::BadProgram(given)));
            }
        } else if (argument.size() > 1 && argument[0] == '-') {
            return base::Fail(std::string(player_messages::UnknownOption(argument)));
        } else if (options.commandFile.empty() && !argument.empty()) {
            options.commandFile = argument;
        } else {
            return base::Fail(std::string(argument.empty() ? player_messages::EmptyCommandFileName
                                                           : player_messages::SecondCommandFile));
        }
    }
    if (options.builtIn && !options.soundFont.empty())
        return base::Fail(std::string(player_messages::BuiltInWithSoundFont));
    if (!options.help && !options.version && options.commandFile.empty())
        return base::Fail(std::string(player_messages::NoCommandFile));
    return options;
}

std::filesystem::path ResolveCommandFile(const std::string& commandFile, const std::filesystem::path& playerFolder) {
    const std::filesystem::path given(commandFile);
    if (given.has_parent_path() || given.is_absolute())
        return given;
    return playerFolder / "History" / given;
}

PlayerResult<std::string> ReadCommandFile(const std::filesystem::path& path) {
    // Read piece by piece up to the limit: a pipe or a device works, and one
    // that never ends is refused.
    platform::FileResult<std::string> reading = platform::ReadFileBytes(path, MaxCommandFileBytes);
    if (reading)
        return std::move(*reading);
    if (reading.error().error == platform::FileError::TooLarge)
        return base::Fail(player_messages::CommandFileTooLarge(MaxCommandFileBytes));
    return base::Fail(reading.error().reason);
}
