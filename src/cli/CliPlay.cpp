#include "cli/CliPlay.h"

#include "app/Messages.h"
#include "cli/CliExports.h"
#include "cli/CliOutput.h"
#include "cli/CommonOptions.h"
#include "cli/FileOptions.h"

namespace {

constexpr CliArguments::Option Options[] = {
    {"melody", true, true}, {"melody-file", true}, {"track", true},   {"note-length", true}, {"pause-length", true},
    {"wav", true},          {"midi", true},        {"program", true}, {"help", false},
};

} // namespace

int RunPlay(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    int status = CliSuccess;
    const std::optional<CliArguments> args =
        StartCommand(arguments, Options, "play", app::messages::cli::PlayHelp(), out, err, status);
    CommonOptions common;
    if (!args || (status = common.read(*args, "play", err)) != CliSuccess ||
        (status = FileOptions::OfExports(*args).refuse("play", err)) != CliSuccess)
        return status;

    return Guarded(err, [&]() -> int {
        const std::unique_ptr<CliSession> session = common.open(err, status);
        if (!session)
            return status;
        if (args->has("wav") || args->has("midi"))
            return ExportPart(*args, **session, app::MelodyPart::Beginning, out, err);
        const app::PlayingResult result = (*session)->Play(app::MelodyPart::Beginning);
        if (result.failure)
            return Fail(err, result.failure);
        out << app::messages::cli::PlayerStarted(result.commandFile) << '\n';
        return CliSuccess;
    });
}
