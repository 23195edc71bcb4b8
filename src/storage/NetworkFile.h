#pragma once

#include "engine/mdMain.h"
#include "platform/FileSystem.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The network file: plain text, one number per line, CR LF line ends.
//   1            InputCount (n)
//   2            HiddenCount (h)
//   3            Alpha
//   4            LearnStep
//   5            Displacing of the output neuron
//   6 .. 5+h     iWeight 1..h of the output neuron
//   then per hidden neuron k = 1..h: its Displacing, then its iWeight 1..n
// 5 + 2h + h*n lines in all; lines after those are ignored when reading.
//
// Loading, as the window does it:
//   1. ReadNetworkFile (or ReadNetworkFileAt) checks the whole file; on an
//      error show it and stop: nothing has changed.
//   2. SetNewNS(false).
//   3. ApplyNetworkFile(state, record).
//   4. Field texts: LearnStep, Alpha, InputCount, then the hidden count of
//      the record (not HiddenCount, which the input field's handling resets).
//   5. NSTrained = true.
// Saving: WithNetworkExtension on the chosen path, the rebuild protocol when
// NSChanged is set, then SaveNetworkFile.

// The hidden neuron's values as stored in a network file.
struct NetworkFileHiddenNeuron {
    double Displacing = 0.0;
    std::vector<double> Weights; // iWeight 1..n at positions 0..n-1

    bool operator==(const NetworkFileHiddenNeuron&) const = default;
};

// Everything a network file holds, in memory.
struct NetworkFile {
    int32_t InputCount = 0;
    int32_t HiddenCount = 0;
    double Alpha = 0.0;
    double LearnStep = 0.0;
    double OutDisplacing = 0.0;
    std::vector<double> OutWeights;              // iWeight 1..h at positions 0..h-1
    std::vector<NetworkFileHiddenNeuron> Hidden; // hidden neurons 1..h at positions 0..h-1

    bool operator==(const NetworkFile&) const = default;
};

// Outcome of reading a network file: the record, or where and why it is broken.
struct NetworkFileReading {
    std::optional<NetworkFile> network; // set when the file is sound
    int64_t errorLine = 0;              // 1-based line of the problem, 0 when sound
    std::string errorReason;            // Russian reason, empty when sound

    // "Строка N: <reason>", or empty when sound.
    std::string message() const;
};

// Lowest counts a network file may carry (those of the parameter fields).
constexpr int32_t MinNetworkInputCount = 2;
constexpr int32_t MinNetworkHiddenCount = 1;

// Number of lines a network file of these counts has: 5 + 2h + h*n.
int64_t NetworkFileLineCount(int32_t inputCount, int32_t hiddenCount);

// Why a record cannot be applied (counts out of range, shape too large,
// vector sizes that do not match the counts, a value that is not finite),
// or nullopt when it can.
std::optional<std::string> NetworkFileProblem(const NetworkFile& network);

// The record of the built network of `state` (NSChanged false). Throws
// std::logic_error when the layers do not match InputCount and HiddenCount.
NetworkFile NetworkFileOf(const mdMain& state);

// The file text of a record, each number through FileNumberText, CR LF ends.
std::string NetworkFileText(const NetworkFile& network);

// The file text of the built network of `state`: NetworkFileText(NetworkFileOf(state)).
std::string WriteNetworkFile(const mdMain& state);

// Reads and checks a whole network file (CR LF or LF line ends, blanks
// around numbers, "." as the point). Never touches any network state.
NetworkFileReading ReadNetworkFile(std::string_view text);

// Reads the file at `path` through `files` and checks it; a file that cannot
// be read gives errorLine 0 with the system's reason in errorReason.
NetworkFileReading ReadNetworkFileAt(const platform::FileSystem& files, const std::string& path);

// Writes the built network of `state` to `path` through a temporary file, so
// a failed save leaves an existing file intact; false and `error` on failure,
// also (without writing) when NetworkFileProblem finds a value the reader
// would refuse.
bool SaveNetworkFile(platform::FileSystem& files, const std::string& path, const mdMain& state, std::string& error);

// Puts a checked record into `state`: the four parameters, CreateNS (whatever
// NSChanged is), then the biases and weights through the neurons' properties
// in file order. Needs the output neuron (CreateOutNeuron). Does not touch
// NSChanged. Throws std::invalid_argument, with `state` unchanged, when
// NetworkFileProblem reports a problem; when the build itself fails
// (FormulaLibraryError, std::bad_alloc) the four parameters are restored,
// NSChanged is set so the next use rebuilds, and the error propagates.
void ApplyNetworkFile(mdMain& state, const NetworkFile& network);

// The save path with ".qvl" appended when it contains no "." anywhere
// (folder names included); otherwise the path unchanged.
std::string WithNetworkExtension(std::string path);
