#pragma once

#include <ostream>
#include <string>
#include <vector>

// The subcommands of melodynet-cli. Each takes the arguments after its own
// name, writes its results to `out` and one-line messages to `err`, and
// returns the exit status.

// Exit statuses: success, failure at run time, bad command line.
inline constexpr int CliSuccess = 0;
inline constexpr int CliFailure = 1;
inline constexpr int CliUsageError = 2;
// A run stopped by Ctrl-C, as shells report a death by SIGINT.
inline constexpr int CliInterrupted = 130;

// Dispatches on the first argument (the subcommand); no subcommand or an
// unknown one is a usage error, "--help" prints the overview.
int RunCli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

// Trains a fresh or loaded network on a melody, click by click, and may save it.
int RunTrain(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

// Prints the code of the note that a loaded network predicts after the melody.
int RunPredict(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

// Prints a loaded network's continuation of the melody and its play-command text.
int RunContinue(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

// Prints the play-command text of the melody.
int RunCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

// Plays the melody through the player, or renders it into a WAV file.
int RunPlay(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
