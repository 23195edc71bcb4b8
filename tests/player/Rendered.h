#pragma once

#include "player/SampleSource.h"

#include <cmath>
#include <numbers>
#include <tuple>
#include <utility>
#include <vector>

// Every sample of `source`, rendered in pieces of `piece` samples.
inline std::vector<float> RenderAll(SampleSource& source, size_t piece) {
    std::vector<float> samples, chunk(piece);
    while (const size_t n = source.render(chunk.data(), chunk.size()))
        samples.insert(samples.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(n));
    return samples;
}

// The pitch found in samples [begin, end): the frequency within two
// semitones of `near` whose Goertzel filter gives the most power, searched
// in steps of 0.1 %.
inline double MeasuredPitch(const std::vector<float>& samples, size_t begin, size_t end, double near, int rate) {
    double best = near, most = -1.0;
    for (double f = near * 0.89; f <= near * 1.12; f *= 1.001) {
        const double c = 2.0 * std::cos(2.0 * std::numbers::pi * f / rate);
        double s1 = 0.0, s2 = 0.0;
        for (size_t i = begin; i < end; ++i)
            s2 = std::exchange(s1, samples[i] + c * s1 - s2);
        if (const double power = s1 * s1 + s2 * s2 - c * s1 * s2; power > most)
            std::tie(best, most) = std::pair(f, power);
    }
    return best;
}
