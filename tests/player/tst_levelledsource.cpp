#include "player/LevelledSource.h"

#include "Rendered.h"

#include <gtest/gtest.h>

namespace {

constexpr int Rate = 44100;
constexpr double ceiling = 0.8;

// Hands out a fixed list of samples.
struct ListSource : SampleSource {
    explicit ListSource(std::vector<float> list) : samples(std::move(list)) {}
    size_t render(float* out, size_t count) override {
        const size_t n = std::min(count, samples.size() - position);
        std::copy_n(samples.begin() + static_cast<std::ptrdiff_t>(position), n, out);
        position += n;
        return n;
    }
    int sampleRate() const override { return Rate; }
    std::vector<float> samples;
    size_t position = 0;
};

// `seconds` of a 220 Hz sine of `amplitude`, then `loud` seconds of amplitude 0.9, then the quiet sine again.
std::vector<float> Sine(double seconds, double amplitude, double loud = 0.0) {
    const auto quiet = static_cast<size_t>(seconds * Rate);
    const auto burst = static_cast<size_t>(loud * Rate);
    std::vector<float> samples(2 * quiet + burst);
    for (size_t i = 0; i < samples.size(); ++i) {
        const double a = (i >= quiet && i < quiet + burst) ? 0.9 : amplitude;
        samples[i] = static_cast<float>(a * std::sin(2.0 * std::numbers::pi * 220.0 * static_cast<double>(i) / Rate));
    }
    return samples;
}

std::vector<float> Levelled(const std::vector<float>& input, double gain, size_t piece = 4096) {
    LevelledSource source(std::make_unique<ListSource>(input), gain, ceiling);
    return RenderAll(source, piece);
}

// Every sample comes out once, the same in any size of piece; quiet passages
// are the source times the gain, loud ones held at the ceiling with the gain
// back after the release.
TEST(LevelledSource, HoldsPeaksAndLeavesTheRestAsItIs) {
    const size_t lookahead = static_cast<size_t>(LevelledSource::LookaheadSeconds * Rate);
    const struct {
        std::vector<float> input;
        double gain;
    } rows[] = {{Sine(0.3, 0.1), 2.0}, {Sine(0.3, 0.1, 0.05), 4.0}, {Sine(0.0001, 0.5), 3.0}, {{}, 2.0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.input.size() << " samples, gain " << row.gain);
        const std::vector<float> out = Levelled(row.input, row.gain);
        ASSERT_EQ(out.size(), row.input.size());
        for (const size_t piece : {1u, 7u})
            EXPECT_EQ(Levelled(row.input, row.gain, piece), out) << "pieces of " << piece;
        float peak = 0.0f;
        for (const float value : out)
            peak = std::max(peak, std::fabs(value));
        EXPECT_LE(peak, static_cast<float>(ceiling));
        const auto quiet = static_cast<size_t>(0.3 * Rate);
        const size_t untouched = row.input.size() == 2 * quiet ? out.size() : std::min(out.size(), quiet - lookahead);
        for (size_t i = 0; i < untouched; ++i)
            ASSERT_NEAR(out[i], row.gain * row.input[i], 1e-6) << i;
        if (row.input.size() > 2 * quiet) {
            // The burst is held at the ceiling, not below it: the gain falls only as far as needed.
            EXPECT_GT(peak, 0.99 * ceiling);
            // Held by a gain that moves smoothly, not clipped: from sample to sample it changes little.
            double last = 1.0;
            size_t lastIndex = 0;
            for (size_t i = 0; i < out.size(); ++i) {
                if (std::fabs(row.input[i]) < 0.05)
                    continue;
                const double applied = out[i] / (row.gain * row.input[i]);
                ASSERT_LE(std::fabs(applied - last), 0.01 * static_cast<double>(i - lastIndex)) << i;
                last = applied;
                lastIndex = i;
            }
            // 0.3 seconds after the burst the quiet sine is back at the full gain.
            for (size_t i = out.size() - 100; i < out.size(); ++i)
                EXPECT_NEAR(out[i], row.gain * row.input[i], 0.005) << i;
        }
    }
}

} // namespace
