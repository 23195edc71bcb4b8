#include "engine/mdMain.h"
#include "melody/CommandText.h"
#include "melody/MelodyText.h"
#include "platform/DynamicLibrary.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct TextRow {
    const char* name;
    std::vector<uint8_t> codes;
    uint8_t noteLen;
    int32_t pauseLen;
    std::string expected;
};

class CommandTextTable : public testing::TestWithParam<TextRow> {};

TEST_P(CommandTextTable, WholeStretch)
{
    const TextRow& row = GetParam();
    const auto size = static_cast<int32_t>(row.codes.size());
    EXPECT_EQ(CommandText(row.codes.data(), size, 0, size, row.noteLen, row.pauseLen), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Stretches, CommandTextTable,
    testing::Values(
        TextRow{"DefaultMelody", {3, 8, 11, 3, 8, 11, 4, 8, 10, 1, 8, 10}, 8, 8,
                "l8 o1 c# f# a c# f# a d f# g# p8 f# g#"},
        TextRow{"LeadingPauseAndOctaveJumps", {1, 3, 15, 1, 27, 2, 49}, 16, 4, "l16  p4 o1 c# o2 c# p4 o3 c# o1 c o4 b"},
        TextRow{"LeadingCodeZero", {0, 3}, 8, 8, "l8  o1 c#"},
        TextRow{"OnlyPauses", {1, 0, 1}, 8, 8, "l8  p8 p8 p8"},
        TextRow{"PauseDoesNotChangeOctave", {14, 1, 15}, 8, 8, "l8 o2 c p8 c#"},
        TextRow{"HighCode", {49, 50}, 8, 8, "l8 o4 b o5 c"},
        TextRow{"SingleZero", {0}, 8, 8, "l8 "}),
    [](const testing::TestParamInfo<TextRow>& info) { return std::string(info.param.name); });

struct StretchRow {
    const char* name;
    int64_t start;
    int32_t notes;
    std::string expected;
};

class CommandTextStretch : public testing::TestWithParam<StretchRow> {};

// Buffer of four notes: c, d, e of octave 1 and c of octave 2.
TEST_P(CommandTextStretch, StaysInsideTheBuffer)
{
    const StretchRow& row = GetParam();
    const uint8_t codes[] = {2, 4, 6, 14};
    EXPECT_EQ(CommandText(codes, 4, row.start, row.notes, 8, 8), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Bounds, CommandTextStretch,
    testing::Values(StretchRow{"Continuation", 1, 2, "l8 o1 d e"},
                    StretchRow{"OneNote", 2, 1, "l8 o1 e"},
                    StretchRow{"ZeroNotesStillWritesFirst", 0, 0, "l8 o1 c"},
                    StretchRow{"NegativeNotesStillWritesFirst", 0, -5, "l8 o1 c"},
                    StretchRow{"PastTheEndStops", 2, 1000, "l8 o1 e o2 c"},
                    StretchRow{"HugeCountStops", 0, INT32_MAX, "l8 o1 c d e o2 c"},
                    StretchRow{"StartAtEnd", 4, 3, "l8 "},
                    StretchRow{"StartFarPastEnd", 5000, 1, "l8 "},
                    StretchRow{"NegativeStart", -1, 3, "l8 "}),
    [](const testing::TestParamInfo<StretchRow>& info) { return std::string(info.param.name); });

struct LengthRow {
    const char* name;
    std::string text;
    uint8_t value;
};

class LengthField : public testing::TestWithParam<LengthRow> {};

TEST_P(LengthField, ReadsOrFallsBackToEight)
{
    EXPECT_EQ(LengthFieldValue(GetParam().text), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, LengthField,
    testing::Values(LengthRow{"Sixteen", "16", 16}, LengthRow{"Empty", "", 8}, LengthRow{"Zero", "0", 8},
                    LengthRow{"Letters", "abc", 8}, LengthRow{"SixtyFive", "65", 8}, LengthRow{"ThreeHundred", "300", 8},
                    LengthRow{"Negative", "-16", 16}, LengthRow{"HalfDown", "8.5", 8}, LengthRow{"HalfUp", "9.5", 10},
                    LengthRow{"HalfToSixtyFour", "64.5", 64}, LengthRow{"One", "1", 1}, LengthRow{"Tiny", "0.4", 8},
                    LengthRow{"Huge", "1e300", 8}, LengthRow{"Four", " 4 ", 4}, LengthRow{"Hundred", "100", 8}),
    [](const testing::TestParamInfo<LengthRow>& info) { return std::string(info.param.name); });

TEST(CommandText, AllowedCharactersOnly)
{
    std::vector<uint8_t> codes;
    for (int c = 0; c < 256; ++c)
        codes.push_back(static_cast<uint8_t>(c));
    const std::string text = CommandText(codes.data(), 256, 0, 256, 64, 64);
    for (const char c : text)
        EXPECT_TRUE((c >= 'a' && c <= 'g') || c == 'l' || c == 'o' || c == 'p' || c == '#' || c == ' ' ||
                    (c >= '0' && c <= '9'))
            << "unexpected character " << c;
    EXPECT_NE(text.back(), ' ');
}

TEST(CommandTextState, BeginningAndContinuationOfTheBuffer)
{
    std::shared_ptr<const FormulaLibrary> library;
    try {
        library = FormulaLibrary::loadFrom(platform::executableFolder());
    } catch (const FormulaLibraryError& e) {
        GTEST_SKIP() << "formula library not available: " << e.what();
    }
    mdMain state(library);
    state.NoteLen = 8;
    state.PauseLen = 8;
    ParseMelody(state, "3, 8, 11, 3, 8, 11, 4, 8, 10, 1, 8, 10");
    state.Melody[12] = 1;
    state.Melody[13] = 27;
    EXPECT_EQ(CommandText(state, 0, state.MelodyLen + 1), "l8 o1 c# f# a c# f# a d f# g# p8 f# g#");
    EXPECT_EQ(CommandText(state, 1, 2), "l8  p8 o3 c#");

    // A beginning that fills the buffer leaves no room for a continuation.
    std::string full = "2";
    for (int i = 1; i < mdMain::MelodyCapacity; ++i)
        full += ",2";
    ParseMelody(state, full);
    EXPECT_EQ(state.MelodyLen, 1023);
    EXPECT_EQ(CommandText(state, 1, 5), "l8 ");
}

} // namespace
