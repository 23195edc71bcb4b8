#include "melody/CommandText.h"
#include "melody/MelodyText.h"
#include "melody/NoteCodes.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

namespace {

using Codes = std::vector<uint8_t>;

TEST(MelodyText, ParseStoresOneCodePerItem) {
    const struct {
        std::string text;
        Codes codes;
        bool clamped;
    } rows[] = {
        {"3, 8, 11, 3, 8, 11, 4, 8, 10, 1, 8, 10", {3, 8, 11, 3, 8, 11, 4, 8, 10, 1, 8, 10}, false},
        {"", {0}, false},
        {"3, 8,", {3, 8, 0}, false},
        {"3;8", {3}, false},
        {"2.5, 3.5, -0.4", {2, 4, 0}, false}, // halves to even
        {"0, 255", {0, 255}, false},
        {"256, 255.5, 1e30", {255, 255, 255}, true},
        {"-1, -1e30", {0, 0}, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        Codes buffer(16, 77);
        const MelodyParseInfo info = ParseMelodyCodes(row.text, buffer.data(), 16);
        ASSERT_EQ(info.stored, static_cast<int32_t>(row.codes.size()));
        EXPECT_EQ(Codes(buffer.begin(), buffer.begin() + info.stored), row.codes);
        EXPECT_EQ(std::tuple(info.items, info.clamped, info.truncated), std::tuple(info.stored, row.clamped, false));
        EXPECT_EQ(buffer[static_cast<size_t>(info.stored)], 77); // nothing written behind the melody
    }
}

TEST(MelodyText, ParseIgnoresItemsBeyondTheCapacity) {
    const struct {
        int items;
        int32_t capacity;
        bool truncated;
    } rows[] = {{1030, 1024, true}, {4, 4, false}};
    for (const auto& row : rows) {
        std::string text = "0";
        for (int i = 1; i < row.items; ++i)
            text += "," + std::to_string(i % 50);
        Codes buffer(static_cast<size_t>(row.capacity) + 1, 99);
        const MelodyParseInfo info = ParseMelodyCodes(text, buffer.data(), row.capacity);
        EXPECT_EQ(std::tuple(info.stored, info.items, info.truncated),
                  std::tuple(row.capacity, row.items, row.truncated));
        EXPECT_EQ(buffer[static_cast<size_t>(row.capacity) - 1], (row.capacity - 1) % 50);
        EXPECT_EQ(buffer.back(), 99);
    }
}

TEST(NoteCodes, OctaveAndName) {
    const struct {
        uint8_t code;
        int32_t pauseLen;
        uint8_t octave;
        const char* name;
    } rows[] = {{0, 64, 0, "p64"}, {1, 4, 0, "p4"}, {2, 8, 1, "c"},  {3, 8, 1, "c#"}, {13, 8, 1, "b"},
                {14, 8, 2, "c"},   {35, 8, 3, "a"}, {49, 8, 4, "b"}, {50, 8, 5, "c"}, {255, 8, 22, "c#"}};
    for (const auto& row : rows) {
        EXPECT_EQ(NoteOctave(row.code), row.octave) << int(row.code);
        EXPECT_EQ(NoteName(row.code, row.pauseLen), row.name) << int(row.code);
    }
}

TEST(MelodyText, CodeListReadsBackToTheSameCodes) {
    Codes codes(256);
    std::iota(codes.rbegin(), codes.rend(), 0); // 255 down to 0
    EXPECT_EQ(CodeListText(codes.data(), 3), "255, 254, 253");
    EXPECT_EQ(CodeListText(codes.data(), 0), "");
    Codes back(256);
    EXPECT_EQ(ParseMelodyCodes(CodeListText(codes.data(), 256), back.data(), 256).stored, 256);
    EXPECT_EQ(back, codes);
}

TEST(CommandText, Stretches) {
    const Codes four{2, 4, 6, 14}; // c, d, e of octave 1 and c of octave 2
    const struct {
        Codes codes;
        int64_t start;
        int32_t notes;
        uint8_t noteLen;
        int32_t pauseLen;
        std::string text;
    } rows[] = {
        {{1, 3, 15, 1, 27, 2, 49}, 0, 7, 16, 4, "l16  p4 o1 c# o2 c# p4 o3 c# o1 c o4 b"},
        {{0, 3}, 0, 2, 8, 8, "l8  o1 c#"},
        {{14, 1, 15}, 0, 3, 8, 8, "l8 o2 c p8 c#"}, // a pause keeps the octave
        {four, 1, 2, 8, 8, "l8 o1 d e"},
        {four, 0, -5, 8, 8, "l8 o1 c"}, // the first note is always written
        {four, 0, INT32_MAX, 8, 8, "l8 o1 c d e o2 c"},
        {four, 4, 3, 8, 8, "l8 "},
        {four, -1, 3, 8, 8, "l8 "},
    };
    for (const auto& row : rows)
        EXPECT_EQ(CommandText(row.codes.data(), static_cast<int32_t>(row.codes.size()), row.start, row.notes,
                              row.noteLen, row.pauseLen),
                  row.text);

    Codes all(256);
    std::iota(all.begin(), all.end(), 0);
    const std::string text = CommandText(all.data(), 256, 0, 256, 64, 64);
    EXPECT_EQ(text.find_first_not_of("abcdefglop# 0123456789"), std::string::npos) << text;
    EXPECT_NE(text.back(), ' ');
}

TEST(CommandText, LengthFieldFallsBackToEight) {
    const struct {
        const char* text;
        uint8_t value;
    } rows[] = {{"16", 16},  {"", 8},      {"0", 8}, {"abc", 8}, {"65", 8},    {"-16", 16}, {"8.5", 8},
                {"9.5", 10}, {"64.5", 64}, {"1", 1}, {"0.4", 8}, {"1e300", 8}, {" 4 ", 4}};
    for (const auto& row : rows)
        EXPECT_EQ(LengthFieldValue(row.text), row.value) << '"' << row.text << '"';
}

} // namespace
