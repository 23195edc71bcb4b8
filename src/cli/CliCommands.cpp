#include "cli/CliCommands.h"

#include "app/Messages.h"
#include "cli/CliCommandText.h"
#include "cli/CliContinue.h"
#include "cli/CliPlay.h"
#include "cli/CliPredict.h"
#include "cli/CliTracks.h"
#include "cli/CliTrain.h"

#include <string_view>

namespace {

using Subcommand = int (*)(const std::vector<std::string>&, std::ostream&, std::ostream&);

constexpr std::pair<std::string_view, Subcommand> Subcommands[] = {
    {"train", RunTrain},         {"predict", RunPredict}, {"continue", RunContinue},
    {"command", RunCommandText}, {"play", RunPlay},       {"tracks", RunTracks},
};

} // namespace

int RunCli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    namespace cli = app::messages::cli;
    if (arguments.empty())
        return Fail(err, CliUsageError, cli::NoCommand);
    const std::string& command = arguments.front();
    if (command == "--help" || command == "-h" || command == "help") {
        out << cli::Usage;
        return CliSuccess;
    }
    for (const auto& [name, run] : Subcommands)
        if (command == name)
            return run({arguments.begin() + 1, arguments.end()}, out, err);
    return Fail(err, CliUsageError, cli::UnknownCommand(command));
}
