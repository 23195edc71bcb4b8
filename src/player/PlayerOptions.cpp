#include "player/PlayerOptions.h"

#include "platform/FileBytes.h"

#include <charconv>
#include <cstdint>
#include <utility>

namespace {

// A melody of 1024 notes makes a command text of a few kilobytes; a file far
// beyond that is not a command file and is not loaded into memory.
constexpr uint64_t MaxCommandFileBytes = 16u * 1024u * 1024u;

// What an option followed by a value needs, for its message; empty for other arguments.
std::string ValueOption(const std::string& argument) {
    if (argument == "--wav")
        return "the name of the WAV file to write";
    if (argument == "--midi")
        return "the name of the MIDI file to write";
    if (argument == "--soundfont")
        return "the path of a SoundFont (.sf2, .sf3)";
    if (argument == "--program")
        return "a General MIDI program number 0..127";
    return {};
}

} // namespace

std::optional<PlayerOptions> ParsePlayerOptions(const std::vector<std::string>& arguments, std::string& error) {
    PlayerOptions options;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (argument == "--version") {
            options.version = true;
        } else if (argument == "--builtin") {
            options.builtIn = true;
        } else if (const auto value = ValueOption(argument); !value.empty()) {
            if (i + 1 >= arguments.size() || arguments[i + 1].empty()) {
                error = argument + " needs " + value;
                return std::nullopt;
            }
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
                    options.program > 127) {
                    error = "--program needs a General MIDI program number 0..127, not " + given;
                    return std::nullopt;
                }
            }
        } else if (argument.size() > 1 && argument[0] == '-') {
            error = "unknown option " + argument;
            return std::nullopt;
        } else if (options.commandFile.empty() && !argument.empty()) {
            options.commandFile = argument;
        } else {
            error = argument.empty() ? "empty command file name" : "more than one command file given";
            return std::nullopt;
        }
    }
    if (options.builtIn && !options.soundFont.empty()) {
        error = "--builtin and --soundfont exclude each other";
        return std::nullopt;
    }
    if (!options.help && !options.version && options.commandFile.empty()) {
        error = "no command file given (see Play --help)";
        return std::nullopt;
    }
    return options;
}

std::string PlayerUsage() {
    return "Usage: Play [--wav OUT.wav] [--midi OUT.mid] [--soundfont PATH | --builtin] [--program N] FILE\n"
           "Plays the play-command text in FILE. A bare file name is looked up in the\n"
           "History folder beside the player; a path is used as it is.\n"
           "  --wav OUT.wav     write the sound into a WAV file instead of playing it\n"
           "  --midi OUT.mid    write the notes into a MIDI file instead of playing them\n"
           "  --soundfont PATH  play with this SoundFont (.sf2, .sf3); without it the first\n"
           "                    one found in the usual SoundFont folders, or in the folders\n"
           "                    listed in MELODYNET_SOUNDFONT_DIRS (separated by ':')\n"
           "  --builtin         play with the built-in synthesizer, without a SoundFont\n"
           "  --program N       General MIDI instrument 0..127 (default 0, piano)\n"
           "  --help            show this text\n"
           "  --version         show the version\n";
}

std::filesystem::path ResolveCommandFile(const std::string& commandFile, const std::filesystem::path& playerFolder) {
    const std::filesystem::path given(commandFile);
    if (given.has_parent_path() || given.is_absolute())
        return given;
    return playerFolder / "History" / given;
}

std::optional<std::string> ReadCommandFile(const std::filesystem::path& path, std::string& error) {
    // Read piece by piece up to the limit: a pipe or a device works, and one
    // that never ends is refused.
    platform::FileReading reading = platform::ReadFileBytes(path, MaxCommandFileBytes);
    if (reading.error == platform::FileError::TooLarge)
        error =
            "the file is too large for a command file (more than " + std::to_string(MaxCommandFileBytes) + " bytes)";
    else if (!reading.bytes)
        error = reading.reason;
    return std::move(reading.bytes);
}
