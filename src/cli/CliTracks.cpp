#include "cli/CliTracks.h"

#include "app/MelodyTracks.h"
#include "app/Messages.h"
#include "cli/CliArguments.h"
#include "cli/CliOutput.h"
#include "platform/QtFileSystem.h"

#include <nlohmann/json.hpp>

#include <optional>

namespace {

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
    namespace cli = app::messages::cli;
    if (AnswerHelp(arguments, cli::TracksHelp, out))
        return CliSuccess;
    std::optional<std::string> file;
    std::vector<std::string> options;
    for (const std::string& argument : arguments) {
        if (argument.starts_with("--"))
            options.push_back(argument);
        else if (file)
            return Fail(err, CliUsageError, cli::OfCommand("tracks", cli::StrayArgument(argument)));
        else
            file = argument;
    }
    static constexpr CliArguments::Option Accepted[] = {{"json", false}};
    const std::optional<CliArguments> args = ParseOptions(options, Accepted, "tracks", err);
    if (!args)
        return CliUsageError;
    if (!file)
        return Fail(err, CliUsageError, cli::OfCommand("tracks", cli::NoMidiFile));

    const platform::QtFileSystem files;
    const app::MelodyTracksResult read = app::ReadMelodyTracks(files, *file);
    if (read.failure)
        return Fail(err, read.failure);
    const MidiTrackList& list = read.list;
    if (args->has("json")) {
        nlohmann::json tracks = nlohmann::json::array();
        for (const MidiTrackInfo& track : list.tracks)
            tracks.push_back(TrackJson(track, list.chosen == track.number));
        out << JsonText({{"tracks", tracks}}) << '\n';
        return CliSuccess;
    }
    for (const MidiTrackInfo& track : list.tracks)
        out << (list.chosen == track.number ? "* " : "  ") << app::messages::TrackLine(track) << '\n';
    if (list.chosen)
        out << cli::TrackTaken(*list.chosen) << '\n';
    else
        out << cli::NoTrackTaken << '\n';
    return CliSuccess;
}
