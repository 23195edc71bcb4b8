#include "player/SoundFonts.h"

#include <gtest/gtest.h>
#include <sndfile.hh>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The window's default melody, "3, 8, 11, 3, 8, 11, 4, 8, 10, 1, 8, 10".
constexpr char DefaultMelody[] = "l8 o1 c# f# a c# f# a d f# g# p8 f# g#\r\n";

struct Level {
    double rmsDb = -200.0;
    double peakDb = -200.0;
};

// The level of a WAV file, read back through libsndfile, not through the player's own measure.
Level Measure(const fs::path& wav) {
    SndfileHandle file(wav.string());
    std::vector<float> samples(static_cast<size_t>(std::max<sf_count_t>(file.frames(), 0)));
    samples.resize(static_cast<size_t>(file.readf(samples.data(), static_cast<sf_count_t>(samples.size()))));
    double squares = 0.0, peak = 0.0;
    for (const float value : samples) {
        squares += static_cast<double>(value) * value;
        peak = std::max(peak, std::fabs(static_cast<double>(value)));
    }
    Level level;
    if (!samples.empty() && squares > 0.0) {
        level.rmsDb = 10.0 * std::log10(squares / static_cast<double>(samples.size()));
        level.peakDb = 20.0 * std::log10(peak);
    }
    return level;
}

class Loudness : public testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("tst_loudness_" + std::to_string(::getpid()));
        fs::create_directories(folder);
        std::ofstream(folder / "melody.cmd", std::ios::binary) << DefaultMelody;
    }
    void TearDown() override { fs::remove_all(folder); }

    // Renders the melody with the player's arguments `how` and measures the WAV file.
    Level render(const std::string& how) {
        const fs::path wav = folder / "out.wav";
        fs::remove(wav);
        const std::string command = std::string("'") + PLAY_BINARY + "' " + how + " --wav '" + wav.string() + "' '" +
                                    (folder / "melody.cmd").string() + "' 2>/dev/null";
        const int status = std::system(command.c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command;
        return Measure(wav);
    }

    fs::path folder;
};

// Switching the instrument keeps the loudness: about -18 dBFS RMS and peaks
// below -1 dBFS. Before, the built-in synthesizer played at -20, the piano
// at -25 and the programs from -50 to -15.
TEST_F(Loudness, EveryInstrumentPlaysTheDefaultMelodyAtOneLevel) {
    std::vector<std::string> instruments = {"--builtin"};
    if (const std::optional<fs::path> font = FindSoundFont(SoundFontFolders())) {
        // Piano, violin, flute, a helicopter (once 32 dB too quiet), the
        // loudest bells and the alto saxophone, whose peaks are held most.
        for (const int program : {0, 40, 73, 125, 14, 65})
            instruments.push_back("--soundfont '" + font->string() + "' --program " + std::to_string(program));
    }
    for (const std::string& how : instruments) {
        SCOPED_TRACE(how);
        const Level level = render(how);
        EXPECT_LT(level.peakDb, -1.0);
        EXPECT_GT(level.rmsDb, -19.5);
        EXPECT_LT(level.rmsDb, -17.5);
    }
}

} // namespace
