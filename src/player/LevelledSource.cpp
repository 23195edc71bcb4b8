#include "player/LevelledSource.h"

#include <algorithm>
#include <cmath>

LevelledSource::LevelledSource(std::unique_ptr<SampleSource> source, double gain, double ceiling)
    : source_(std::move(source)), gain_(gain), ceiling_(ceiling),
      lookahead_(static_cast<size_t>(std::max(1.0, std::round(LookaheadSeconds * source_->sampleRate())))),
      release_(1.0 - std::exp(-1.0 / (ReleaseSeconds * source_->sampleRate()))), samples_(lookahead_ + 1),
      allowed_(lookahead_ + 1) {}

bool LevelledSource::push(double sample, float& out) {
    const size_t size = samples_.size();
    if (filled_ == size) {
        // The oldest sample leaves the ring below.
        const size_t oldest = next_;
        if (allowed_[oldest] < 1.0)
            --limited_;
        --filled_;
    }
    const double magnitude = std::fabs(sample);
    samples_[next_] = sample;
    allowed_[next_] = magnitude > ceiling_ ? ceiling_ / magnitude : 1.0;
    limited_ += allowed_[next_] < 1.0 ? 1 : 0;
    next_ = (next_ + 1) % size;
    ++filled_;
    if (filled_ < size)
        return false;

    // The oldest sample in the ring is the one to send now, the newest a lookahead later.
    const size_t oldest = next_;
    double target = 1.0;
    if (limited_ > 0) {
        for (size_t d = 0; d < size; ++d) {
            const double allowed = allowed_[(oldest + d) % size];
            // A straight line from the full gain a lookahead before down to what the sample allows.
            target =
                std::min(target, allowed + (1.0 - allowed) * static_cast<double>(d) / static_cast<double>(lookahead_));
        }
    }
    current_ = std::min(target, current_ + (1.0 - current_) * release_);
    out = static_cast<float>(std::clamp(samples_[oldest] * current_, -ceiling_, ceiling_));
    return true;
}

size_t LevelledSource::render(float* out, size_t count) {
    size_t written = 0;
    while (written < count && !ended_) {
        input_.resize(count - written);
        const size_t got = source_->render(input_.data(), input_.size());
        for (size_t i = 0; i < got; ++i)
            if (push(gain_ * input_[i], out[written]))
                ++written;
        ended_ = got < input_.size();
    }
    // The samples still in the ring come out with silence pushed behind them.
    while (written < count && ended_ && flushed_ < lookahead_) {
        ++flushed_;
        if (push(0.0, out[written]))
            ++written;
    }
    return written;
}
