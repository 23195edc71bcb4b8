#include "player/Synthesizer.h"
#include "player/WavWriter.h"

#include <gtest/gtest.h>

#include <sndfile.hh>

#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

// A sound longer than the file can hold is refused; the old file stays whole
// and no temporary file is left. A name that is not UTF-8 keeps its bytes.
// The file holds the sound, mono at its rate, as an independent reader sees it.
TEST(WavWriter, RefusesSoundBeyondItsLimitAndKeepsNames) {
    const fs::path folder = fs::temp_directory_path() / ("tst_wavwriter_" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    const fs::path target = folder / "out\xff.wav";
    std::ofstream(target, std::ios::binary) << "old";

    // One frame short of the sound's 22050, then just enough.
    for (const uint64_t maxFrames : {22049u, 22050u}) {
        const bool fits = maxFrames == 22050;
        Synthesizer source({{440.0, 0.5, 69}}, 44100);
        const PlayerResult<> written = WavWriter::write(target.string(), source, maxFrames);
        const std::string error = written ? std::string() : written.error();
        EXPECT_EQ(written.ok(), fits) << error;
        EXPECT_EQ(error.find("длиннее, чем вмещает WAV-файл") != std::string::npos, !fits) << error;
        std::string kept; // up to the first NUL, which a WAV header has and "old" has not
        std::getline(std::ifstream(target, std::ios::binary), kept, '\0');
        EXPECT_EQ(kept == "old" && fs::file_size(target) == 3, !fits);
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
    }
    SndfileHandle wav(target.string());
    ASSERT_EQ(std::pair(wav.channels(), wav.samplerate()), std::pair(1, 44100));
    std::vector<float> samples(22051);
    ASSERT_EQ(wav.readf(samples.data(), 22051), 22050);
    const std::vector<float> expected = Synthesizer({{440.0, 0.5, 69}}, 44100).renderAll();
    for (size_t i = 0; i < expected.size(); ++i)
        ASSERT_NEAR(samples[i], expected[i], 1e-4) << i;
    fs::remove_all(folder);
}

} // namespace
