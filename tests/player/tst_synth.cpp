#include "melody/CommandReader.h"
#include "player/Synthesizer.h"

#include "Rendered.h"

#include <gtest/gtest.h>

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
        EXPECT_EQ(std::vector(samples.begin() + static_cast<std::ptrdiff_t>(tone), samples.end()),
                  std::vector<float>(samples.size() - tone));
        EXPECT_LE(*std::max_element(samples.begin(), samples.end()), 1.0f);
        EXPECT_NEAR(MeasuredPitch(samples, 0, tone, row.frequency, Rate) / row.frequency, 1.0, 0.005);
    }
}

// Tones begin and end at zero without a jump; pieces of any size give the same samples.
TEST(Synth, NoClicksAtToneEdgesInPiecesOfAnySize) {
    const ReadResult read = CommandReader::read("l16 o1 c o2 g o4 b l64 o3 a p16 a");
    Synthesizer synth(read.events), pieces(read.events);
    const std::vector<float> samples = synth.renderAll();
    EXPECT_EQ(RenderAll(pieces, 333), samples);
    EXPECT_TRUE(pieces.finished());
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

TEST(Synth, EdgeCasesOfTheEvents) {
    // 3 / 7 of a second per note does not fall on whole samples, and the sum must not drift.
    EXPECT_EQ(Synthesizer(std::vector<PlayEvent>(700, {261.6, 3.0 / 7.0})).totalSamples(),
              static_cast<uint64_t>(std::llround(700 * 3.0 / 7.0 * Rate)));

    EXPECT_EQ(Synthesizer({{30000.0, 0.1}, {0.0, 0.1}}).renderAll(), std::vector<float>(Rate / 5));

    // Events shorter than a sample: no tone outlasts its own event, whatever the rounding.
    const Synthesizer crumbs(std::vector<PlayEvent>(5, {440.0, 0.6 / Rate}));
    for (size_t i = 0; i < 5; ++i)
        EXPECT_LE(crumbs.toneSamples(i), crumbs.eventStart(i + 1) - crumbs.eventStart(i)) << i;

    EXPECT_TRUE(Synthesizer({}).finished());
    EXPECT_TRUE(Synthesizer({}).renderAll().empty());

    const std::vector<float> tiny = Synthesizer({{440.0, 0.0005}, {440.0, 1.0 / Rate}}).renderAll();
    EXPECT_TRUE(std::all_of(tiny.begin(), tiny.end(), [](float s) { return std::isfinite(s); }));
    EXPECT_LT(std::fabs(tiny.front()), 1e-6f);
}

} // namespace
