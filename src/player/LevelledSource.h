#pragma once

#include "player/SampleSource.h"

#include <cstddef>
#include <memory>
#include <vector>

// Plays another source louder or softer by a fixed gain and holds its peaks
// at a ceiling: before a sample that would pass it, the gain falls along a
// straight line over the Lookahead, reaches exactly what that sample allows,
// and rises again towards the fixed gain with the Release time. Quiet
// passages come out as the source times the gain, sample for sample.
class LevelledSource : public SampleSource {
public:
    static constexpr double LookaheadSeconds = 0.005;
    static constexpr double ReleaseSeconds = 0.05;

    // Plays `source` times `gain`, its samples held within ±`ceiling`.
    LevelledSource(std::unique_ptr<SampleSource> source, double gain, double ceiling);

    size_t render(float* out, size_t count) override;
    int sampleRate() const override { return source_->sampleRate(); }

private:
    // Takes the next sample, already times the gain (silence once the source
    // has ended); true and `out` once the sample a lookahead before is done.
    bool push(double sample, float& out);

    std::unique_ptr<SampleSource> source_;
    double gain_;
    double ceiling_;
    size_t lookahead_;
    double release_; // share of the way back to full gain per sample
    // The last lookahead + 1 samples and the gain each of them allows, as a ring.
    std::vector<double> samples_, allowed_;
    size_t next_ = 0;    // where the next sample goes in the ring
    size_t filled_ = 0;  // samples in the ring
    size_t limited_ = 0; // samples in the ring that allow less than full gain
    double current_ = 1.0;
    bool ended_ = false;
    size_t flushed_ = 0; // samples of silence pushed after the source ended
    std::vector<float> input_;
};
