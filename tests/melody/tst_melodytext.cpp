#include "engine/mdMain.h"
#include "melody/MelodyText.h"
#include "melody/NoteCodes.h"
#include "platform/DynamicLibrary.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct ParseRow {
    const char* name;
    std::string text;
    std::vector<uint8_t> codes;
    bool clamped;
};

class MelodyParse : public testing::TestWithParam<ParseRow> {};

TEST_P(MelodyParse, StoresOneCodePerItem)
{
    const ParseRow& row = GetParam();
    std::vector<uint8_t> buffer(16, 77);
    const MelodyParseInfo info = ParseMelodyCodes(row.text, buffer.data(), static_cast<int32_t>(buffer.size()));
    ASSERT_EQ(info.stored, static_cast<int32_t>(row.codes.size()));
    EXPECT_EQ(info.items, static_cast<int64_t>(row.codes.size()));
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.begin() + info.stored), row.codes);
    EXPECT_EQ(info.clamped, row.clamped);
    EXPECT_FALSE(info.truncated);
    // Entries behind the parsed melody are left as they were.
    EXPECT_EQ(buffer[static_cast<size_t>(info.stored)], 77);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, MelodyParse,
    testing::Values(
        ParseRow{"DefaultText", "3, 8, 11, 3, 8, 11, 4, 8, 10, 1, 8, 10", {3, 8, 11, 3, 8, 11, 4, 8, 10, 1, 8, 10}, false},
        ParseRow{"Empty", "", {0}, false},
        ParseRow{"TrailingComma", "3, 8,", {3, 8, 0}, false},
        ParseRow{"EmptyItemBetween", "3,,8", {3, 0, 8}, false},
        ParseRow{"TrailingLetters", " 12abc ", {12}, false},
        ParseRow{"NoNumber", "x", {0}, false},
        ParseRow{"SemicolonIsNoSeparator", "3;8", {3}, false},
        ParseRow{"BlanksInsideNumber", "1 2", {12}, false},
        ParseRow{"HalfToEvenDown", "2.5", {2}, false},
        ParseRow{"HalfToEvenUp", "3.5", {4}, false},
        ParseRow{"SmallNegativeRoundsToZero", "-0.4", {0}, false},
        ParseRow{"Hexadecimal", "&H1F", {31}, false},
        ParseRow{"Octal", "&O17", {15}, false},
        ParseRow{"Exponent", "1e2", {100}, false},
        ParseRow{"HighCodesKept", "50, 255", {50, 255}, false},
        ParseRow{"AboveByteClamped", "256, 300, 1e30", {255, 255, 255}, true},
        ParseRow{"HalfAboveByteClamped", "255.5", {255}, true},
        ParseRow{"BelowZeroClamped", "-1, -1e30", {0, 0}, true},
        ParseRow{"LineEndsAndTabs", "\t3\n,\n8\t", {3, 8}, false}),
    [](const testing::TestParamInfo<ParseRow>& info) { return std::string(info.param.name); });

TEST(MelodyParseLimits, SurplusItemsAreIgnored)
{
    std::string text;
    for (int i = 0; i < 1030; ++i)
        text += (i > 0 ? "," : "") + std::to_string(i % 50);
    std::vector<uint8_t> buffer(1025, 99);
    const MelodyParseInfo info = ParseMelodyCodes(text, buffer.data(), 1024);
    EXPECT_EQ(info.stored, 1024);
    EXPECT_EQ(info.items, 1030);
    EXPECT_TRUE(info.truncated);
    EXPECT_EQ(buffer[1023], 1023 % 50);
    EXPECT_EQ(buffer[1024], 99);
}

TEST(MelodyParseLimits, ExactlyFullBufferIsNotTruncated)
{
    std::string text = "1";
    for (int i = 1; i < 4; ++i)
        text += ",1";
    uint8_t buffer[4] = {};
    const MelodyParseInfo info = ParseMelodyCodes(text, buffer, 4);
    EXPECT_EQ(info.stored, 4);
    EXPECT_FALSE(info.truncated);
}

TEST(MelodyParseLimits, CommasOnlyAreMostlySurplus)
{
    const std::string text(100000, ',');
    uint8_t buffer[8];
    const MelodyParseInfo info = ParseMelodyCodes(text, buffer, 8);
    EXPECT_EQ(info.stored, 8);
    EXPECT_EQ(info.items, 100001);
    EXPECT_TRUE(info.truncated);
}

struct NoteRow {
    uint8_t code;
    uint8_t octave;
    const char* name;
};

class NoteCodeTable : public testing::TestWithParam<NoteRow> {};

TEST_P(NoteCodeTable, OctaveAndName)
{
    const NoteRow& row = GetParam();
    EXPECT_EQ(NoteOctave(row.code), row.octave);
    EXPECT_EQ(NoteName(row.code, 8), row.name);
}

INSTANTIATE_TEST_SUITE_P(Codes, NoteCodeTable,
                         testing::Values(NoteRow{0, 0, "p8"}, NoteRow{1, 0, "p8"}, NoteRow{2, 1, "c"},
                                         NoteRow{3, 1, "c#"}, NoteRow{13, 1, "b"}, NoteRow{14, 2, "c"},
                                         NoteRow{26, 3, "c"}, NoteRow{35, 3, "a"}, NoteRow{38, 4, "c"},
                                         NoteRow{49, 4, "b"}, NoteRow{50, 5, "c"}, NoteRow{255, 22, "c#"}));

TEST(NoteName, PauseCarriesThePauseLength)
{
    EXPECT_EQ(NoteName(1, 4), "p4");
    EXPECT_EQ(NoteName(0, 64), "p64");
}

TEST(CodeListText, CommaAndBlankBetweenCodes)
{
    const uint8_t codes[] = {3, 8, 255, 0};
    EXPECT_EQ(CodeListText(codes, 4), "3, 8, 255, 0");
    EXPECT_EQ(CodeListText(codes, 1), "3");
    EXPECT_EQ(CodeListText(codes, 0), "");
    EXPECT_EQ(CodeListText(codes, -3), "");
}

TEST(CodeListText, ReadsBackToTheSameCodes)
{
    std::vector<uint8_t> codes;
    for (int c = 0; c < 256; ++c)
        codes.push_back(static_cast<uint8_t>(c));
    std::vector<uint8_t> back(256);
    const MelodyParseInfo info = ParseMelodyCodes(CodeListText(codes.data(), 256), back.data(), 256);
    EXPECT_EQ(info.stored, 256);
    EXPECT_EQ(back, codes);
}

TEST(ParseMelodyState, SetsMelodyLenAndKeepsTheContinuation)
{
    std::shared_ptr<const FormulaLibrary> library;
    try {
        library = FormulaLibrary::loadFrom(platform::executableFolder());
    } catch (const FormulaLibraryError& e) {
        GTEST_SKIP() << "formula library not available: " << e.what();
    }
    mdMain state(library);
    state.Melody[5] = 42;
    ParseMelody(state, "3, 8, 11");
    EXPECT_EQ(state.MelodyLen, 2);
    EXPECT_EQ(state.Melody[2], 11);
    EXPECT_EQ(state.Melody[5], 42);
    ParseMelody(state, "");
    EXPECT_EQ(state.MelodyLen, 0);
    EXPECT_EQ(state.Melody[0], 0);
}

} // namespace
