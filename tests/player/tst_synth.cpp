#include "player/CommandReader.h"
#include "player/Synthesizer.h"

#include "PitchMeasure.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int Rate = Synthesizer::DefaultSampleRate;

TEST(Synth, PitchAndLengthOfANote) {
    const struct {
        std::string text;
        double frequency;
        double seconds;
    } rows[] = {
        {"o3 a", 440.0, 0.5},          {"l1 o1 c", 65.4064, 2.0}, {"t240 l16 o4 c", 523.2511, 0.0625},
        {"l8 o3 e.", 329.6276, 0.375}, {"o7 a", 7040.0, 0.5},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        Synthesizer synth(CommandReader::read(row.text).events);
        const std::vector<float> samples = synth.renderAll();
        ASSERT_EQ(samples.size(), static_cast<size_t>(std::llround(row.seconds * Rate)));
        const auto tone = static_cast<size_t>(std::llround(row.seconds * 7.0 / 8.0 * Rate));
        EXPECT_EQ(synth.toneSamples(0), tone);
        // The last eighth is silent, so repeated notes stay apart.
        EXPECT_TRUE(std::all_of(samples.begin() + static_cast<std::ptrdiff_t>(tone), samples.end(),
                                [](float s) { return s == 0.0f; }));
        const float peak = *std::max_element(samples.begin(), samples.end());
        EXPECT_TRUE(peak > 0.05f && peak <= 1.0f) << peak;
        EXPECT_NEAR(MeasuredPitch(samples, 0, tone, row.frequency, Rate).frequency / row.frequency, 1.0, 0.005);
    }
}

TEST(Synth, NoClicksAtToneEdges) {
    const ReadResult read = CommandReader::read("l16 o1 c o2 g o4 b l64 o3 a p16 a");
    Synthesizer synth(read.events);
    const std::vector<float> samples = synth.renderAll();
    for (size_t i = 0; i < read.events.size(); ++i) {
        const size_t start = synth.eventStart(i), tone = synth.toneSamples(i);
        if (tone == 0)
            continue;
        EXPECT_LT(std::fabs(samples[start]), 1e-6f) << "event " << i;
        EXPECT_LT(std::fabs(samples[start + tone - 1]), 1e-6f) << "event " << i;
        // Neighbouring samples never jump: the largest step stays far below the tone's peak.
        for (size_t k = start + 1; k < start + tone; ++k)
            ASSERT_LT(std::fabs(samples[k] - samples[k - 1]), 0.2f) << "event " << i << " sample " << k;
    }
}

TEST(Synth, ChunkedRenderingMatchesOneBuffer) {
    const ReadResult read = CommandReader::read("t200 l32 o1 c d e f g a b > c d e f g a b p c");
    Synthesizer whole(read.events);
    const std::vector<float> expected = whole.renderAll();
    Synthesizer pieces(read.events);
    std::vector<float> got;
    std::vector<float> chunk(333);
    while (const size_t n = pieces.render(chunk.data(), chunk.size()))
        got.insert(got.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(n));
    EXPECT_EQ(got, expected);
    EXPECT_TRUE(pieces.finished());
    EXPECT_EQ(pieces.render(chunk.data(), chunk.size()), 0u);
}

TEST(Synth, LongMelodyDoesNotDrift) {
    // 3 / 7 of a second per note does not fall on whole samples.
    Synthesizer synth(std::vector<PlayEvent>(700, {261.6, 3.0 / 7.0}));
    EXPECT_EQ(synth.totalSamples(), static_cast<uint64_t>(std::llround(700 * 3.0 / 7.0 * Rate)));
}

TEST(Synth, EdgeCasesOfTheEvents) {
    Synthesizer inaudible({{30000.0, 0.1}, {0.0, 0.1}});
    const std::vector<float> silent = inaudible.renderAll();
    EXPECT_EQ(silent.size(), static_cast<size_t>(Rate / 5));
    EXPECT_TRUE(std::all_of(silent.begin(), silent.end(), [](float s) { return s == 0.0f; }));

    Synthesizer nothing({});
    EXPECT_EQ(nothing.totalSamples(), 0u);
    EXPECT_TRUE(nothing.finished());
    EXPECT_TRUE(nothing.renderAll().empty());

    Synthesizer tiny({{440.0, 0.0005}, {440.0, 1.0 / Rate}});
    const std::vector<float> samples = tiny.renderAll();
    EXPECT_TRUE(std::all_of(samples.begin(), samples.end(), [](float s) { return std::isfinite(s); }));
    EXPECT_LT(std::fabs(samples.front()), 1e-6f);
}

} // namespace
