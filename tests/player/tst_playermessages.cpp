#include "player/PlayerMessages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Every problem the reader reports has a text, and the sound beyond the
// hour tells how long the text would last and the limit.
TEST(PlayerMessages, ReaderProblems) {
    const struct {
        std::string text;
        ReaderProblem problem;
        std::vector<std::string> parts;
    } rows[] = {
        {"l c", ReaderProblem::MissingNumber, {"длительность"}},
        {"o40 c", ReaderProblem::OutOfRange, {"октава", "40", "0..22"}},
        {"c x", ReaderProblem::UnknownCommand, {"x"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        const ReadResult result = CommandReader::read(row.text);
        ASSERT_FALSE(result.errors.empty());
        EXPECT_EQ(result.errors[0].problem, row.problem);
        for (const ReaderError& e : result.errors)
            EXPECT_FALSE(player_messages::ReaderProblemText(e).empty());
        const std::string told = player_messages::ReaderProblemText(result.errors[0]);
        for (const std::string& part : row.parts)
            EXPECT_NE(told.find(part), std::string::npos) << told;
    }
    std::string hour = "t32";
    for (int i = 0; i < 480; ++i)
        hour += " p1"; // 7.5 seconds each
    const ReadResult over = CommandReader::read(hour + " x p1 c\nyears p1.");
    ASSERT_GE(over.errors.size(), 2u);
    const std::string told = player_messages::ReaderProblemText(over.errors[1]);
    for (const char* part : {"3627 с", "3600 с"})
        EXPECT_NE(told.find(part), std::string::npos) << told;
}

} // namespace
