#include "player/Synthesizer.h"
#include "player/WavWriter.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A sound longer than the file can hold is refused; the old file stays whole
// and no temporary file is left. A name that is not UTF-8 keeps its bytes.
TEST(WavWriter, RefusesSoundBeyondItsLimitAndKeepsNames) {
    const fs::path folder = fs::temp_directory_path() / ("tst_wavwriter_" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    const fs::path target = folder / "out\xff.wav";
    std::ofstream(target, std::ios::binary) << "old";

    const struct {
        uint64_t maxFrames;
        bool written;
    } rows[] = {{22049, false}, {22050, true}};
    for (const auto& row : rows) {
        Synthesizer source({{440.0, 0.5, 69}}, 44100);
        std::string error;
        EXPECT_EQ(WavWriter::write(target.string(), source, error, row.maxFrames), row.written) << error;
        EXPECT_EQ(error.find("длиннее, чем вмещает WAV-файл") != std::string::npos, !row.written) << error;
        EXPECT_EQ(ReadAll(target) == "old", !row.written);
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
    }
    EXPECT_EQ(ReadAll(target).substr(0, 4), "RIFF");
    fs::remove_all(folder);
}

} // namespace
