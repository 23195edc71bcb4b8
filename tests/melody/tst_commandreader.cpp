#include "melody/CommandReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Frequency of a note code, as the melody side counts them (35 is o3 a).
double (*const Code)(int) = &CommandReader::codeFrequency;

TEST(CommandReader, FrequenciesAndDurations) {
    EXPECT_DOUBLE_EQ(Code(35), 440.0);
    EXPECT_DOUBLE_EQ(Code(47), 880.0);
    EXPECT_NEAR(Code(26), 261.6256, 1e-4);

    const struct {
        std::string text;
        std::vector<PlayEvent> events;
    } rows[] = {
        {"", {}},
        {"a", {{440.0, 0.5}}}, // a quarter at tempo 120 in octave 3
        {"o1 c# c+ d-", {{Code(3), 0.5}, {Code(3), 0.5}, {Code(3), 0.5}}},
        {"o2 c-", {{Code(13), 0.5}}},
        {"L8 O1 C#", {{Code(3), 0.25}}},
        {"l8 c16 c", {{Code(26), 0.125}, {Code(26), 0.25}}},
        {"c.", {{Code(26), 0.75}}},
        {"c4..", {{Code(26), 0.875}}},
        {"t60 c", {{Code(26), 1.0}}},
        {"l8 p8 r4 p", {{0.0, 0.25}, {0.0, 0.5}, {0.0, 0.25}}},
        {"p4.", {{0.0, 0.75}}},
        {"o2 c > c < < c", {{Code(14), 0.5}, {Code(26), 0.5}, {Code(2), 0.5}}},
        {"o1c#f#", {{Code(3), 0.5}, {Code(8), 0.5}}},
        {"o22 c#", {{Code(255), 0.5}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        const ReadResult result = CommandReader::read(row.text);
        EXPECT_TRUE(result.errors.empty());
        ASSERT_EQ(result.events.size(), row.events.size());
        for (size_t i = 0; i < row.events.size(); ++i) {
            EXPECT_NEAR(result.events[i].frequency, row.events[i].frequency, 1e-9) << "event " << i;
            EXPECT_NEAR(result.events[i].seconds, row.events[i].seconds, 1e-12) << "event " << i;
        }
    }
}

TEST(CommandReader, ErrorsAreReportedWithTheirColumnAndSkipped) {
    const struct {
        std::string text;
        std::vector<std::pair<size_t, size_t>> places; // line and column of each error
        size_t events;
    } rows[] = {
        {"c x d", {{1, 3}}, 2},
        {"c;d,e", {{1, 2}, {1, 4}}, 3},
        {"l c", {{1, 1}}, 1},
        {"l0 c", {{1, 1}}, 1},
        {"c0 c99 d", {{1, 1}, {1, 4}}, 1},
        {"o23 c", {{1, 1}}, 1},
        {"t10 c t999 c", {{1, 1}, {1, 7}}, 2},
        {"l99999999999999999999999 c", {{1, 1}}, 1},
        {"c\1d", {{1, 2}}, 2},
        {"c\xc3\xa9", {{1, 2}, {1, 3}}, 1},
        {"o", {{1, 1}}, 0},
        // Places count lines (LF or CR LF) and the bytes within a line.
        {"c\r\nd x", {{2, 3}}, 2},
        {"c\n\n  x\nx", {{3, 3}, {4, 1}}, 1},
        {"c\r\n\r\nl\r\n", {{3, 1}}, 1},
        {"a\n\n x", {{3, 2}}, 1}, // a note's length may follow, but none does
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        const ReadResult result = CommandReader::read(row.text);
        std::vector<std::pair<size_t, size_t>> places;
        for (const ReaderError& e : result.errors)
            places.emplace_back(e.line, e.column);
        EXPECT_EQ(places, row.places);
        EXPECT_EQ(result.events.size(), row.events);
    }

    // Bad settings keep the previous ones.
    const ReadResult result = CommandReader::read("l8 l0 o2 o40 t60 t5 c");
    ASSERT_EQ(result.events.size(), 1u);
    EXPECT_DOUBLE_EQ(result.events[0].frequency, Code(14));
    EXPECT_DOUBLE_EQ(result.events[0].seconds, 0.5);
}

// The sound stops at an hour: one error at the first event beyond tells how
// long the whole text would have been; other errors keep their order.
TEST(CommandReader, SoundIsBoundedToAnHour) {
    std::string hour = "t32";
    for (int i = 0; i < 480; ++i)
        hour += " p1"; // 7.5 seconds each
    EXPECT_TRUE(CommandReader::read(hour).errors.empty());
    EXPECT_EQ(CommandReader::read(hour).events.size(), 480u);

    const ReadResult over = CommandReader::read(hour + " x p1 c\nyears p1.");
    EXPECT_EQ(over.events.size(), 480u);
    ASSERT_EQ(over.errors.size(), 4u);
    EXPECT_EQ(over.errors[0].column, hour.size() + 2); // x
    // The text would sound 3627 seconds, rounded up.
    EXPECT_EQ(std::tuple(over.errors[1].line, over.errors[1].column, over.errors[1].problem, over.errors[1].value,
                         over.errors[1].high),
              std::tuple(1u, hour.size() + 4, ReaderProblem::TooLong, 3627, 3600));
    EXPECT_EQ(over.errors[2].line, 2u);
}

} // namespace
