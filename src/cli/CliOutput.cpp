#include "cli/CliOutput.h"

#include "app/Messages.h"

int Fail(std::ostream& err, int status, std::string_view message) {
    // One line, also for messages the window shows in several.
    std::string line(message);
    for (char& c : line)
        if (c == '\n')
            c = ' ';
    err << "melodynet-cli: " << line << '\n';
    return status;
}

int Fail(std::ostream& err, const app::Failure& failure) {
    return Fail(err, CliFailure, app::messages::Text(failure));
}

void Warn(std::ostream& err, std::string_view message) {
    Fail(err, CliSuccess, app::messages::cli::Warning + std::string(message));
}

std::string JsonText(const nlohmann::json& value) {
    // Paths typed by the user need not be UTF-8; they must not abort the output.
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

bool AnswerHelp(const std::vector<std::string>& arguments, std::string_view help, std::ostream& out) {
    for (const std::string& argument : arguments)
        if (argument == "--help" || argument == "-h") {
            out << help;
            return true;
        }
    return false;
}

std::optional<CliArguments> ParseOptions(const std::vector<std::string>& arguments,
                                         std::span<const CliArguments::Option> options, std::string_view command,
                                         std::ostream& err) {
    std::string error;
    std::optional<CliArguments> args = CliArguments::Parse(arguments, options, error);
    if (!args)
        Fail(err, CliUsageError, app::messages::cli::OfCommand(command, error));
    return args;
}

std::optional<CliArguments> StartCommand(const std::vector<std::string>& arguments,
                                         std::span<const CliArguments::Option> options, std::string_view command,
                                         std::string_view help, std::ostream& out, std::ostream& err, int& status) {
    status = CliSuccess;
    if (AnswerHelp(arguments, help, out))
        return std::nullopt;
    std::optional<CliArguments> args = ParseOptions(arguments, options, command, err);
    if (!args)
        status = CliUsageError;
    return args;
}
