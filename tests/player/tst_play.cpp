#include <gtest/gtest.h>

#include <sndfile.h>

#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct RunOutcome {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

size_t LineCount(const std::string& text)
{
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

// A scratch folder holding a copy of the player, so that its History folder is our own.
class PlayRun : public testing::Test {
protected:
    void SetUp() override
    {
        folder = fs::temp_directory_path() /
                 ("tst_play_" + std::to_string(::getpid()) + "_" +
                  testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder / "History");
        player = folder / "Play";
        fs::copy_file(PLAY_BINARY, player);
    }

    void TearDown() override { fs::remove_all(folder); }

    void writeCommandFile(const fs::path& path, const std::string& text)
    {
        std::ofstream out(path, std::ios::binary);
        out << text;
    }

    RunOutcome run(const std::vector<std::string>& arguments, const std::vector<std::string>& extraEnv = {})
    {
        std::vector<std::string> env;
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string entry = *e;
            if (entry.rfind("SDL_AUDIODRIVER=", 0) != 0 && entry.rfind("SDL_DISKAUDIOFILE=", 0) != 0)
                env.push_back(entry);
        }
        env.insert(env.end(), extraEnv.begin(), extraEnv.end());

        std::vector<std::string> args{player.string()};
        args.insert(args.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<char*> envp;
        for (std::string& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);

        const fs::path outFile = folder / "stdout.txt";
        const fs::path errFile = folder / "stderr.txt";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
        pid_t pid = 0;
        RunOutcome result;
        const int rc = posix_spawn(&pid, player.c_str(), &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0)
            return result;
        int status = 0;
        waitpid(pid, &status, 0);
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.out = ReadAll(outFile);
        result.err = ReadAll(errFile);
        return result;
    }

    fs::path folder;
    fs::path player;
};

std::vector<float> ReadWav(const fs::path& path, SF_INFO& info)
{
    info = {};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr)
        return {};
    std::vector<float> samples(static_cast<size_t>(info.frames * info.channels));
    samples.resize(static_cast<size_t>(sf_readf_float(file, samples.data(), info.frames) * info.channels));
    sf_close(file);
    return samples;
}

// Counts upward zero crossings between `begin` and `end` (the fundamental dominates the tone).
double ZeroCrossingPitch(const std::vector<float>& s, size_t begin, size_t end, int rate)
{
    size_t first = 0;
    size_t last = 0;
    int crossings = 0;
    for (size_t i = begin + 1; i < end; ++i)
        if (s[i - 1] < 0.0f && s[i] >= 0.0f) {
            if (crossings == 0)
                first = i;
            last = i;
            ++crossings;
        }
    if (crossings < 2)
        return 0.0;
    return (crossings - 1) * static_cast<double>(rate) / static_cast<double>(last - first);
}

TEST_F(PlayRun, HelpPrintsUsage)
{
    const RunOutcome r = run({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("Usage: Play"), std::string::npos);
    EXPECT_TRUE(r.err.empty());
}

struct BadRow {
    const char* name;
    std::vector<std::string> arguments;
};

class PlayBadInput : public PlayRun, public testing::WithParamInterface<BadRow> {};

TEST_P(PlayBadInput, OneLineOnStderrAndFailure)
{
    const RunOutcome r = run(GetParam().arguments);
    EXPECT_NE(r.exitCode, 0);
    EXPECT_EQ(LineCount(r.err), 1u) << r.err;
    EXPECT_EQ(r.err.rfind("Play: ", 0), 0u) << r.err;
}

INSTANTIATE_TEST_SUITE_P(Arguments, PlayBadInput,
                         testing::Values(BadRow{"MissingBareName", {"404.cmd"}},
                                         BadRow{"MissingPath", {"./nowhere/404.cmd"}},
                                         BadRow{"Folder", {"./History"}},
                                         BadRow{"NoArguments", {}},
                                         BadRow{"UnknownOption", {"--loud", "000.cmd"}},
                                         BadRow{"WavWithoutName", {"--wav"}},
                                         BadRow{"TwoFiles", {"a.cmd", "b.cmd"}}),
                         [](const testing::TestParamInfo<BadRow>& info) { return std::string(info.param.name); });

TEST_F(PlayRun, WavHasTheLengthAndPitchOfTheText)
{
    // A bare name is read from the History folder beside the player.
    writeCommandFile(folder / "History" / "000.cmd", "l4 o3 a p4 a\r\n");
    const RunOutcome r = run({"--wav", (folder / "out.wav").string(), "000.cmd"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;

    SF_INFO info;
    const std::vector<float> samples = ReadWav(folder / "out.wav", info);
    ASSERT_EQ(info.channels, 1);
    ASSERT_EQ(info.samplerate, 44100);
    EXPECT_EQ(samples.size(), static_cast<size_t>(44100 * 3 / 2));
    // The middle of the first tone, away from its attack and release.
    const double pitch = ZeroCrossingPitch(samples, 2000, 18000, info.samplerate);
    EXPECT_NEAR(pitch, 440.0, 2.0);
    // The rest between the notes is silent.
    EXPECT_TRUE(std::all_of(samples.begin() + 22050, samples.begin() + 44100, [](float s) { return s == 0.0f; }));
}

TEST_F(PlayRun, UnknownTokensAreReportedAndSkipped)
{
    writeCommandFile(folder / "History" / "001.cmd", "l8 o1 c x c\r\n");
    const RunOutcome r = run({"--wav", (folder / "out.wav").string(), "001.cmd"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(LineCount(r.err), 1u);
    EXPECT_NE(r.err.find("column 9"), std::string::npos) << r.err;
    SF_INFO info;
    EXPECT_EQ(ReadWav(folder / "out.wav", info).size(), static_cast<size_t>(44100 / 2));
}

TEST_F(PlayRun, EmptyCommandTextPlaysNothing)
{
    writeCommandFile(folder / "History" / "002.cmd", "\r\n");
    // No audio device is needed for silence: the driver named here does not exist.
    const RunOutcome r = run({"002.cmd"}, {"SDL_AUDIODRIVER=none-such"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;
}

TEST_F(PlayRun, NoAudioDeviceIsOneLine)
{
    writeCommandFile(folder / "003.cmd", "l16 c");
    const RunOutcome r = run({"./003.cmd"}, {"SDL_AUDIODRIVER=none-such"});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_EQ(LineCount(r.err), 1u) << r.err;
    EXPECT_NE(r.err.find("audio device"), std::string::npos) << r.err;
}

TEST_F(PlayRun, PlaysThroughTheAudioDevice)
{
    writeCommandFile(folder / "History" / "004.cmd", "t240 l16 o3 a b > c\r\n");
    const fs::path raw = folder / "device.raw";
    const RunOutcome r = run({"004.cmd"}, {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + raw.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string bytes = ReadAll(raw);
    ASSERT_FALSE(bytes.empty());
    EXPECT_TRUE(std::any_of(bytes.begin(), bytes.end(), [](char b) { return b != 0; }));
}

} // namespace
