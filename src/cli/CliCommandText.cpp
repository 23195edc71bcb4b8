#include "cli/CliCommandText.h"

#include "app/Messages.h"
#include "cli/CliOutput.h"
#include "cli/CommonOptions.h"

namespace {

constexpr CliArguments::Option Options[] = {
    {"melody", true, true}, {"melody-file", true},  {"track", true},
    {"note-length", true},  {"pause-length", true}, {"help", false},
};

} // namespace

int RunCommandText(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    int status = CliSuccess;
    const std::optional<CliArguments> args =
        StartCommand(arguments, Options, "command", app::messages::cli::CommandHelp(), out, err, status);
    CommonOptions common;
    if (!args || (status = common.read(*args, "command", err)) != CliSuccess)
        return status;

    return Guarded(err, [&]() -> int {
        const std::unique_ptr<CliSession> session = common.open(err, status);
        if (session)
            out << (*session)->CommandText(app::MelodyPart::Beginning) << '\n';
        return status;
    });
}
