#include "cli/CommonOptions.h"

#include "app/Defaults.h"
#include "app/Messages.h"
#include "cli/CliOutput.h"

namespace cli = app::messages::cli;

int CommonOptions::read(const CliArguments& args, std::string_view command, std::ostream& err) {
    std::string error;
    if (!args.readInteger("note-length", 1, 64, noteLength_, error) ||
        !args.readInteger("pause-length", 1, 64, pauseLength_, error))
        return Fail(err, CliUsageError, cli::OfCommand(command, error));
    network_ = args.text("load");
    return readMelody(args, err);
}

int CommonOptions::readMelody(const CliArguments& args, std::ostream& err) {
    if (args.has("melody") && args.has("melody-file"))
        return Fail(err, CliUsageError, cli::TwoMelodies);
    int64_t track = 0;
    if (std::string error; !args.readInteger("track", 1, 65535, track, error))
        return Fail(err, CliUsageError, error);
    if (args.has("track") && !args.has("melody-file"))
        return Fail(err, CliUsageError, cli::TrackWithoutFile);
    if (args.has("track"))
        track_ = static_cast<int>(track - 1);
    if (const std::optional<std::string> text = args.text("melody"))
        text_ = *text;
    file_ = args.text("melody-file");
    return CliSuccess;
}

int CommonOptions::RequireNetwork(const CliArguments& args, std::string_view command, std::ostream& err) {
    return args.has("load") ? CliSuccess : Fail(err, CliUsageError, cli::NeedsNetwork(command));
}

std::unique_ptr<CliSession> CommonOptions::open(std::ostream& err, int& status,
                                                const std::function<int(app::Session&)>& prepare) const {
    std::unique_ptr<CliSession> session = CliSession::Open(err);
    status = CliFailure;
    if (!session)
        return nullptr;
    if (network_)
        if (const app::LoadResult loaded = (*session)->Load(*network_); loaded.failure) {
            status = Fail(err, loaded.failure);
            return nullptr;
        }
    if (prepare)
        if (status = prepare(**session); status != CliSuccess)
            return nullptr;
    (*session)->SetNoteLengthText(std::to_string(noteLength_));
    (*session)->SetPauseLengthText(std::to_string(pauseLength_));
    if (status = setMelody(**session, err); status != CliSuccess)
        return nullptr;
    return session;
}

int CommonOptions::setMelody(app::Session& session, std::ostream& err) const {
    std::string text = text_;
    if (file_) {
        const app::MelodyFileResult read = session.ReadMelodyFile(*file_, true, track_);
        if (read.failure)
            return Fail(err, read.failure);
        if (read.midi && read.adjusted.adjusted())
            Warn(err, app::messages::MidiAdjustments(*file_, read.adjusted));
        text = read.text;
    }
    const app::MelodyParseInfo info = session.SetMelodyText(text);
    if (info.truncated)
        Warn(err, app::messages::MelodyTruncated(info.items));
    if (info.clamped)
        Warn(err, cli::CodesClamped);
    if (const std::vector<app::OutOfRangeNote> notes = session.outOfRangeNotes(); !notes.empty())
        Warn(err, app::messages::OutOfRange(notes));
    return CliSuccess;
}
