#pragma once

#include "player/LevelledSource.h"
#include "player/SampleSource.h"

#include <cstdint>
#include <memory>

// The level of a piece of rendered sound.
struct SoundLevel {
    double rms = 0.0;  // root mean square of the samples
    double peak = 0.0; // largest absolute sample
};

// Every instrument plays a melody at one loudness: the melody is rendered
// once to measure it, and played with the gain that brings it to TargetRmsDb,
// its peaks held at PeakCeilingDb. Where that would take the peaks down by
// more than MaxLimitingDb, the gain is lowered instead, so that a sharp
// attack keeps its shape.
namespace loudness {

inline constexpr double TargetRmsDb = -18.0;
inline constexpr double PeakCeilingDb = -1.5;
inline constexpr double MaxLimitingDb = 6.0;
// Only the beginning of a long melody is measured, so that it starts without a long wait.
inline constexpr double MeasuredSeconds = 30.0;

// Renders and measures up to `maxSamples` next samples of `source`.
SoundLevel Measure(SampleSource& source, uint64_t maxSamples);

// The factor that brings sound of `level` to the target; 1 for silence.
double NormalisingGain(const SoundLevel& level);

// The largest sample the player sends, as a factor.
double PeakCeiling();

// A source from `make` (a unique_ptr to a source, or null) at the player's
// loudness, measured on a second source from `make`; null when `make` fails.
// A synthesizer that has rendered once does not sound alike a second time
// (FluidSynth's chorus and reverb run on), so the measured one is a fresh twin.
template <typename Make>
std::unique_ptr<SampleSource> Normalised(Make make) {
    std::unique_ptr<SampleSource> source = make();
    if (!source)
        return nullptr;
    double gain = 1.0;
    if (std::unique_ptr<SampleSource> twin = make()) {
        const auto samples = static_cast<uint64_t>(MeasuredSeconds * twin->sampleRate());
        gain = NormalisingGain(Measure(*twin, samples));
    }
    return std::make_unique<LevelledSource>(std::move(source), gain, PeakCeiling());
}

} // namespace loudness
