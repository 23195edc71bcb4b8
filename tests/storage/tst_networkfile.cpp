#include "storage/NetworkFile.h"

#include "engine/EngineTest.h"
#include "support/PlatformFakes.h"

#include <cmath>

namespace {

const std::string Bom = "\xEF\xBB\xBF";

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    for (size_t start = 0, pos; start < text.size(); start = pos + 2) {
        pos = std::min(text.find("\r\n", start), text.size());
        lines.push_back(text.substr(start, pos - start));
    }
    return lines;
}

std::string JoinLines(const std::vector<std::string>& lines, const std::string& end = "\r\n") {
    std::string text;
    for (const std::string& line : lines)
        text += line + end;
    return text;
}

// A record of n inputs and h hidden neurons whose values are all different.
NetworkFile SampleRecord(int32_t n, int32_t h) {
    NetworkFile network{n, h, 1.5, .25, -.125, {}, {}};
    for (int32_t k = 0; k < h; ++k) {
        network.OutWeights.push_back(.5 - k * .0625);
        network.Hidden.push_back({k * .03125, {}});
        for (int32_t i = 0; i < n; ++i)
            network.Hidden.back().Weights.push_back(-.375 + k * .25 + i * .015625);
    }
    return network;
}

// The sample record of 2 inputs and 1 hidden neuron (9 lines) with line `index` replaced.
std::string SampleWithLine(size_t index, const std::string& replacement) {
    std::vector<std::string> lines = SplitLines(NetworkFileText(SampleRecord(2, 1)));
    lines.at(index) = replacement;
    return JoinLines(lines);
}

// Networks are the 8-3 ones like the window's first, with reproducible weights.
using NetworkFileTest = EngineTest;

TEST_F(NetworkFileTest, DefaultNetworkSavesLoadsAndSavesTheSame) {
    const std::string first = WriteNetworkFile(*network(8, 3, 11));
    const std::vector<std::string> lines = SplitLines(first);
    ASSERT_EQ(lines.size(), 35u);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 5),
              (std::vector<std::string>{" 8", " 3", " 1", " 1", " 0"}));
    EXPECT_EQ(JoinLines(lines), first); // CR LF after every line, the last one too

    const auto loaded = network(8, 3, 99); // different weights to be overwritten
    ASSERT_TRUE(ApplyNetworkFile(*loaded, ReadNetworkFile(first).value()));
    EXPECT_EQ(WriteNetworkFile(*loaded), first);
}

TEST_F(NetworkFileTest, OtherSizesRebuildTheNetwork) {
    const NetworkFile record = SampleRecord(8, 5);
    const auto state = network(8, 3, 7);
    const auto oldOut = state->OutNeuron;
    state->NSChanged = true;
    ASSERT_TRUE(ApplyNetworkFile(*state, ReadNetworkFile(NetworkFileText(record)).value()));
    EXPECT_TRUE(state->NSChanged) << "the flag belongs to the window's SetNewNS";
    ASSERT_EQ(state->HiddenLayer.size(), 6u);
    EXPECT_EQ(state->OutNeuron, oldOut);
    EXPECT_EQ(state->OutNeuron->Displacing(), -.125);
    EXPECT_EQ(state->HiddenLayer[5]->iWeight(8), record.Hidden[4].Weights[7]);
    EXPECT_EQ(NetworkFileOf(*state), record);

    NetworkFile shortWeights = SampleRecord(3, 2), infinite = SampleRecord(3, 2);
    shortWeights.Hidden[1].Weights.pop_back();
    infinite.OutWeights[0] = INFINITY;
    using enum NetworkFileError;
    for (const auto& [bad, error] :
         {std::pair{shortWeights, WrongSizes}, {infinite, NotFinite}, {SampleRecord(1, 2), TooFewInputs}}) {
        EXPECT_EQ(ApplyNetworkFile(*state, bad).error().error, error);
        EXPECT_EQ(NetworkFileOf(*state), record);
    }
}

TEST_F(NetworkFileTest, BrokenFilesReportLineAndReason) {
    using enum NetworkFileError;
    // file text, line, problem, the count or the lines required; a byte-order mark only at the start
    // clang-format off
    const std::tuple<std::string, int64_t, std::optional<NetworkFileError>, int64_t> cases[] = {
        {"", 1, Truncated, 0}, {" 2\r\n 1", 2, Unterminated, 0},
        {SampleWithLine(4, "0.5") + "surplus", 0, std::nullopt, 0}, {" 2\r\n 1\r\n", 3, Truncated, 9},
        {SampleWithLine(4, "abc"), 5, NotANumber, 0}, {SampleWithLine(6, ""), 7, NotANumber, 0},
        {SampleWithLine(5, "1 2"), 6, NotANumber, 0}, {SampleWithLine(2, "0,5"), 3, NotANumber, 0},
        {SampleWithLine(3, "1e999"), 4, NotANumber, 0}, {SampleWithLine(2, "NaN"), 3, NotANumber, 0},
        {SampleWithLine(2, Bom + "0.5"), 3, NotANumber, 0}, {Bom, 1, Truncated, 0},
        {SampleWithLine(0, " 1"), 1, TooFewInputs, 1}, {SampleWithLine(1, " 0"), 2, TooFewHidden, 0},
        {SampleWithLine(0, "2.5"), 1, FractionalCount, 0}, {SampleWithLine(1, "1E-3"), 2, FractionalCount, 0},
        {"5000000\r\n1\r\n", 1, TooManyInputs, 5000000}, {"2\r\n1E15\r\n", 2, TooManyHidden, INT32_MAX},
        {"100000\r\n1000\r\n", 2, TooManyWeights, 100000000}};
    // clang-format on
    for (const auto& [text, line, error, value] : cases) {
        const NetworkFileResult<NetworkFile> reading = ReadNetworkFile(text);
        ASSERT_EQ(reading.ok(), !error) << text;
        if (reading)
            continue;
        EXPECT_EQ(std::tuple(std::optional(reading.error().error), reading.error().line, reading.error().value),
                  std::tuple(error, line, value))
            << text;
    }
    EXPECT_EQ(ReadNetworkFile(" 2\r\n 1\r\n").error().linesFound, 2);
}

TEST_F(NetworkFileTest, LineEndsBlanksAndSurplusLines) {
    const NetworkFile record = SampleRecord(3, 2);
    const std::vector<std::string> lines = SplitLines(NetworkFileText(record));
    ASSERT_EQ(static_cast<int64_t>(lines.size()), NetworkFileLineCount(3, 2));
    std::string padded;
    for (const std::string& line : lines)
        padded += "  " + line + " \t\r\n";
    for (const std::string& text : {JoinLines(lines, "\n"), JoinLines(lines) + "surplus\r\nlines\r\n", padded,
                                    Bom + JoinLines(lines), Bom + padded})
        EXPECT_EQ(ReadNetworkFile(text).value(), record);
    // One line less is an error at the missing line.
    const std::vector<std::string> cut(lines.begin(), lines.end() - 1);
    EXPECT_EQ(ReadNetworkFile(JoinLines(cut)).error().line, NetworkFileLineCount(3, 2));
}

// A saved file cut at any byte never loads; cut inside its last line, it is
// refused at that line, even where the rest is still a number.
TEST_F(NetworkFileTest, CutFilesNeverLoad) {
    const std::string file = NetworkFileText(SampleRecord(3, 2));
    const int64_t last = NetworkFileLineCount(3, 2);
    for (size_t size = 0; size < file.size(); ++size) {
        const NetworkFileResult<NetworkFile> reading = ReadNetworkFile(std::string_view(file).substr(0, size));
        ASSERT_FALSE(reading) << size;
        if (size + 2 >= file.size()) {
            EXPECT_EQ(std::pair(reading.error().error, reading.error().line),
                      std::pair(NetworkFileError::Unterminated, last))
                << size;
        }
    }
    EXPECT_TRUE(ReadNetworkFile(file));
}

// Files are read with the network file's size limit, and its refusals reach the caller as data.
TEST_F(NetworkFileTest, ReadThroughTheFileSystem) {
    struct Files : MemoryFileSystem {
        mutable uint64_t limit = 0;
        bool tooLarge = false;
        platform::FileResult<std::string> readFile(const std::string& path, uint64_t maxBytes) const override {
            limit = maxBytes;
            if (tooLarge)
                return base::Fail(platform::FileFailure{platform::FileError::TooLarge, {}});
            return MemoryFileSystem::readFile(path, maxBytes);
        }
    } files;
    files.files["/n.qvl"] = NetworkFileText(SampleRecord(2, 1));
    EXPECT_TRUE(ReadNetworkFileAt(files, "/n.qvl"));
    EXPECT_EQ(files.limit, static_cast<uint64_t>(MaxNetworkFileBytes));
    const NetworkFileFailure missing = ReadNetworkFileAt(files, "/none.qvl").error();
    EXPECT_EQ(missing.error, NetworkFileError::Unreadable);
    EXPECT_EQ(missing.systemReason, "no such file");
    files.tooLarge = true;
    EXPECT_EQ(ReadNetworkFileAt(files, "/n.qvl").error().error, NetworkFileError::TooLarge);
    files.failWrites = true;
    const NetworkFileFailure unsaved = SaveNetworkFile(files, "/n.qvl", *network(8, 3, 3)).error();
    EXPECT_EQ(unsaved.error, NetworkFileError::NotWritten); // a failed write is no failed read
    EXPECT_EQ(unsaved.systemReason, "disk full");
}

TEST_F(NetworkFileTest, ExtensionOnlyForPathsWithoutAnyDot) {
    const std::pair<std::string, std::string> cases[] = {{"/home/user/net", "/home/user/net.qvl"},
                                                         {"/home/user/net.txt", "/home/user/net.txt"},
                                                         {"/home/user.name/net", "/home/user.name/net"},
                                                         {"net.", "net."}};
    for (const auto& [path, expected] : cases)
        EXPECT_EQ(WithNetworkExtension(path), expected) << path;
}

} // namespace
