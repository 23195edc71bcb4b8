#include "cli/CliTracks.h"

#include "app/Messages.h"
#include "app/MelodyTracks.h"
#include "cli/CliArguments.h"
#include "cli/CliCommands.h"
#include "platform/QtFileSystem.h"

#include <nlohmann/json.hpp>

#include <optional>

namespace {

int Fail(std::ostream& err, int status, std::string message) {
    for (char& c : message)
        if (c == '\n')
            c = ' ';
    err << "melodynet-cli: " << message << '\n';
    return status;
}

// A number, or null when it is below 0 (nothing to tell).
nlohmann::json NumberOrNull(int value) {
    return value < 0 ? nlohmann::json() : nlohmann::json(value);
}

nlohmann::json TrackJson(const MidiTrackInfo& track, bool chosen) {
    return {
        {"number", track.number + 1},
        {"name", track.name},
        {"channel", track.channel < 0 ? nlohmann::json() : nlohmann::json(track.channel + 1)},
        {"program", NumberOrNull(track.program)},
        {"notes", track.notes + track.percussionNotes},
        {"low", NumberOrNull(track.low)},
        {"high", NumberOrNull(track.high)},
        {"chosen", chosen},
    };
}

} // namespace

int RunTracks(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    for (const std::string& argument : arguments)
        if (argument == "--help" || argument == "-h") {
            out << "Использование: melodynet-cli tracks ФАЙЛ [--json]\n"
                   "Показывает дорожки MIDI-файла: номер (с 1), имя, канал (1..16, 10 — ударные),\n"
                   "программу General MIDI (0..127) и инструмент, число нот, нижнюю и верхнюю ноту,\n"
                   "звучат ли они больше аккордами. Звёздочкой отмечена дорожка, которую\n"
                   "--melody-file берёт мелодией, если --track не указан.\n"
                   "  --json                 вывести один объект JSON\n";
            return CliSuccess;
        }
    std::optional<std::string> file;
    std::vector<std::string> options;
    for (const std::string& argument : arguments) {
        if (argument.starts_with("--"))
            options.push_back(argument);
        else if (file)
            return Fail(err, CliUsageError, "tracks: лишний аргумент «" + argument + "»");
        else
            file = argument;
    }
    static constexpr CliArguments::Option Accepted[] = {{"json", false}};
    std::string error;
    const std::optional<CliArguments> args = CliArguments::Parse(options, Accepted, error);
    if (!args)
        return Fail(err, CliUsageError, "tracks: " + error);
    if (!file)
        return Fail(err, CliUsageError, "tracks: не указан MIDI-файл");

    const platform::QtFileSystem files;
    const app::MelodyTracksResult read = app::ReadMelodyTracks(files, *file);
    if (read.failure)
        return Fail(err, CliFailure, app::messages::Text(read.failure));
    const MidiTrackList& list = read.list;
    if (args->has("json")) {
        nlohmann::json tracks = nlohmann::json::array();
        for (const MidiTrackInfo& track : list.tracks)
            tracks.push_back(TrackJson(track, list.chosen == track.number));
        out << nlohmann::json{{"tracks", tracks}}.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)
            << '\n';
        return CliSuccess;
    }
    for (const MidiTrackInfo& track : list.tracks)
        out << (list.chosen == track.number ? "* " : "  ") << app::messages::TrackLine(track) << '\n';
    if (list.chosen)
        out << "Мелодией берётся дорожка " << *list.chosen + 1 << ".\n";
    else
        out << "Мелодию взять не из чего: нет целой дорожки с нотами не на канале ударных.\n";
    return CliSuccess;
}
