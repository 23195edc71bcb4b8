#include <gtest/gtest.h>

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
#include <tuple>
#include <vector>

namespace {

namespace fs = std::filesystem;

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

// A scratch folder holding a copy of the player, so that its History folder is our own,
// with the window's default melody as History/000.cmd and one with an unknown token as History/001.cmd.
class PlayRun : public testing::Test {
protected:
    void SetUp() override {
        fs::remove_all(folder);
        fs::create_directories(folder / "History");
        fs::copy_file(PLAY_BINARY, folder / "Play");
        std::ofstream(folder / "History" / "000.cmd") << "l8 o1 c# f# a c# f# a d f# g# p8 f# g#\r\n";
        std::ofstream(folder / "History" / "001.cmd") << "l4 o3 a x p4 a\r\n";
    }

    void TearDown() override { fs::remove_all(folder); }

    // Runs the copy inside the scratch folder, with the audio settings of `env` only;
    // returns its exit status, stdout and stderr.
    std::tuple<int, std::string, std::string> run(const std::vector<std::string>& arguments,
                                                  const std::string& env = "", const std::string& out = "stdout.txt",
                                                  const std::string& err = "stderr.txt") {
        std::string command =
            "cd '" + folder.string() + "' && env -u SDL_AUDIODRIVER -u SDL_DISKAUDIOFILE " + env + " ./Play";
        for (const std::string& a : arguments)
            command += " '" + a + "'";
        const int status = std::system((command + " >" + out + " 2>" + err).c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadAll(folder / "stdout.txt"),
                ReadAll(folder / "stderr.txt")};
    }

    const fs::path folder = fs::temp_directory_path() / ("tst_play_" + std::to_string(::getpid()) + "_" +
                                                         testing::UnitTest::GetInstance()->current_test_info()->name());
};

// Each run: its exit status, its lines on stderr (each "Play: " and, on a
// failure, Russian), the file it leaves, a part of what it says. Output that
// cannot be written is a failure, whichever stream lost it. SoundFont
// choices: a named one that cannot be used is an error, a broken one found is
// passed over for the next one, none found at all falls back to the built-in
// synthesizer.
TEST_F(PlayRun, ExitStatusMessagesAndFiles) {
    fs::create_directories(folder / "empty");
    // A SoundFont's signature over nothing: FluidSynth takes it up, and its loaders fail.
    fs::create_directories(folder / "fonts");
    std::ofstream(folder / "fonts" / "cut.sf2") << std::string("RIFF\x04\0\0\0sfbkLIST", 16);
    // A broken font under the name searched for first, ahead of the system's own.
    fs::copy_file(folder / "fonts" / "cut.sf2", folder / "fonts" / "TimGM6mb.sf2");
    const std::string sf2 = "/usr/share/sounds/sf2", dirs = "MELODYNET_SOUNDFONT_DIRS=";
    const bool system = fs::exists(sf2 + "/TimGM6mb.sf2");
    const std::string noDevice = "SDL_AUDIODRIVER=none-such";
    const char* noSpace = "На устройстве не осталось свободного места";
    const struct {
        std::vector<std::string> arguments;
        std::string env = "";
        int exitCode = 0;
        size_t errLines = 0;
        const char* written = nullptr; // a file that must hold sound afterwards
        const char* said = "";         // a part of stderr
        const char *out = "stdout.txt", *err = "stderr.txt";
    } rows[] = {
        {{"404.cmd"}, "", 1, 1},
        {{"./nowhere/404.cmd"}, "", 1, 1},
        {{"./History"}, "", 1, 1},
        {{}, "", 2, 1},
        {{"--loud", "000.cmd"}, "", 2, 1},
        {{"--wav"}, "", 2, 1},
        {{"a.cmd", "b.cmd"}, "", 2, 1},
        {{"--program", "128", "000.cmd"}, "", 2, 1},
        {{"--builtin", "--soundfont", "x.sf2", "000.cmd"}, "", 2, 1},
        {{"--builtin", "000.cmd"}, noDevice, 3, 1},
        {{"--soundfont", "fonts/cut.sf2", "--wav", "out.wav", "000.cmd"}, "", 1, 1},
        // Nothing to play needs no audio device; the disk driver takes the sound.
        {{"002.cmd"}, noDevice, 0, 0},
        {{"000.cmd"}, "SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=out.raw", 0, 0, "out.raw"},
        // A bare name is read from the History folder beside the player.
        {{"--builtin", "--wav", "out.wav", "001.cmd"}, "", 0, 1, "out.wav", "001.cmd, строка 1, столбец 9:"},
        {{"--midi", "out.mid", "--program", "5", "000.cmd"}, "", 0, 0, "out.mid"},
        {{"--wav", "out.wav", "000.cmd"}, dirs + "empty", 0, 1, "out.wav"},
        {{"--wav", "out.wav", "--program", "40", "000.cmd"}, dirs + sf2, 0, system ? 0u : 1u, "out.wav"},
        {{"--wav", "out.wav", "000.cmd"}, dirs + "fonts:" + sf2, 0, system ? 1u : 2u, "out.wav", "fonts/TimGM6mb.sf2"},
        // The system's own device is only written to, never replaced, and fails as a full disk does.
        {{"--builtin", "--wav", "/dev/full", "000.cmd"}, "", 1, 1, nullptr, noSpace},
        {{"--builtin", "--midi", "/dev/full", "000.cmd"}, "", 1, 1, nullptr, noSpace},
        {{"--help"}, "", 0, 0, nullptr, "", "/dev/null"},
        {{"--help"}, "", 1, 1, nullptr, "", "/dev/full"},
        {{"--builtin", "--wav", "out.wav", "001.cmd"}, "", 1, 0, "out.wav", "", "stdout.txt", "/dev/full"},
    };
    std::ofstream(folder / "History" / "002.cmd") << "\r\n";
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.arguments) + " " + row.env + " >" + row.out + " 2>" + row.err);
        const auto [exitCode, out, err] = run(row.arguments, row.env, row.out, row.err);
        EXPECT_EQ(exitCode, row.exitCode) << err;
        if (std::string(row.err) != "/dev/full") {
            EXPECT_EQ(static_cast<size_t>(std::count(err.begin(), err.end(), '\n')), row.errLines) << err;
            EXPECT_TRUE(err.empty() || err.starts_with("Play: ")) << err;
            // Russian like the other programs (UTF-8 lead bytes D0 and D1 of Cyrillic).
            EXPECT_TRUE(row.exitCode == 0 || err.find_first_of("\xD0\xD1") != std::string::npos) << err;
            EXPECT_NE(err.find(row.said), std::string::npos) << err;
        }
        EXPECT_TRUE(row.written == nullptr ||
                    ReadAll(folder / row.written).find_first_not_of('\0') != std::string::npos);
        // Only the file named is left; removing it readies the next row.
        for (const std::string name : {"out.wav", "out.mid", "out.raw"})
            EXPECT_EQ(fs::remove(folder / name), row.written != nullptr && name == row.written) << name;
        EXPECT_EQ(Temporaries(folder), std::vector<std::string>());
    }
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
    const std::string help = std::get<1>(run({"-h"}));
    EXPECT_TRUE(help.starts_with("Использование: Play ")) << help;
    EXPECT_EQ(std::get<1>(run({"--help"})), help);
}

// A pipe is written through and stays what it was: a WAV file reaches it
// whole (its header needs a seek, which a pipe cannot).
TEST_F(PlayRun, PipesAreWrittenThrough) {
    ASSERT_EQ(std::get<0>(run({"--builtin", "--wav", "file.wav", "000.cmd"})), 0);
    ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0600), 0);
    for (const char* option : {"--wav", "--midi"}) {
        SCOPED_TRACE(option);
        std::string received;
        std::thread reader([&] { received = ReadAll(folder / "pipe"); });
        const auto [exitCode, out, err] = run({"--builtin", option, "pipe", "000.cmd"});
        reader.join();
        EXPECT_EQ(exitCode, 0) << err;
        EXPECT_TRUE(fs::is_fifo(folder / "pipe"));
        if (std::string(option) == "--wav")
            EXPECT_EQ(received, ReadAll(folder / "file.wav"));
        else
            EXPECT_TRUE(received.starts_with("MThd"));
    }
    EXPECT_EQ(Temporaries(folder), std::vector<std::string>());
}

} // namespace
