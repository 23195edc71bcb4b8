#pragma once

#include <cstddef>

// Anything that renders mono float samples in -1..1 piece by piece: the
// audio device and the WAV writer take it, whatever synthesizer it is.
class SampleSource {
public:
    virtual ~SampleSource() = default;

    // Writes up to `count` next samples into `out`; returns how many it wrote,
    // fewer than `count` only at the end (0 once everything is rendered).
    virtual size_t render(float* out, size_t count) = 0;

    // Samples a second.
    virtual int sampleRate() const = 0;

    // Renders `count` samples into `out`, silence after the end; true when the end was reached.
    bool fill(float* out, size_t count);
};
