#include "cli/CliContinue.h"

#include "app/Messages.h"
#include "cli/CliExports.h"
#include "cli/CliOutput.h"
#include "cli/CliPictures.h"
#include "cli/CommonOptions.h"
#include "cli/FileOptions.h"

#include <sstream>

namespace {

namespace cli = app::messages::cli;

constexpr CliArguments::Option Options[] = {
    {"load", true},        {"melody", true, true}, {"melody-file", true}, {"track", true},         {"notes", true},
    {"note-length", true}, {"pause-length", true}, {"json", false},       {"help", false},         {"midi", true},
    {"wav", true},         {"program", true},      {"part", true},        {"melody-notes", false},
#ifdef MELODYNET_CLI_PICTURES
    {"roll", true},
#endif
};

// The options of continue beyond those the subcommands share.
struct ContinueSettings {
    int64_t notes = -1; // none given: the session's default count
    app::MelodyPart part = app::MelodyPart::Whole;
};

int ReadSettings(const CliArguments& args, ContinueSettings& settings, std::ostream& err) {
    if (std::string error; !args.readInteger("notes", 0, INT32_MAX, settings.notes, error))
        return Fail(err, CliUsageError, cli::OfCommand("continue", error));
    if (const std::optional<std::string> named = args.text("part")) {
        if (*named == "beginning")
            settings.part = app::MelodyPart::Beginning;
        else if (*named == "continuation")
            settings.part = app::MelodyPart::Continuation;
        else if (*named != "whole")
            return Fail(err, CliUsageError, cli::OfCommand("continue", cli::BadPart));
    }
#ifdef MELODYNET_CLI_PICTURES
    return CheckPicturePath(args, "roll", "continue", err);
#else
    return CliSuccess;
#endif
}

// Draws the roll of --roll, when asked for; its path (or null) for the JSON.
int DrawRoll(const CliArguments& args, CliSession& session, const std::vector<uint8_t>& codes, nlohmann::json& rolled,
             std::ostream& err) {
#ifdef MELODYNET_CLI_PICTURES
    if (const std::optional<std::string> path = args.text("roll")) {
        // The loaded network's own view of the melody, scored once the continuation is written.
        const app::LearningReport scored = session->ScoreWindows();
        if (const std::string problem = WriteRoll(*path, *session, codes, scored, session.files()); !problem.empty())
            return Fail(err, CliFailure, problem);
        rolled = *path;
    }
#else
    (void)args, (void)session, (void)codes, (void)rolled, (void)err;
#endif
    return CliSuccess;
}

int Continue(const CliArguments& args, CliSession& session, const ContinueSettings& settings, std::ostream& out,
             std::ostream& err) {
    const int32_t requested =
        settings.notes < 0 ? session->defaultContinuationCount() : static_cast<int32_t>(settings.notes);
    const app::ContinuationResult result = session->Continue(requested, args.has("melody-notes"));
    if (result.failure)
        return Fail(err, result.failure);
    const std::vector<uint8_t>& codes = result.codes;
    if (result.shortened)
        Warn(err, app::messages::ContinuationShortened(static_cast<int32_t>(codes.size())));
    const std::string command = session->CommandText(app::MelodyPart::Continuation);
    nlohmann::json rolled;
    if (const int status = DrawRoll(args, session, codes, rolled, err); status != CliSuccess)
        return status;
    std::ostringstream exported;
    if (const int status = ExportPart(args, *session, settings.part, exported, err); status != CliSuccess)
        return status;
    if (args.has("json"))
        out << JsonText({{"codes", codes}, {"requested", requested}, {"command", command}, {"roll", rolled}}) << '\n';
    else
        out << result.text << '\n' << command << '\n' << exported.str();
    return CliSuccess;
}

} // namespace

int RunContinue(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    int status = CliSuccess;
    const std::optional<CliArguments> args =
        StartCommand(arguments, Options, "continue", cli::ContinueHelp(PicturesDrawn), out, err, status);
    if (!args)
        return status;
    ContinueSettings settings;
    CommonOptions common;
    if ((status = CommonOptions::RequireNetwork(*args, "continue", err)) != CliSuccess ||
        (status = ReadSettings(*args, settings, err)) != CliSuccess ||
        (status = common.read(*args, "continue", err)) != CliSuccess ||
        (status = FileOptions::OfExports(*args).refuse("continue", err)) != CliSuccess)
        return status;

    return Guarded(err, [&]() -> int {
        const std::unique_ptr<CliSession> session = common.open(err, status);
        return session ? Continue(*args, *session, settings, out, err) : status;
    });
}
