#include "support/SignalledRun.h"

#include <gtest/gtest.h>

#include <sndfile.hh>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct RunOutcome {
    int exitCode;
    std::string out, err;
};

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Hidden temporary files in `folder`.
std::vector<std::string> Temporaries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().starts_with(".melodynet-"))
            names.push_back(entry.path().filename().string());
    return names;
}

size_t LineCount(const std::string& text) {
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

// A scratch folder holding a copy of the player, so that its History folder is our own.
class PlayRun : public testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("tst_play_" + std::to_string(::getpid()) + "_" +
                                              testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder / "History");
        fs::copy_file(PLAY_BINARY, folder / "Play");
    }

    void TearDown() override { fs::remove_all(folder); }

    static void writeCommandFile(const fs::path& path, const std::string& text) { std::ofstream(path) << text; }

    // Runs the copy inside the scratch folder, with the audio settings of `env` only.
    RunOutcome run(const std::vector<std::string>& arguments, const std::string& env = "",
                   const std::string& out = "stdout.txt", const std::string& err = "stderr.txt") {
        std::string command =
            "cd '" + folder.string() + "' && env -u SDL_AUDIODRIVER -u SDL_DISKAUDIOFILE " + env + " ./Play";
        for (const std::string& a : arguments)
            command += " '" + a + "'";
        const int status = std::system((command + " >" + out + " 2>" + err).c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadAll(folder / "stdout.txt"),
                ReadAll(folder / "stderr.txt")};
    }

    fs::path folder;
};

TEST_F(PlayRun, BadInputIsOneLineOnStderrAndFailure) {
    // The last row has sound to play but no audio device: the driver named there does not exist.
    writeCommandFile(folder / "003.cmd", "l16 c");
    const std::pair<std::vector<std::string>, std::string> rows[] = {
        {{"404.cmd"}, ""},           {{"./nowhere/404.cmd"}, ""},
        {{"./History"}, ""},         {{}, ""},
        {{"--loud", "000.cmd"}, ""}, {{"--wav"}, ""},
        {{"a.cmd", "b.cmd"}, ""},    {{"--builtin", "./003.cmd"}, "SDL_AUDIODRIVER=none-such"}};
    for (const auto& [arguments, env] : rows) {
        const RunOutcome r = run(arguments, env);
        EXPECT_NE(r.exitCode, 0) << r.err;
        EXPECT_EQ(LineCount(r.err), 1u) << r.err;
        EXPECT_TRUE(r.err.starts_with("Play: ")) << r.err;
        // Russian like the other programs: the first word after the name is Cyrillic (UTF-8 lead byte D0 or D1).
        ASSERT_GT(r.err.size(), 6u);
        EXPECT_TRUE(r.err[6] == '\xD0' || r.err[6] == '\xD1') << r.err;
    }
}

TEST_F(PlayRun, HelpIsRussianUnderBothNames) {
    const RunOutcome help = run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.starts_with("Использование: Play ")) << help.out;
    const RunOutcome shortHelp = run({"-h"});
    EXPECT_EQ(shortHelp.exitCode, 0);
    EXPECT_EQ(shortHelp.out, help.out);
}

TEST_F(PlayRun, WavHoldsTheTextAndUnknownTokensAreReported) {
    // A bare name is read from the History folder beside the player.
    writeCommandFile(folder / "History" / "000.cmd", "l4 o3 a x p4 a\r\n");
    const RunOutcome r = run({"--builtin", "--wav", (folder / "out.wav").string(), "000.cmd"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(LineCount(r.err), 1u) << r.err;
    EXPECT_NE(r.err.find("000.cmd, строка 1, столбец 9:"), std::string::npos) << r.err;

    SndfileHandle wav((folder / "out.wav").string());
    ASSERT_EQ(wav.channels(), 1);
    ASSERT_EQ(wav.samplerate(), 44100);
    std::vector<float> samples(static_cast<size_t>(wav.frames()));
    ASSERT_EQ(wav.readf(samples.data(), wav.frames()), 44100 * 3 / 2);
    // A tone, then a silent rest between the notes.
    EXPECT_TRUE(std::any_of(samples.begin(), samples.begin() + 22050, [](float s) { return s != 0.0f; }));
    EXPECT_TRUE(std::all_of(samples.begin() + 22050, samples.begin() + 44100, [](float s) { return s == 0.0f; }));
}

// Output that cannot be written is a failure, whichever stream lost it.
TEST_F(PlayRun, LostOutputFails) {
    writeCommandFile(folder / "History" / "000.cmd", "l16 c x\r\n");
    const struct {
        std::vector<std::string> arguments;
        const char *out, *err;
        int exitCode;
    } rows[] = {
        {{"--help"}, "/dev/full", "stderr.txt", 1},
        {{"--help"}, "/dev/null", "stderr.txt", 0},
        {{"--builtin", "--wav", "out.wav", "000.cmd"}, "stdout.txt", "/dev/full", 1},
        {{"--builtin", "--wav", "out.wav", "000.cmd"}, "stdout.txt", "/dev/null", 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.out) + " " + row.err);
        EXPECT_EQ(run(row.arguments, "", row.out, row.err).exitCode, row.exitCode);
    }
}

// A pipe or a device is written through and stays what it was: a WAV file
// reaches a pipe whole (its header needs a seek, which a pipe cannot), and
// a full device fails as a full disk does.
TEST_F(PlayRun, PipesAndDevicesAreWrittenThrough) {
    writeCommandFile(folder / "History" / "000.cmd", "l8 o2 c d e\r\n");
    ASSERT_EQ(run({"--builtin", "--wav", "file.wav", "000.cmd"}).exitCode, 0);
    ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0600), 0);
    for (const char* option : {"--wav", "--midi"}) {
        SCOPED_TRACE(option);
        std::string received;
        std::thread reader([&] { received = ReadAll(folder / "pipe"); });
        const RunOutcome piped = run({"--builtin", option, "pipe", "000.cmd"});
        reader.join();
        EXPECT_EQ(piped.exitCode, 0) << piped.err;
        EXPECT_TRUE(fs::is_fifo(folder / "pipe"));
        if (std::string(option) == "--wav")
            EXPECT_EQ(received, ReadAll(folder / "file.wav"));
        else
            EXPECT_TRUE(received.starts_with("MThd"));
        // The system's own device is only written to, never replaced.
        const RunOutcome full = run({"--builtin", option, "/dev/full", "000.cmd"});
        EXPECT_EQ(full.exitCode, 1);
        EXPECT_NE(full.err.find("На устройстве не осталось свободного места"), std::string::npos) << full.err;
        EXPECT_TRUE(fs::is_character_file("/dev/full"));
    }
    EXPECT_EQ(Temporaries(folder), std::vector<std::string>());
}

// A render ended by SIGINT, SIGTERM or SIGHUP leaves no temporary file and no
// target behind, and the player ends by that signal.
TEST_F(PlayRun, InterruptedRenderLeavesNothing) {
    std::string text = "t32 l1";
    for (int i = 0; i < 1000; ++i)
        text += " c";
    writeCommandFile(folder / "long.cmd", text + "\r\n");
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        const SignalledEnd end =
            RunAndSignal((folder / "Play").string(),
                         {"--builtin", "--wav", (folder / "out.wav").string(), (folder / "long.cmd").string()}, {},
                         [&] { return !Temporaries(folder).empty(); }, signal);
        EXPECT_TRUE(end.ready);
        EXPECT_EQ(end.endingSignal, signal);
        EXPECT_EQ(Temporaries(folder), std::vector<std::string>());
        EXPECT_FALSE(fs::exists(folder / "out.wav"));
    }
}

TEST_F(PlayRun, WithoutAnAudioDeviceSilenceSucceeds) {
    writeCommandFile(folder / "History" / "002.cmd", "\r\n");
    const RunOutcome r = run({"002.cmd"}, "SDL_AUDIODRIVER=none-such");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;
}

TEST_F(PlayRun, PlaysThroughTheAudioDevice) {
    writeCommandFile(folder / "History" / "004.cmd", "t240 l16 o3 a b > c\r\n");
    const fs::path raw = folder / "device.raw";
    const RunOutcome r = run({"004.cmd"}, "SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE='" + raw.string() + "'");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string bytes = ReadAll(raw);
    EXPECT_TRUE(std::any_of(bytes.begin(), bytes.end(), [](char b) { return b != 0; }));
}

// --midi writes the notes; SoundFont choices: a named one that cannot be used
// is an error, none found at all falls back to the built-in synthesizer.
TEST_F(PlayRun, MidiFilesAndSoundFonts) {
    writeCommandFile(folder / "History" / "000.cmd", "l8 o1 c# f# a c# f# a d f# g# p8 f# g#\r\n");
    fs::create_directories(folder / "empty");
    // A SoundFont's signature over nothing: FluidSynth takes it up, and its loaders fail.
    fs::create_directories(folder / "fonts");
    writeCommandFile(folder / "fonts" / "cut.sf2", std::string("RIFF\x04\0\0\0sfbkLIST", 16));
    // A broken font under the name searched for first, ahead of the system's own.
    fs::copy_file(folder / "fonts" / "cut.sf2", folder / "fonts" / "TimGM6mb.sf2");
    const bool soundFont = fs::exists("/usr/share/sounds/sf2/TimGM6mb.sf2");
    const std::string brokenFirst =
        "MELODYNET_SOUNDFONT_DIRS='" + (folder / "fonts").string() + ":/usr/share/sounds/sf2'";
    const std::string none = std::string("MELODYNET_SOUNDFONT_DIRS='") + (folder / "empty").string() + "'";
    const struct {
        std::vector<std::string> arguments;
        std::string env;
        int exitCode;
        size_t errLines;
        const char* written; // the file that must exist afterwards, or none
    } rows[] = {
        {{"--midi", "out.mid", "--program", "5", "000.cmd"}, "", 0, 0, "out.mid"},
        {{"--midi", "nowhere/out.mid", "000.cmd"}, "", 1, 1, nullptr},
        {{"--midi", "History", "000.cmd"}, "", 1, 1, nullptr},
        {{"--soundfont", "fonts/cut.sf2", "--wav", "out.wav", "000.cmd"}, "", 1, 1, nullptr},
        {{"--program", "128", "000.cmd"}, "", 2, 1, nullptr},
        {{"--builtin", "--soundfont", "x.sf2", "000.cmd"}, "", 2, 1, nullptr},
        {{"--wav", "out.wav", "000.cmd"}, none, 0, 1, "out.wav"},
        {{"--wav", "out.wav", "--program", "40", "000.cmd"},
         "MELODYNET_SOUNDFONT_DIRS=/usr/share/sounds/sf2",
         0,
         soundFont ? 0u : 1u,
         "out.wav"},
        {{"--wav", "out.wav", "000.cmd"}, brokenFirst, 0, soundFont ? 1u : 2u, "out.wav"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.arguments.front() + " " + row.env);
        fs::remove(folder / "out.mid");
        fs::remove(folder / "out.wav");
        const RunOutcome r = run(row.arguments, row.env);
        EXPECT_EQ(r.exitCode, row.exitCode) << r.err;
        EXPECT_EQ(LineCount(r.err), row.errLines) << r.err;
        EXPECT_EQ(fs::exists(folder / "out.mid") || fs::exists(folder / "out.wav"), row.written != nullptr);
        // Failed writes leave no temporary files behind.
        EXPECT_EQ(std::distance(fs::directory_iterator(folder / "History"), fs::directory_iterator()), 1);
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()),
                  6 + (row.written != nullptr ? 1 : 0));
    }

    // The broken font is passed over for the next one, not for the built-in synthesizer.
    if (soundFont) {
        const RunOutcome next = run({"--wav", "out.wav", "000.cmd"}, brokenFirst);
        EXPECT_NE(next.err.find("fonts/TimGM6mb.sf2"), std::string::npos) << next.err;
        EXPECT_EQ(next.err.find("built-in"), std::string::npos) << next.err;
    }

    // Without a SoundFont the built-in synthesizer plays exactly the events' length.
    run({"--wav", "out.wav", "000.cmd"}, none);
    EXPECT_EQ(SndfileHandle((folder / "out.wav").string()).frames(), 44100 * 3);
}

} // namespace
