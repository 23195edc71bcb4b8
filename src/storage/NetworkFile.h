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
// 5 + 2h + h*n lines in all, each with its line end; lines after those
// are ignored when reading.
//
// Loading, as the window does it:
//   1. ReadNetworkFile (or ReadNetworkFileAt) checks the whole file; on a
//      failure show it and stop: nothing has changed.
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

// Why a network file or record is refused.
enum class NetworkFileError {
    Unreadable,      // the file cannot be read (systemReason says why)
    NotWritten,      // the file cannot be written (systemReason says why)
    TooLarge,        // the file is larger than any network we build could need
    Truncated,       // fewer lines than the counts require
    Unterminated,    // a line the counts require has no line end: the file was cut inside it
    NotANumber,      // a line that is not a number, or one beyond a double
    FractionalCount, // a count with a fractional part
    TooFewInputs,    // input count below MinNetworkInputCount
    TooManyInputs,   // input count above mdMain::MaxLayerNeurons
    TooFewHidden,    // hidden count below MinNetworkHiddenCount
    TooManyHidden,   // hidden count above mdMain::MaxLayerNeurons
    TooManyWeights,  // more than mdMain::MaxWeights weights
    WrongSizes,      // a record whose vectors do not match its counts
    NotFinite,       // an infinite or NaN value in a record
};

// Where and why a network file or record is refused.
struct NetworkFileFailure {
    NetworkFileError error = NetworkFileError::Unreadable;
    int64_t line = 0;         // 1-based line of the problem, 0 when not tied to a line
    int64_t value = 0;        // the offending count, or the lines the counts require (Truncated)
    int64_t linesFound = 0;   // lines the file has (Truncated)
    std::string systemReason; // the system's reason (Unreadable, NotWritten)
};

// What the network file's operations return: their value, or where and why they failed.
template <class T = void>
using NetworkFileResult = base::Result<T, NetworkFileFailure>;

// Lowest counts a network file may carry (those of the parameter fields).
constexpr int32_t MinNetworkInputCount = 2;
constexpr int32_t MinNetworkHiddenCount = 1;

// Number of lines a network file of these counts has: 5 + 2h + h*n.
int64_t NetworkFileLineCount(int32_t inputCount, int32_t hiddenCount);

// Whether a record can be applied: fails with the counts out of range, a
// shape too large, vector sizes that do not match the counts or a value that
// is not finite.
NetworkFileResult<> CheckNetworkFile(const NetworkFile& network);

// The record of the built network of `state` (NSChanged false). Throws
// std::logic_error when the layers do not match InputCount and HiddenCount.
NetworkFile NetworkFileOf(const mdMain& state);

// The file text of a record, each number through FileNumberText, CR LF ends.
std::string NetworkFileText(const NetworkFile& network);

// The file text of the built network of `state`: NetworkFileText(NetworkFileOf(state)).
std::string WriteNetworkFile(const mdMain& state);

// Reads and checks a whole network file (CR LF or LF line ends, blanks
// around numbers, "." as the point, a UTF-8 byte-order mark at the start). Never touches any network state.
NetworkFileResult<NetworkFile> ReadNetworkFile(std::string_view text);

// Largest network file we read: the text of the largest network we build,
// at the longest number form, with room to spare.
inline constexpr int64_t MaxNetworkFileBytes = 32 * (mdMain::MaxWeights + 2 * mdMain::MaxLayerNeurons + 5);

// Reads the file at `path` through `files` and checks it; a file that cannot
// be read gives Unreadable with the system's reason, one beyond
// MaxNetworkFileBytes TooLarge (without reading it whole).
NetworkFileResult<NetworkFile> ReadNetworkFileAt(const platform::FileSystem& files, const std::string& path);

// Writes the built network of `state` to `path` through a temporary file, so
// a failed save leaves an existing file intact. Fails with NotFinite
// (nothing written: the reader would refuse the file), or NotWritten with
// the system's reason.
NetworkFileResult<> SaveNetworkFile(platform::FileSystem& files, const std::string& path, const mdMain& state);

// Puts a checked record into `state`: the four parameters, CreateNS (whatever
// NSChanged is), then the biases and weights in file order. Needs the output
// neuron (CreateOutNeuron). Does not touch NSChanged. Fails, with `state`
// unchanged, when CheckNetworkFile does; when the build
// runs out of memory the four parameters are restored, NSChanged is set so
// the next use rebuilds, and std::bad_alloc propagates.
NetworkFileResult<> ApplyNetworkFile(mdMain& state, const NetworkFile& network);

// The save path with ".qvl" appended when it contains no "." anywhere
// (folder names included); otherwise the path unchanged.
std::string WithNetworkExtension(std::string path);
