#include "storage/NetworkFile.h"

#include "engine/FormulaLibrary.h"
#include "engine/mdMain.h"
#include "platform/DynamicLibrary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

std::vector<std::string> SplitLines(const std::string& text, const std::string& end)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t pos = text.find(end, start);
        if (pos == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, pos - start));
        start = pos + end.size();
    }
    return lines;
}

std::string JoinLines(const std::vector<std::string>& lines, const std::string& end)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + end;
    return text;
}

// A record of n inputs and h hidden neurons whose values are all different.
NetworkFile SampleRecord(int32_t n, int32_t h)
{
    NetworkFile network;
    network.InputCount = n;
    network.HiddenCount = h;
    network.Alpha = 1.5;
    network.LearnStep = .25;
    network.OutDisplacing = -.125;
    for (int32_t k = 0; k < h; ++k)
        network.OutWeights.push_back(.5 - k * .0625);
    for (int32_t k = 0; k < h; ++k) {
        NetworkFileHiddenNeuron hidden;
        hidden.Displacing = k * .03125;
        for (int32_t i = 0; i < n; ++i)
            hidden.Weights.push_back(-.375 + k * .25 + i * .015625);
        network.Hidden.push_back(hidden);
    }
    return network;
}

class NetworkFileWithEngine : public ::testing::Test {
protected:
    void SetUp() override
    {
        library_ = FormulaLibrary::loadFrom(platform::executableFolder());
    }

    // A built network like the window's first one, with reproducible weights.
    std::unique_ptr<mdMain> DefaultNetwork(uint64_t seed = 7)
    {
        auto state = std::make_unique<mdMain>(library_);
        state->InputCount = 8;
        state->HiddenCount = 3;
        state->Alpha = 1;
        state->LearnStep = 1;
        state->SetSeed(seed);
        state->CreateOutNeuron();
        state->CreateNS();
        state->NSChanged = false;
        return state;
    }

    std::shared_ptr<const FormulaLibrary> library_;
};

TEST_F(NetworkFileWithEngine, DefaultNetworkGives35CrLfLines)
{
    const auto state = DefaultNetwork();
    const std::string text = WriteNetworkFile(*state);

    const std::vector<std::string> lines = SplitLines(text, "\r\n");
    ASSERT_EQ(lines.size(), 35u);
    EXPECT_EQ(lines[0], " 8");
    EXPECT_EQ(lines[1], " 3");
    EXPECT_EQ(lines[2], " 1");
    EXPECT_EQ(lines[3], " 1");
    EXPECT_EQ(lines[4], " 0"); // a fresh network has zero biases
    EXPECT_EQ(text.size() >= 2 ? text.substr(text.size() - 2) : "", "\r\n");
    for (const std::string& line : lines)
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << "stray line end in «" << line << "»";
}

TEST_F(NetworkFileWithEngine, WriteReadApplyWriteIsIdentical)
{
    const auto saved = DefaultNetwork(11);
    const std::string first = WriteNetworkFile(*saved);

    const auto loaded = DefaultNetwork(99); // different weights to be overwritten
    const NetworkFileReading reading = ReadNetworkFile(first);
    ASSERT_TRUE(reading.network) << reading.message();
    ApplyNetworkFile(*loaded, *reading.network);

    EXPECT_EQ(WriteNetworkFile(*loaded), first);
}

TEST_F(NetworkFileWithEngine, OtherSizesRebuildTheNetwork)
{
    const NetworkFile record = SampleRecord(3, 5);
    const auto state = DefaultNetwork();
    const auto oldOut = state->OutNeuron;
    state->NSChanged = true;

    const NetworkFileReading reading = ReadNetworkFile(NetworkFileText(record));
    ASSERT_TRUE(reading.network) << reading.message();
    ApplyNetworkFile(*state, *reading.network);

    EXPECT_EQ(state->InputCount, 3);
    EXPECT_EQ(state->HiddenCount, 5);
    EXPECT_EQ(state->Alpha, 1.5);
    EXPECT_EQ(state->LearnStep, .25);
    EXPECT_TRUE(state->NSChanged) << "the flag belongs to the window's SetNewNS";
    ASSERT_EQ(state->InLayer.size(), 4u);
    ASSERT_EQ(state->HiddenLayer.size(), 6u);
    EXPECT_EQ(state->OutNeuron, oldOut);
    EXPECT_EQ(state->OutNeuron->Displacing(), -.125);
    for (int32_t k = 1; k <= 5; ++k) {
        EXPECT_EQ(state->OutNeuron->iWeight(k), record.OutWeights[k - 1]);
        EXPECT_EQ(state->HiddenLayer[k]->Displacing(), record.Hidden[k - 1].Displacing);
        for (int32_t i = 1; i <= 3; ++i)
            EXPECT_EQ(state->HiddenLayer[k]->iWeight(i), record.Hidden[k - 1].Weights[i - 1]);
    }
    EXPECT_EQ(NetworkFileOf(*state), record);
}

TEST_F(NetworkFileWithEngine, InconsistentRecordChangesNothing)
{
    const auto state = DefaultNetwork();
    const std::string before = WriteNetworkFile(*state);

    NetworkFile shortWeights = SampleRecord(3, 2);
    shortWeights.Hidden[1].Weights.pop_back();
    NetworkFile infinite = SampleRecord(3, 2);
    infinite.OutWeights[0] = INFINITY;
    NetworkFile tooSmall = SampleRecord(1, 2);
    for (const NetworkFile& bad : {shortWeights, infinite, tooSmall}) {
        EXPECT_THROW(ApplyNetworkFile(*state, bad), std::invalid_argument);
        EXPECT_EQ(WriteNetworkFile(*state), before);
    }
}

struct NumberCase {
    double value;
    const char* text;
};

class NumberForms : public ::testing::TestWithParam<NumberCase> {};

TEST_P(NumberForms, WrittenAndReadBack)
{
    NetworkFile record = SampleRecord(2, 1);
    record.Alpha = GetParam().value;
    const std::string text = NetworkFileText(record);
    EXPECT_EQ(SplitLines(text, "\r\n").at(2), GetParam().text);

    const NetworkFileReading reading = ReadNetworkFile(text);
    ASSERT_TRUE(reading.network) << reading.message();
    const double read = reading.network->Alpha;
    EXPECT_NEAR(read, GetParam().value, std::fabs(GetParam().value) * 1e-14);
    // Once rounded to 15 digits, a value survives further round trips exactly.
    EXPECT_EQ(NetworkFileText(*reading.network), text);
}

INSTANTIATE_TEST_SUITE_P(Table, NumberForms,
    ::testing::Values(NumberCase{8, " 8"}, NumberCase{1, " 1"}, NumberCase{0, " 0"}, NumberCase{.5, " .5"},
                      NumberCase{-.25, "-.25"}, NumberCase{-3, "-3"}, NumberCase{1e-20, " 1E-20"},
                      NumberCase{1.5e-7, " 1.5E-07"}, NumberCase{123456789012345.0, " 123456789012345"},
                      NumberCase{0.1 + 0.2, " .3"}, NumberCase{2.0 / 3.0, " .666666666666667"},
                      NumberCase{-1234567.891234567, "-1234567.89123457"}, NumberCase{-1e300, "-1E+300"},
                      // 15 digits round the largest double up; the text still reads back as it.
                      NumberCase{-1.7976931348623157e308, "-1.79769313486232E+308"}));

struct ReadCase {
    const char* text;
    double value;
};

class NumberReading : public ::testing::TestWithParam<ReadCase> {};

TEST_P(NumberReading, AcceptedForms)
{
    std::vector<std::string> lines = SplitLines(NetworkFileText(SampleRecord(2, 1)), "\r\n");
    lines[3] = GetParam().text;
    const NetworkFileReading reading = ReadNetworkFile(JoinLines(lines, "\r\n"));
    ASSERT_TRUE(reading.network) << reading.message();
    EXPECT_EQ(reading.network->LearnStep, GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Table, NumberReading,
    ::testing::Values(ReadCase{" .5", .5}, ReadCase{"0.5", .5}, ReadCase{"  0.5\t ", .5}, ReadCase{"-0.25", -.25},
                      ReadCase{"-.25", -.25}, ReadCase{"1.5E-07", 1.5e-7}, ReadCase{"1.5e-7", 1.5e-7},
                      ReadCase{"2E+3", 2000}, ReadCase{"12", 12}, ReadCase{"12.", 12}));

struct BrokenCase {
    const char* name;
    std::string text;
    int64_t line;
    const char* reasonPart;
};

std::string Lines(std::initializer_list<const char*> lines)
{
    std::string text;
    for (const char* line : lines)
        text += std::string(line) + "\r\n";
    return text;
}

std::string SampleWithLine(size_t index, const char* replacement)
{
    std::vector<std::string> lines = SplitLines(NetworkFileText(SampleRecord(2, 1)), "\r\n");
    lines.at(index) = replacement;
    return JoinLines(lines, "\r\n");
}

class BrokenFiles : public ::testing::TestWithParam<BrokenCase> {};

TEST_P(BrokenFiles, ReportLineAndReason)
{
    const NetworkFileReading reading = ReadNetworkFile(GetParam().text);
    ASSERT_FALSE(reading.network);
    EXPECT_EQ(reading.errorLine, GetParam().line) << reading.message();
    EXPECT_NE(reading.errorReason.find(GetParam().reasonPart), std::string::npos) << reading.message();
    EXPECT_EQ(reading.message().rfind("Строка " + std::to_string(GetParam().line) + ": ", 0), 0u);
}

// The sample record of 2 inputs and 1 hidden neuron has 9 lines.
INSTANTIATE_TEST_SUITE_P(Table, BrokenFiles,
    ::testing::Values(
        BrokenCase{"Empty", "", 1, "обрывается"},
        BrokenCase{"OnlyCounts", Lines({" 2", " 1"}), 3, "нужно строк — 9, а в файле только 2"},
        BrokenCase{"Letters", SampleWithLine(4, "abc"), 5, "не является числом"},
        BrokenCase{"EmptyLine", SampleWithLine(6, ""), 7, "не является числом"},
        BrokenCase{"TwoNumbers", SampleWithLine(5, "1 2"), 6, "не является числом"},
        BrokenCase{"DecimalComma", SampleWithLine(2, "0,5"), 3, "не является числом"},
        BrokenCase{"Overflow", SampleWithLine(3, "1e999"), 4, "не является числом"},
        BrokenCase{"NaN", SampleWithLine(2, "NaN"), 3, "не является числом"},
        BrokenCase{"Inf", SampleWithLine(2, "inf"), 3, "не является числом"},
        BrokenCase{"InputOne", SampleWithLine(0, " 1"), 1, "не меньше 2"},
        BrokenCase{"InputNegative", SampleWithLine(0, "-8"), 1, "не меньше 2"},
        BrokenCase{"HiddenZero", SampleWithLine(1, " 0"), 2, "хотя бы 1"},
        BrokenCase{"FractionalCount", SampleWithLine(0, "2.5"), 1, "целым"},
        BrokenCase{"FractionalHidden", SampleWithLine(1, "1E-3"), 2, "целым"},
        BrokenCase{"HugeLayer", Lines({"5000000", "1"}), 1, "слишком много входных"},
        BrokenCase{"HugeHiddenLayer", Lines({"2", "1E15"}), 2, "слишком много скрытых"},
        BrokenCase{"HugeShape", Lines({"100000", "1000"}), 2, "слишком велика"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NetworkFileReader, LineEndsBlanksAndSurplusLines)
{
    const NetworkFile record = SampleRecord(3, 2);
    const std::vector<std::string> lines = SplitLines(NetworkFileText(record), "\r\n");

    std::string padded;
    for (const std::string& line : lines)
        padded += "  " + line + " \t\r\n";
    std::string noFinalEnd = JoinLines(lines, "\n");
    noFinalEnd.pop_back();

    const std::vector<std::string> variants = {
        JoinLines(lines, "\n"),
        JoinLines(lines, "\r\n") + "surplus\r\nlines\r\n",
        JoinLines(lines, "\r\n") + "\r\n\r\n",
        padded,
        noFinalEnd,
    };
    for (const std::string& text : variants) {
        const NetworkFileReading reading = ReadNetworkFile(text);
        ASSERT_TRUE(reading.network) << reading.message();
        EXPECT_EQ(*reading.network, record);
    }
}

TEST(NetworkFileReader, LineCountFollowsTheShape)
{
    for (auto [n, h] : {std::pair{2, 1}, {8, 3}, {5, 7}}) {
        const std::string text = NetworkFileText(SampleRecord(n, h));
        EXPECT_EQ(static_cast<int64_t>(SplitLines(text, "\r\n").size()), NetworkFileLineCount(n, h));
        EXPECT_TRUE(ReadNetworkFile(text).network);
        // One line less is always an error at the missing line.
        const NetworkFileReading cut = ReadNetworkFile(text.substr(0, text.rfind("\r\n", text.size() - 3) + 2));
        EXPECT_EQ(cut.errorLine, NetworkFileLineCount(n, h));
    }
}

TEST(NetworkFileExtension, AppendedOnlyWithoutAnyDot)
{
    const std::pair<std::string, std::string> cases[] = {
        {"/home/user/net", "/home/user/net.qvl"},
        {"net", "net.qvl"},
        {"/home/user/net.qvl", "/home/user/net.qvl"},
        {"/home/user/net.txt", "/home/user/net.txt"},
        {"/home/user.name/net", "/home/user.name/net"},
        {"./net", "./net"},
        {"net.", "net."},
    };
    for (const auto& [path, expected] : cases)
        EXPECT_EQ(WithNetworkExtension(path), expected) << path;
}

} // namespace
