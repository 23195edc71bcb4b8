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

// The pitch found in samples [begin, end) from their period: the lag within
// two semitones of the period of `near` at which the samples are most alike
// (normalised autocorrelation, refined between samples by a parabola), and
// that likeness (1 for a perfectly periodic sound). Unlike the filter above
// it needs only a few periods, and it hears a low piano note whose
// fundamental is weak beside its harmonics.
struct Periodicity {
    double frequency = 0.0;
    double likeness = -1.0;
};

inline Periodicity PeriodPitch(const std::vector<float>& samples, size_t begin, size_t end, double near, int rate) {
    auto likeness = [&](size_t lag) {
        double product = 0.0, first = 0.0, second = 0.0;
        for (size_t i = begin; i + lag < end; ++i) {
            product += static_cast<double>(samples[i]) * samples[i + lag];
            first += static_cast<double>(samples[i]) * samples[i];
            second += static_cast<double>(samples[i + lag]) * samples[i + lag];
        }
        return first > 0.0 && second > 0.0 ? product / std::sqrt(first * second) : 0.0;
    };
    const auto shortest = static_cast<size_t>(rate / (near * 1.12));
    const auto longest = static_cast<size_t>(rate / (near * 0.89)) + 1;
    size_t best = shortest;
    std::vector<double> values(longest + 2, 0.0);
    for (size_t lag = shortest - 1; lag <= longest + 1; ++lag) {
        values[lag] = likeness(lag);
        if (lag >= shortest && lag <= longest && values[lag] > values[best])
            best = lag;
    }
    const double left = values[best - 1], middle = values[best], right = values[best + 1];
    const double curve = left - 2.0 * middle + right;
    const double shift = curve < 0.0 ? 0.5 * (left - right) / curve : 0.0;
    return {rate / (static_cast<double>(best) + shift), middle};
}
