#pragma once

#include "melody/CommandReader.h"
#include "player/SampleSource.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Renders play events into mono float samples in -1..1, piece by piece, so a
// long melody never needs its whole sound in memory. Each tone sounds for
// 7/8 of its event and is silent for the rest; it rises and falls smoothly
// so no clicks are heard at its start and end.
class Synthesizer : public SampleSource {
public:
    static constexpr int DefaultSampleRate = 44100;
    // Share of an event during which its tone sounds.
    static constexpr double ToneShare = 7.0 / 8.0;
    static constexpr double AttackSeconds = 0.005;
    static constexpr double ReleaseSeconds = 0.02;
    static constexpr double Volume = 0.3;

    // Prepares to render `events` at `sampleRate` samples a second.
    Synthesizer(std::vector<PlayEvent> events, int sampleRate = DefaultSampleRate);

    // Writes up to `count` next samples into `out`; returns how many it wrote,
    // fewer than `count` only at the end (0 once everything is rendered).
    size_t render(float* out, size_t count) override;

    // Renders everything that is left into one buffer.
    std::vector<float> renderAll();

    // Number of samples of the whole melody.
    uint64_t totalSamples() const { return starts_.back(); }

    // First sample of event `index` (index == event count gives the end).
    uint64_t eventStart(size_t index) const { return starts_[index]; }

    // Number of sounding samples of event `index` (0 for rests).
    uint64_t toneSamples(size_t index) const;

    int sampleRate() const override { return sampleRate_; }

    // True when everything has been rendered.
    bool finished() const { return position_ >= totalSamples(); }

private:
    float sample(size_t event, uint64_t offset) const;

    std::vector<PlayEvent> events_;
    std::vector<uint64_t> starts_;
    int sampleRate_;
    uint64_t position_ = 0;
    size_t event_ = 0;
};
