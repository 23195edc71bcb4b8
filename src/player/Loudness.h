#pragma once

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
// lowered where its loudest sample would pass PeakCeilingDb.
namespace loudness {

inline constexpr double TargetRmsDb = -18.0;
inline constexpr double PeakCeilingDb = -1.5;
// Only the beginning of a long melody is measured, so that it starts without a long wait.
inline constexpr double MeasuredSeconds = 30.0;

// Renders and measures up to `maxSamples` next samples of `source`.
SoundLevel Measure(SampleSource& source, uint64_t maxSamples);

// The factor that brings sound of `level` to the target; 1 for silence.
double NormalisingGain(const SoundLevel& level);

// A source from `make` (a unique_ptr to a source with setGain(), or null)
// with the gain measured on a second source from `make`. A synthesizer that
// has rendered once does not sound alike a second time (FluidSynth's chorus
// and reverb run on), so the measured one is a fresh twin.
template <typename Make>
auto Normalised(Make make) -> decltype(make()) {
    auto source = make();
    if (!source)
        return source;
    if (auto twin = make()) {
        const auto samples = static_cast<uint64_t>(MeasuredSeconds * twin->sampleRate());
        source->setGain(NormalisingGain(Measure(*twin, samples)));
    }
    return source;
}

} // namespace loudness
