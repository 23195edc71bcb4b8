#include "player/PlayerMessages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Every problem the reader reports has a text naming what was wrong, and the
// sound beyond the hour tells how long the text would last and the limit.
// (Which problem a text gives is the reader's own test.)
TEST(PlayerMessages, ReaderProblems) {
    const struct {
        ReaderError error;
        std::vector<std::string> parts;
    } rows[] = {
        {{.problem = ReaderProblem::MissingNumber, .command = 'l'}, {"после «l»", "длительность"}},
        {{.problem = ReaderProblem::OutOfRange, .command = 'o', .value = 40, .low = 0, .high = 22},
         {"октава 40", "0..22"}},
        {{.problem = ReaderProblem::OutOfRange, .command = 't', .value = 3, .low = 32, .high = 255}, {"темп 3"}},
        {{.problem = ReaderProblem::UnknownCommand, .command = 'x'}, {"«x»"}},
        {{.problem = ReaderProblem::TooLong, .value = 3627, .high = 3600}, {"3627 с", "3600 с"}},
    };
    for (const auto& row : rows) {
        const std::string told = player_messages::ReaderProblemText(row.error);
        for (const std::string& part : row.parts)
            EXPECT_NE(told.find(part), std::string::npos) << told;
    }
}

} // namespace
