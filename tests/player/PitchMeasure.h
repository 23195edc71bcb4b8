#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numbers>
#include <utility>
#include <vector>

// The pitch found in samples [begin, end): the frequency within two
// semitones of `near` whose Goertzel filter gives the most power, searched
// in steps of 0.1 %, and that component's amplitude.
struct Pitch {
    double frequency = 0.0;
    double amplitude = 0.0;
};

inline Pitch MeasuredPitch(const std::vector<float>& samples, size_t begin, size_t end, double near, int rate) {
    Pitch best{near, -1.0};
    for (double f = near * 0.89; f <= near * 1.12; f *= 1.001) {
        const double c = 2.0 * std::cos(2.0 * std::numbers::pi * f / rate);
        double s1 = 0.0, s2 = 0.0;
        for (size_t i = begin; i < end; ++i)
            s2 = std::exchange(s1, samples[i] + c * s1 - s2);
        const double power = s1 * s1 + s2 * s2 - c * s1 * s2;
        const double amplitude = 2.0 * std::sqrt(std::max(power, 0.0)) / static_cast<double>(end - begin);
        if (amplitude > best.amplitude)
            best = {f, amplitude};
    }
    return best;
}
