#include "melody/CommandReader.h"
#include "player/FluidSynthesizer.h"
#include "player/SoundFonts.h"

#include "Rendered.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>

namespace {

namespace fs = std::filesystem;

// Pieces of any size give the same sound, which rings out within the tail
// after the last event; with nothing to play it ends at once.
TEST(FluidSynth, ChunkingDoesNotChangeTheSoundAndTheTailEnds) {
    const std::optional<fs::path> font = FindSoundFont(SoundFontFolders());
    if (!font)
        GTEST_SKIP() << "no SoundFont installed (Debian's timgm6mb-soundfont)";
    const std::vector<PlayEvent> events = CommandReader::read("t200 l16 o3 c d e f g p8 a b").events;
    auto whole = FluidSynthesizer::create(events, *font, 0), pieces = FluidSynthesizer::create(events, *font, 0);
    auto empty = FluidSynthesizer::create({}, *font, 0);
    ASSERT_TRUE(whole && pieces && empty);
    const std::vector<float> expected = RenderAll(**whole, 1 << 20);
    EXPECT_EQ(RenderAll(**pieces, 333), expected);
    EXPECT_EQ((*pieces)->render(nullptr, 0), 0u);
    EXPECT_GT(expected.size(), (*whole)->eventsEnd());
    EXPECT_LE(expected.size(), (*whole)->eventsEnd() +
                                   static_cast<size_t>(FluidSynthesizer::TailSeconds * (*whole)->sampleRate()) + 512);
    EXPECT_LE(*std::max_element(expected.begin(), expected.end()), 1.0f);
    EXPECT_LE(RenderAll(**empty, 4096).size(), 512u);
}

// A scratch folder's SoundFont-like file; only the names matter to the search.
fs::path Touch(const fs::path& path) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << "x";
    return path;
}

const fs::path root = fs::temp_directory_path() / ("tst_fluidsynth_" + std::to_string(getpid()));

TEST(SoundFontSearch, PrefersTheGeneralMidiFontsThenTheFirstByName) {
    fs::remove_all(root);
    for (const char* name : {"a/notes.txt", "b/zeta.sf2", "b/Alpha.SF3", "c/default-GM.sf2", "d/TimGM6mb.sf2"})
        Touch(root / name);
    fs::create_directories(root / "empty");
    // Every font is a candidate, each once, the preferred ones first; the first is the one found.
    const struct {
        std::vector<std::string> folders, candidates;
    } rows[] = {
        {{"missing", "empty", "a"}, {}},
        {{"a", "b"}, {"b/Alpha.SF3", "b/zeta.sf2"}},
        {{"b", "c"}, {"c/default-GM.sf2", "b/Alpha.SF3", "b/zeta.sf2"}},
        {{"c", "b", "d", "b"}, {"d/TimGM6mb.sf2", "c/default-GM.sf2", "b/Alpha.SF3", "b/zeta.sf2"}},
    };
    for (const auto& row : rows) {
        std::vector<fs::path> folders, candidates;
        for (const std::string& folder : row.folders)
            folders.push_back(root / folder);
        for (const std::string& candidate : row.candidates)
            candidates.push_back(root / candidate);
        EXPECT_EQ(SoundFontCandidates(folders), candidates);
        EXPECT_EQ(FindSoundFont(folders), candidates.empty() ? std::nullopt : std::optional(candidates.front()));
    }
    fs::remove_all(root);
}

TEST(SoundFontSearch, FilesThatAreNoSoundFontAreRefused) {
    fs::remove_all(root);
    for (const auto& [path, error] : {std::pair(Touch(root / "text.sf2"), "это не SoundFont"),
                                      {root / "missing.sf2", "нет такого файла"},
                                      {root, "это не файл"}}) {
        const auto synth = FluidSynthesizer::create({}, path, 0);
        ASSERT_FALSE(synth);
        EXPECT_EQ(synth.error(), error);
    }
    fs::remove_all(root);
}

} // namespace
