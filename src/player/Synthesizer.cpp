#include "player/Synthesizer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// Partials of the tone: soft, a little like a wooden flute.
constexpr double Partials[] = {1.0, 0.5, 0.25, 0.125};
constexpr double PartialSum = 1.875;
// A slow fade over each tone makes repeated notes sound plucked rather than organ-like.
constexpr double DecayPerSecond = 1.2;

} // namespace

Synthesizer::Synthesizer(std::vector<PlayEvent> events, int sampleRate)
    : events_(std::move(events)), sampleRate_(sampleRate > 0 ? sampleRate : DefaultSampleRate) {
    // Event borders come from the running total of seconds, so rounding
    // never adds up over a long melody.
    starts_.reserve(events_.size() + 1);
    double seconds = 0.0;
    starts_.push_back(0);
    for (const PlayEvent& event : events_) {
        seconds += std::max(event.seconds, 0.0);
        starts_.push_back(static_cast<uint64_t>(std::llround(seconds * sampleRate_)));
    }
}

uint64_t Synthesizer::toneSamples(size_t index) const {
    const PlayEvent& event = events_[index];
    const uint64_t length = starts_[index + 1] - starts_[index];
    // A tone above the audible range (or beyond what the rate can carry) stays silent.
    if (event.frequency <= 0.0 || event.frequency >= sampleRate_ / 2.0)
        return 0;
    return std::min<uint64_t>(length, static_cast<uint64_t>(std::llround(event.seconds * ToneShare * sampleRate_)));
}

float Synthesizer::sample(size_t index, uint64_t offset) const {
    const uint64_t tone = toneSamples(index);
    if (offset >= tone || tone < 2)
        return 0.0f;
    const double rate = sampleRate_;
    const double t = static_cast<double>(offset) / rate;

    // Attack and release shrink for very short tones so that they never overlap.
    const double toneSeconds = static_cast<double>(tone - 1) / rate;
    const double attack = std::min(AttackSeconds, toneSeconds / 2.0);
    const double release = std::min(ReleaseSeconds, toneSeconds / 2.0);
    const double remaining = static_cast<double>(tone - 1 - offset) / rate;
    double envelope = 1.0;
    if (t < attack)
        envelope = t / attack;
    if (remaining < release)
        envelope = std::min(envelope, remaining / release);
    // Raised-cosine shaping of the linear ramps keeps the ends smooth.
    envelope = 0.5 - 0.5 * std::cos(std::numbers::pi * envelope);
    envelope *= std::exp(-DecayPerSecond * t);

    const double frequency = events_[index].frequency;
    double value = 0.0;
    for (size_t k = 0; k < std::size(Partials); ++k) {
        const double partial = frequency * static_cast<double>(k + 1);
        if (partial >= rate / 2.0)
            break;
        value += Partials[k] * std::sin(2.0 * std::numbers::pi * partial * t);
    }
    return static_cast<float>(Volume * envelope * value / PartialSum);
}

size_t Synthesizer::render(float* out, size_t count) {
    size_t written = 0;
    while (written < count && position_ < totalSamples()) {
        while (position_ >= starts_[event_ + 1])
            ++event_;
        const uint64_t end = std::min<uint64_t>(starts_[event_ + 1], position_ + (count - written));
        for (; position_ < end; ++position_)
            out[written++] = sample(event_, position_ - starts_[event_]);
    }
    return written;
}

std::vector<float> Synthesizer::renderAll() {
    std::vector<float> samples(static_cast<size_t>(totalSamples() - std::min(position_, totalSamples())));
    samples.resize(render(samples.data(), samples.size()));
    return samples;
}
