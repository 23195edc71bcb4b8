#include "melody/CommandFiles.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

// A file system in memory, with switches for the failures a real one has.
class FakeFileSystem : public platform::FileSystem {
public:
    std::string program = "/opt/melody net";
    std::string data = "/home/u/.local/share/melodynet";
    std::set<std::string> folders{"/opt/melody net"};
    std::set<std::string> readOnlyFolders;
    std::map<std::string, std::string> files;
    bool failWrites = false;

    std::string programFolder() const override { return program; }
    std::string userDataFolder() const override { return data; }
    std::string currentFolder() const override { return "/tmp"; }
    bool exists(const std::string& path) const override { return files.count(path) > 0 || folders.count(path) > 0; }
    bool isFolder(const std::string& path) const override { return folders.count(path) > 0; }
    bool createFolder(const std::string& path) override
    {
        const std::string parent = path.substr(0, path.rfind('/'));
        if (folders.count(path) > 0)
            return true;
        if (readOnlyFolders.count(parent) > 0)
            return false;
        folders.insert(path);
        return true;
    }
    bool isWritableFolder(const std::string& path) const override
    {
        return folders.count(path) > 0 && readOnlyFolders.count(path) == 0;
    }
    bool writeNewFile(const std::string& path, const std::string& bytes, std::string& error) override
    {
        if (failWrites || files.count(path) > 0) {
            error = "disk full";
            return false;
        }
        files[path] = bytes;
        return true;
    }
    bool replaceFile(const std::string& path, const std::string& bytes, std::string&) override
    {
        files[path] = bytes;
        return true;
    }
    std::optional<std::string> readFile(const std::string& path, std::string& error) const override
    {
        const auto it = files.find(path);
        if (it == files.end()) {
            error = "missing";
            return std::nullopt;
        }
        return it->second;
    }
};

struct StartCall {
    std::string program;
    std::vector<std::string> arguments;
    std::string workingFolder;
    // Whether the command file was complete when the player started.
    bool fileComplete;
};

class FakeStarter : public platform::ProcessStarter {
public:
    explicit FakeStarter(const FakeFileSystem& fs) : fs_(fs) {}
    std::vector<StartCall> calls;
    bool fail = false;

    bool startDetached(const std::string& program, const std::vector<std::string>& arguments,
                       const std::string& workingFolder, std::string& error) override
    {
        if (fail) {
            error = "no such program";
            return false;
        }
        bool complete = false;
        for (const auto& [path, bytes] : fs_.files)
            if (!arguments.empty() && path.size() >= arguments[0].size() &&
                path.compare(path.size() - arguments[0].size(), std::string::npos, arguments[0]) == 0)
                complete = bytes.size() >= 2 && bytes.compare(bytes.size() - 2, 2, "\r\n") == 0;
        calls.push_back({program, arguments, workingFolder, complete});
        return true;
    }

private:
    const FakeFileSystem& fs_;
};

const std::string History = "/opt/melody net/History";

class PlayCmdTest : public testing::Test {
protected:
    void addFiles(int from, int to)
    {
        for (int n = from; n <= to; ++n)
            fs.files[History + "/" + CmdFileName(n)] = "x\r\n";
    }

    FakeFileSystem fs;
    FakeStarter starter{fs};
    CommandPlayer player{fs, starter, fs.program};
};

struct NameRow {
    int32_t n;
    const char* name;
};

class CmdFileNames : public testing::TestWithParam<NameRow> {};

TEST_P(CmdFileNames, LastThreeCharactersOfPaddedNumber)
{
    EXPECT_EQ(CmdFileName(GetParam().n), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(Numbers, CmdFileNames,
                         testing::Values(NameRow{0, "000.cmd"}, NameRow{5, "005.cmd"}, NameRow{42, "042.cmd"},
                                         NameRow{123, "123.cmd"}, NameRow{999, "999.cmd"}, NameRow{1000, "000.cmd"},
                                         NameRow{12345, "345.cmd"}, NameRow{-5, "0-5.cmd"}));

TEST_F(PlayCmdTest, FirstPlayWritesFileZeroAndStartsThePlayerWithItsBareName)
{
    const PlayResult result = player.PlayCmd("l8 o1 c#");
    ASSERT_EQ(result.status, PlayResult::Status::Started);
    EXPECT_EQ(result.number, 0);
    EXPECT_EQ(fs.files.at(History + "/000.cmd"), "l8 o1 c#\r\n");
    ASSERT_EQ(starter.calls.size(), 1u);
    EXPECT_EQ(starter.calls[0].program, "/opt/melody net/" + PlayerFileName());
    EXPECT_EQ(starter.calls[0].arguments, std::vector<std::string>{"000.cmd"});
    EXPECT_EQ(starter.calls[0].workingFolder, fs.program);
    EXPECT_TRUE(starter.calls[0].fileComplete);
    EXPECT_EQ(PlayResultMessage(result), "");
}

struct NumberingRow {
    const char* name;
    std::vector<int> present;
    int expected;
};

class PlayCmdNumbering : public PlayCmdTest, public testing::WithParamInterface<NumberingRow> {};

TEST_P(PlayCmdNumbering, TakesTheLowestFreeNumber)
{
    for (const int n : GetParam().present)
        addFiles(n, n);
    const PlayResult result = player.PlayCmd("l8 ");
    ASSERT_EQ(result.status, PlayResult::Status::Started);
    EXPECT_EQ(result.number, GetParam().expected);
    ASSERT_EQ(starter.calls.size(), 1u);
    EXPECT_EQ(starter.calls[0].arguments[0], CmdFileName(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Folders, PlayCmdNumbering,
                         testing::Values(NumberingRow{"FiveTaken", {0, 1, 2, 3, 4}, 5},
                                         NumberingRow{"GapFilled", {0, 1, 3, 4}, 2},
                                         NumberingRow{"ZeroMissing", {1, 2}, 0},
                                         NumberingRow{"LastFree", [] {
                                                          std::vector<int> v;
                                                          for (int i = 0; i < 999; ++i)
                                                              v.push_back(i);
                                                          return v;
                                                      }(), 999}),
                         [](const testing::TestParamInfo<NumberingRow>& info) { return std::string(info.param.name); });

TEST_F(PlayCmdTest, FullFolderWritesNothingAndStartsNothing)
{
    addFiles(0, 999);
    const size_t before = fs.files.size();
    const PlayResult result = player.PlayCmd("l8 o1 c");
    EXPECT_EQ(result.status, PlayResult::Status::HistoryFull);
    EXPECT_EQ(fs.files.size(), before);
    EXPECT_TRUE(starter.calls.empty());
    EXPECT_EQ(PlayResultMessage(result), "Пожалуйста, почистите папку с историей команд");
}

TEST_F(PlayCmdTest, EmptyTextWritesALineEndAndStillPlays)
{
    const PlayResult result = player.PlayCmd("");
    ASSERT_EQ(result.status, PlayResult::Status::Started);
    EXPECT_EQ(fs.files.at(History + "/000.cmd"), "\r\n");
    EXPECT_EQ(starter.calls.size(), 1u);
}

TEST_F(PlayCmdTest, WriteFailureStartsNoPlayer)
{
    fs.failWrites = true;
    const PlayResult result = player.PlayCmd("l8 o1 c");
    EXPECT_EQ(result.status, PlayResult::Status::WriteFailed);
    EXPECT_EQ(result.reason, "disk full");
    EXPECT_TRUE(starter.calls.empty());
    const std::string message = PlayResultMessage(result);
    EXPECT_NE(message.find("000.cmd"), std::string::npos);
    EXPECT_NE(message.find("disk full"), std::string::npos);
}

TEST_F(PlayCmdTest, StartFailureIsReportedAndTheFileStays)
{
    starter.fail = true;
    const PlayResult result = player.PlayCmd("l8 o1 c");
    EXPECT_EQ(result.status, PlayResult::Status::StartFailed);
    EXPECT_EQ(result.reason, "no such program");
    EXPECT_EQ(fs.files.count(History + "/000.cmd"), 1u);
    EXPECT_NE(PlayResultMessage(result).find("no such program"), std::string::npos);
    // The written file counts as taken on the next request.
    starter.fail = false;
    EXPECT_EQ(player.PlayCmd("l8").number, 1);
}

TEST_F(PlayCmdTest, ReadOnlyProgramFolderFallsBackToUserData)
{
    fs.readOnlyFolders.insert(fs.program);
    const PlayResult result = player.PlayCmd("l8 o1 c");
    ASSERT_EQ(result.status, PlayResult::Status::Started);
    const std::string path = fs.data + "/History/000.cmd";
    EXPECT_EQ(fs.files.at(path), "l8 o1 c\r\n");
    // The player looks for bare names beside itself, so it gets the full path.
    ASSERT_EQ(starter.calls.size(), 1u);
    EXPECT_EQ(starter.calls[0].arguments, std::vector<std::string>{path});
}

TEST_F(PlayCmdTest, ExistingReadOnlyHistoryFallsBackToUserData)
{
    fs.folders.insert(History);
    fs.readOnlyFolders.insert(History);
    EXPECT_EQ(ChooseHistoryFolder(fs, fs.program), fs.data + "/History");
}

TEST_F(PlayCmdTest, NoUsableFolderIsAWriteFailure)
{
    fs.readOnlyFolders.insert(fs.program);
    fs.readOnlyFolders.insert(fs.data);
    fs.folders.insert(fs.data);
    EXPECT_EQ(ChooseHistoryFolder(fs, fs.program), std::nullopt);
    const PlayResult result = player.PlayCmd("l8");
    EXPECT_EQ(result.status, PlayResult::Status::WriteFailed);
    EXPECT_TRUE(starter.calls.empty());
    EXPECT_FALSE(PlayResultMessage(result).empty());
}

struct JoinRow {
    const char* folder;
    const char* expected;
};

class JoinPaths : public testing::TestWithParam<JoinRow> {};

TEST_P(JoinPaths, OneSeparator)
{
    EXPECT_EQ(JoinPath(GetParam().folder, "History"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Folders, JoinPaths,
                         testing::Values(JoinRow{"/opt/a", "/opt/a/History"}, JoinRow{"/opt/a/", "/opt/a/History"},
                                         JoinRow{"C:\\Prog\\", "C:\\Prog\\History"}, JoinRow{"", "History"}));

} // namespace
