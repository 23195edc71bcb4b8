#pragma once

#include "app/Failure.h"
#include "app/Messages.h"
#include "cli/CliArguments.h"

#include <nlohmann/json.hpp>

#include <new>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// What every subcommand of melodynet-cli writes the same way: its exit
// status, its one-line messages on stderr, its JSON, its help and options.

// Exit statuses: success, failure at run time, bad command line.
inline constexpr int CliSuccess = 0;
inline constexpr int CliFailure = 1;
inline constexpr int CliUsageError = 2;
// A run stopped by Ctrl-C, as shells report a death by SIGINT.
inline constexpr int CliInterrupted = 130;

// Writes "melodynet-cli: `message`" as one line to `err` and returns `status`.
int Fail(std::ostream& err, int status, std::string_view message);

// Writes the failure's message to `err` and returns CliFailure.
int Fail(std::ostream& err, const app::Failure& failure);

// Writes a warning as one line to `err`.
void Warn(std::ostream& err, std::string_view message);

// A JSON value as the tool writes it: one line, texts not in UTF-8 replaced rather than refused.
std::string JsonText(const nlohmann::json& value);

// Prints `help` when an argument is --help or -h; true when it did.
bool AnswerHelp(const std::vector<std::string>& arguments, std::string_view help, std::ostream& out);

// Reads a subcommand's options; nullopt after telling `err` about a usage error.
std::optional<CliArguments> ParseOptions(const std::vector<std::string>& arguments,
                                         std::span<const CliArguments::Option> options, std::string_view command,
                                         std::ostream& err);

// AnswerHelp, else ParseOptions. nullopt when the command is done (help
// printed, or a usage error told), with its exit status in `status`.
std::optional<CliArguments> StartCommand(const std::vector<std::string>& arguments,
                                         std::span<const CliArguments::Option> options, std::string_view command,
                                         std::string_view help, std::ostream& out, std::ostream& err, int& status);

// Runs one subcommand body; running out of memory becomes a failure line.
template <class Body>
int Guarded(std::ostream& err, Body body) {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return Fail(err, CliFailure, app::messages::OutOfMemoryCommand);
    }
}
