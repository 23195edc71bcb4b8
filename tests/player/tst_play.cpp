#include <gtest/gtest.h>

#include <sndfile.h>

#include <unistd.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct RunOutcome {
    int exitCode;
    std::string out, err;
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
        fs::copy_file(PLAY_BINARY, folder / "Play");
    }

    void TearDown() override { fs::remove_all(folder); }

    void writeCommandFile(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

    // Runs the copy inside the scratch folder, with the audio settings of `env` only.
    RunOutcome run(const std::vector<std::string>& arguments, const std::string& env = "")
    {
        std::string command = "cd '" + folder.string() + "' && env -u SDL_AUDIODRIVER -u SDL_DISKAUDIOFILE " + env + " ./Play";
        for (const std::string& a : arguments)
            command += " '" + a + "'";
        const int status = std::system((command + " >stdout.txt 2>stderr.txt").c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadAll(folder / "stdout.txt"), ReadAll(folder / "stderr.txt")};
    }

    fs::path folder;
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
    size_t first = 0, last = 0;
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

TEST_F(PlayRun, BadInputIsOneLineOnStderrAndFailure)
{
    const std::vector<std::vector<std::string>> rows = {
        {"404.cmd"}, {"./nowhere/404.cmd"}, {"./History"}, {}, {"--loud", "000.cmd"}, {"--wav"}, {"a.cmd", "b.cmd"}};
    for (const auto& arguments : rows) {
        const RunOutcome r = run(arguments);
        EXPECT_NE(r.exitCode, 0) << r.err;
        EXPECT_EQ(LineCount(r.err), 1u) << r.err;
        EXPECT_TRUE(r.err.starts_with("Play: ")) << r.err;
    }
}

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

TEST_F(PlayRun, WithoutAnAudioDeviceOnlySilenceSucceeds)
{
    // The driver named here does not exist.
    writeCommandFile(folder / "History" / "002.cmd", "\r\n");
    RunOutcome r = run({"002.cmd"}, "SDL_AUDIODRIVER=none-such");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;

    writeCommandFile(folder / "003.cmd", "l16 c");
    r = run({"./003.cmd"}, "SDL_AUDIODRIVER=none-such");
    EXPECT_NE(r.exitCode, 0);
    EXPECT_EQ(LineCount(r.err), 1u) << r.err;
    EXPECT_NE(r.err.find("audio device"), std::string::npos) << r.err;
}

TEST_F(PlayRun, PlaysThroughTheAudioDevice)
{
    writeCommandFile(folder / "History" / "004.cmd", "t240 l16 o3 a b > c\r\n");
    const fs::path raw = folder / "device.raw";
    const RunOutcome r = run({"004.cmd"}, "SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE='" + raw.string() + "'");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string bytes = ReadAll(raw);
    ASSERT_FALSE(bytes.empty());
    EXPECT_TRUE(std::any_of(bytes.begin(), bytes.end(), [](char b) { return b != 0; }));
}

} // namespace
