#include "player/Loudness.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace loudness {

namespace {

double Amplitude(double decibels) {
    return std::pow(10.0, decibels / 20.0);
}

} // namespace

SoundLevel Measure(SampleSource& source, uint64_t maxSamples) {
    std::vector<float> piece(4096);
    double squares = 0.0;
    uint64_t count = 0;
    SoundLevel level;
    while (count < maxSamples) {
        const size_t wanted = static_cast<size_t>(std::min<uint64_t>(piece.size(), maxSamples - count));
        const size_t got = source.render(piece.data(), wanted);
        if (got == 0)
            break;
        for (size_t i = 0; i < got; ++i) {
            const double value = piece[i];
            squares += value * value;
            level.peak = std::max(level.peak, std::fabs(value));
        }
        count += got;
    }
    if (count > 0)
        level.rms = std::sqrt(squares / static_cast<double>(count));
    return level;
}

double NormalisingGain(const SoundLevel& level) {
    // Below about -150 dB there is nothing to hear, only rounding.
    if (level.rms < 3e-8 || level.peak <= 0.0)
        return 1.0;
    return std::min(Amplitude(TargetRmsDb) / level.rms, Amplitude(PeakCeilingDb + MaxLimitingDb) / level.peak);
}

double PeakCeiling() {
    return Amplitude(PeakCeilingDb);
}

} // namespace loudness
