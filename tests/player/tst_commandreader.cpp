#include "player/CommandReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Note code of "o<octave> <semitone>", as the melody side counts it.
double Code(int code)
{
    return CommandReader::codeFrequency(code);
}

struct EventRow {
    const char* name;
    std::string text;
    std::vector<PlayEvent> events;
};

class ReaderEvents : public testing::TestWithParam<EventRow> {};

TEST_P(ReaderEvents, FrequenciesAndDurations)
{
    const ReadResult result = CommandReader::read(GetParam().text);
    EXPECT_TRUE(result.errors.empty()) << result.errors.front().message;
    const std::vector<PlayEvent>& expected = GetParam().events;
    ASSERT_EQ(result.events.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR(result.events[i].frequency, expected[i].frequency, 1e-9) << "event " << i;
        EXPECT_NEAR(result.events[i].seconds, expected[i].seconds, 1e-12) << "event " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ReaderEvents,
    testing::Values(
        EventRow{"Empty", "", {}},
        EventRow{"BlanksAndLineEnd", "  \r\n", {}},
        EventRow{"DefaultsQuarterAtTempo120MiddleOctave", "a", {{440.0, 0.5}}},
        EventRow{"MiddleC", "o3 c", {{Code(26), 0.5}}},
        EventRow{"LowestMelodyNote", "l8 o1 c", {{Code(2), 0.25}}},
        EventRow{"SharpPlusFlat", "o1 c# c+ d-", {{Code(3), 0.5}, {Code(3), 0.5}, {Code(3), 0.5}}},
        EventRow{"FlatOfC", "o2 c-", {{Code(13), 0.5}}},
        EventRow{"CaseInsensitive", "L8 O1 C#", {{Code(3), 0.25}}},
        EventRow{"NoteLengthOverridesOnce", "l8 c16 c", {{Code(26), 0.125}, {Code(26), 0.25}}},
        EventRow{"Dot", "c.", {{Code(26), 0.75}}},
        EventRow{"TwoDots", "c4..", {{Code(26), 0.875}}},
        EventRow{"Tempo", "t60 c", {{Code(26), 1.0}}},
        EventRow{"WholeNote", "l1 c", {{Code(26), 2.0}}},
        EventRow{"PauseAndRest", "l8 p8 r4 p", {{0.0, 0.25}, {0.0, 0.5}, {0.0, 0.25}}},
        EventRow{"DottedPause", "p4.", {{0.0, 0.75}}},
        EventRow{"OctaveUpDown", "o2 c > c < < c", {{Code(14), 0.5}, {Code(26), 0.5}, {Code(2), 0.5}}},
        EventRow{"NoBlanksNeeded", "o1c#f#", {{Code(3), 0.5}, {Code(8), 0.5}}},
        EventRow{"DefaultMelodyStart", "l8 o1 c# f# a p8 f#",
                 {{Code(3), 0.25}, {Code(8), 0.25}, {Code(11), 0.25}, {0.0, 0.25}, {Code(8), 0.25}}},
        EventRow{"TwoLengthTokens", "l8 o1 c l16 o1 c", {{Code(2), 0.25}, {Code(2), 0.125}}},
        EventRow{"HighOctave", "o22 c#", {{Code(255), 0.5}}}),
    [](const testing::TestParamInfo<EventRow>& info) { return std::string(info.param.name); });

TEST(CodeFrequency, ConcertPitchAndOctaves)
{
    EXPECT_DOUBLE_EQ(CommandReader::codeFrequency(35), 440.0);
    EXPECT_DOUBLE_EQ(CommandReader::codeFrequency(47), 880.0);
    EXPECT_NEAR(CommandReader::codeFrequency(26), 261.6256, 1e-4);
}

struct ErrorRow {
    const char* name;
    std::string text;
    std::vector<size_t> columns;
    size_t events;
};

class ReaderErrors : public testing::TestWithParam<ErrorRow> {};

TEST_P(ReaderErrors, ReportedWithColumnAndSkipped)
{
    const ReadResult result = CommandReader::read(GetParam().text);
    std::vector<size_t> columns;
    for (const ReaderError& e : result.errors) {
        columns.push_back(e.column);
        EXPECT_FALSE(e.message.empty());
    }
    EXPECT_EQ(columns, GetParam().columns);
    EXPECT_EQ(result.events.size(), GetParam().events);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ReaderErrors,
    testing::Values(ErrorRow{"UnknownLetter", "c x d", {3}, 2},
                    ErrorRow{"UnknownSigns", "c;d,e", {2, 4}, 3},
                    ErrorRow{"LengthWithoutNumber", "l c", {1}, 1},
                    ErrorRow{"LengthZero", "l0 c", {1}, 1},
                    ErrorRow{"LengthTooLarge", "c l65 c", {3}, 2},
                    ErrorRow{"NoteLengthOutOfRange", "c0 c99 d", {1, 4}, 1},
                    ErrorRow{"OctaveOutOfRange", "o23 c", {1}, 1},
                    ErrorRow{"TempoOutOfRange", "t10 c t999 c", {1, 7}, 2},
                    ErrorRow{"HugeNumber", "l99999999999999999999999 c", {1}, 1},
                    ErrorRow{"ControlByte", std::string("c\x01" "d"), {2}, 2},
                    ErrorRow{"HighByte", "c\xc3\xa9", {2, 3}, 1},
                    ErrorRow{"OctaveWithoutNumber", "o", {1}, 0}),
    [](const testing::TestParamInfo<ErrorRow>& info) { return std::string(info.param.name); });

TEST(ReaderErrors, BadSettingsKeepThePreviousOnes)
{
    const ReadResult result = CommandReader::read("l8 l0 o2 o40 t60 t5 c");
    ASSERT_EQ(result.events.size(), 1u);
    EXPECT_DOUBLE_EQ(result.events[0].frequency, CommandReader::codeFrequency(14));
    EXPECT_DOUBLE_EQ(result.events[0].seconds, 0.5);
}

} // namespace
