#include "melody/CommandFiles.h"

#include "support/PlatformFakes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string History = "/opt/melody net/History";

class PlayCmdTest : public testing::Test {
protected:
    void addFiles(int from, int to) {
        for (int n = from; n <= to; ++n)
            fs.files[History + "/" + CmdFileName(n)] = "x\r\n";
    }

    MemoryFileSystem fs;
    FakeStarter starter{fs};
    CommandPlayer player{fs, starter, fs.program};
};

TEST(CommandFiles, NamesAndPaths) {
    const std::pair<int32_t, const char*> names[] = {
        {5, "005.cmd"}, {999, "999.cmd"}, {1000, "000.cmd"}, {12345, "345.cmd"}, {-5, "0-5.cmd"}};
    for (const auto& [n, name] : names)
        EXPECT_EQ(CmdFileName(n), name);
    const std::pair<const char*, const char*> joins[] = {{"/opt/a", "/opt/a/History"},
                                                         {"/opt/a/", "/opt/a/History"},
                                                         {"C:\\Prog\\", "C:\\Prog\\History"},
                                                         {"", "History"}};
    for (const auto& [folder, joined] : joins)
        EXPECT_EQ(JoinPath(folder, "History"), joined);
}

TEST_F(PlayCmdTest, WritesTheFileBeforeStartingThePlayerWithItsBareName) {
    const PlayResult result = player.PlayCmd("l8 o1 c#");
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result->number, 0);
    EXPECT_EQ(fs.files.at(History + "/000.cmd"), "l8 o1 c#\r\n");
    ASSERT_EQ(starter.calls.size(), 1u);
    const FakeStarter::Call& call = starter.calls[0];
    EXPECT_EQ(std::tie(call.program, call.arguments, call.folder, call.complete),
              std::tuple("/opt/melody net/" + PlayerFileName(), std::vector<std::string>{"000.cmd"}, fs.program, true));

    // An empty text still writes a line end and plays.
    EXPECT_TRUE(player.PlayCmd("").ok());
    EXPECT_EQ(fs.files.at(History + "/001.cmd"), "\r\n");
    ASSERT_EQ(starter.calls.size(), 2u);
    EXPECT_EQ(starter.calls[1].arguments, std::vector<std::string>{"001.cmd"});
}

// The lowest free number is taken; a name taken between the look and the create, or
// held by a dangling link, passes on to the next free number; with none left the folder is full.
TEST_F(PlayCmdTest, TakesTheLowestFreeNumber) {
    const struct {
        int filled; // files up to this number are there
        std::vector<int> present, taken;
        int number; // -1: the folder is full
    } rows[] = {{-1, {0, 1, 3, 4}, {}, 2}, {-1, {1, 2}, {}, 0}, {998, {}, {}, 999},  {-1, {}, {0}, 1},
                {-1, {1}, {0, 2}, 3},      {-1, {}, {999}, 0},  {998, {}, {999}, -1}};
    for (const auto& row : rows) {
        fs.files.clear();
        fs.taken.clear();
        addFiles(0, row.filled);
        for (const int n : row.present)
            addFiles(n, n);
        for (const int n : row.taken)
            fs.taken.insert(History + "/" + CmdFileName(n));
        const PlayResult result = player.PlayCmd("c");
        EXPECT_EQ(result ? result->number : -1, row.number);
        EXPECT_TRUE(result || result.error().error == PlayError::HistoryFull);
    }
}

TEST_F(PlayCmdTest, FullFolderWritesNothingAndStartsNothing) {
    addFiles(0, 999);
    const PlayResult result = player.PlayCmd("l8 o1 c");
    EXPECT_EQ(std::tuple(result.error().error, result.error().folder), std::tuple(PlayError::HistoryFull, History));
    EXPECT_EQ(fs.files.size(), 1000u);
    EXPECT_TRUE(starter.calls.empty());
}

TEST_F(PlayCmdTest, FailuresAreReported) {
    // A file that cannot be written starts no player.
    fs.failWrites = true;
    const PlayResult unwritten = player.PlayCmd("l8 o1 c");
    EXPECT_EQ(std::tuple(unwritten.error().error, unwritten.error().filePath, unwritten.error().reason),
              std::tuple(PlayError::WriteFailed, History + "/000.cmd", "disk full"));
    EXPECT_TRUE(starter.calls.empty());

    // A player that cannot be started leaves its file, which counts as taken on the next request.
    fs.failWrites = false;
    starter.fail = true;
    const PlayResult unstarted = player.PlayCmd("l8 o1 c");
    EXPECT_EQ(unstarted.error().error, PlayError::StartFailed);
    EXPECT_EQ(fs.files.count(History + "/000.cmd"), 1u);
    EXPECT_NE(unstarted.error().reason.find("no such program"), std::string::npos);
    starter.fail = false;
    EXPECT_EQ(player.PlayCmd("l8")->number, 1);
}

TEST_F(PlayCmdTest, ReadOnlyHistoryFallsBackToUserData) {
    fs.folders.insert(History);
    fs.readOnly.insert(History);
    EXPECT_EQ(ChooseHistoryFolder(fs, fs.program).value(), fs.data + "/History");

    // With a read-only program folder the player, which looks for bare names beside itself, gets the full path.
    fs.folders.erase(History);
    fs.readOnly = {fs.program};
    ASSERT_TRUE(player.PlayCmd("l8 o1 c").ok());
    const std::string path = fs.data + "/History/000.cmd";
    EXPECT_EQ(fs.files.at(path), "l8 o1 c\r\n");
    ASSERT_EQ(starter.calls.size(), 1u);
    EXPECT_EQ(starter.calls[0].arguments, std::vector<std::string>{path});

    fs.folders = {fs.program, fs.data};
    fs.readOnly = {fs.program, fs.data};
    EXPECT_FALSE(ChooseHistoryFolder(fs, fs.program).ok());
    CommandPlayer nowhere(fs, starter, fs.program);
    const PlayResult result = nowhere.PlayCmd("l8");
    EXPECT_EQ(result.error().error, PlayError::HistoryUnavailable);
    EXPECT_EQ(result.error().folder, History);
    EXPECT_EQ(result.error().tried, (std::vector<std::string>{History, fs.data + "/History"}));
    EXPECT_EQ(starter.calls.size(), 1u);
}

// A data folder given relative (by a relative XDG_DATA_HOME that slipped
// through) still reaches the player, which starts in its own folder, whole.
TEST_F(PlayCmdTest, PlayerGetsAbsolutePaths) {
    fs.data = "rel/data";
    fs.readOnly = {fs.program};
    ASSERT_TRUE(player.PlayCmd("l8 o1 c").ok());
    ASSERT_EQ(starter.calls.size(), 1u);
    EXPECT_EQ(starter.calls[0].arguments, std::vector<std::string>{"/tmp/rel/data/History/000.cmd"});
}

} // namespace
