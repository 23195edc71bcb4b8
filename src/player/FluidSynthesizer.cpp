#include "player/FluidSynthesizer.h"

#include "player/PlayerMessages.h"
#include "player/QuietStderr.h"
#include "player/Synthesizer.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <system_error>

namespace {

constexpr size_t Block = 512;
// Below this peak a block after the last event counts as silence: about -80 dB
// below a piano note, measured before the player's own gain, so that a melody
// rendered twice ends alike whatever gain it is played with.
constexpr float QuietPeak = 2.5e-5f;

// FluidSynth's errors, caught so the player can report them in its own line.
std::mutex logMutex;
std::string lastError;

void KeepError(int, const char* message, void*) {
    const std::lock_guard lock(logMutex);
    lastError = message != nullptr ? message : "";
}

void Ignore(int, const char*, void*) {}

// FluidSynth logs to stderr by default; warnings and information are dropped
// and errors kept for the caller's message.
void QuietLog() {
    static std::once_flag once;
    std::call_once(once, [] {
        fluid_set_log_function(FLUID_PANIC, KeepError, nullptr);
        fluid_set_log_function(FLUID_ERR, KeepError, nullptr);
        fluid_set_log_function(FLUID_WARN, Ignore, nullptr);
        fluid_set_log_function(FLUID_INFO, Ignore, nullptr);
        fluid_set_log_function(FLUID_DBG, Ignore, nullptr);
    });
}

std::string TakeError(std::string_view fallback) {
    const std::lock_guard lock(logMutex);
    std::string message(fallback);
    if (!lastError.empty())
        message += " (" + lastError + ")";
    lastError.clear();
    return message;
}

} // namespace

FluidSynthesizer::FluidSynthesizer(int sampleRate)
    : sampleRate_(sampleRate > 0 ? sampleRate : DefaultSampleRate), left_(Block), right_(Block) {}

FluidSynthesizer::~FluidSynthesizer() {
    if (synth_ != nullptr)
        delete_fluid_synth(synth_);
    if (settings_ != nullptr)
        delete_fluid_settings(settings_);
}

PlayerResult<std::unique_ptr<FluidSynthesizer>> FluidSynthesizer::create(std::vector<PlayEvent> events,
                                                                         const std::filesystem::path& soundFont,
                                                                         int program, int sampleRate) {
    QuietLog();
    std::error_code code;
    if (!std::filesystem::is_regular_file(soundFont, code))
        return base::Fail(std::string(std::filesystem::exists(soundFont, code) ? player_messages::NotAFile
                                                                               : player_messages::NoSuchFile));
    const std::string path = soundFont.string();
    if (!fluid_is_soundfont(path.c_str()))
        return base::Fail(std::string(player_messages::NotASoundFont));
    std::unique_ptr<FluidSynthesizer> result(new FluidSynthesizer(sampleRate));
    result->settings_ = new_fluid_settings();
    if (result->settings_ == nullptr)
        return base::Fail(std::string(TakeError(player_messages::SynthesizerFailed)));
    fluid_settings_setnum(result->settings_, "synth.sample-rate", result->sampleRate_);
    fluid_settings_setnum(result->settings_, "synth.gain", Gain);
    // One thread calls in at a time; no memory locking, which fails without privileges.
    fluid_settings_setint(result->settings_, "synth.threadsafe-api", 0);
    fluid_settings_setint(result->settings_, "synth.lock-memory", 0);
    result->synth_ = new_fluid_synth(result->settings_);
    if (result->synth_ == nullptr)
        return base::Fail(std::string(TakeError(player_messages::SynthesizerFailed)));
    int loaded = FLUID_FAILED;
    {
        // A loader library of FluidSynth reports its own failures on stderr.
        QuietStderr quiet;
        loaded = fluid_synth_sfload(result->synth_, path.c_str(), 1);
    }
    if (loaded == FLUID_FAILED)
        return base::Fail(std::string(TakeError(player_messages::SoundFontNotLoaded)));
    if (fluid_synth_program_change(result->synth_, 0, std::clamp(program, 0, 127)) != FLUID_OK)
        return base::Fail(std::string(TakeError(player_messages::NoInstrument)));
    result->schedule(events);
    return result;
}

void FluidSynthesizer::schedule(const std::vector<PlayEvent>& events) {
    // The same event borders and tone lengths as the built-in synthesizer.
    Synthesizer timing(events, sampleRate_);
    for (size_t i = 0; i < events.size(); ++i) {
        const uint64_t tone = timing.toneSamples(i);
        const int key = events[i].key;
        if (events[i].frequency <= 0.0 || key < 0 || key > 127 || tone == 0)
            continue;
        switches_.push_back({timing.eventStart(i), key, 100});
        switches_.push_back({timing.eventStart(i) + tone, key, 0});
    }
    // Stable: a note-off and the next note-on at one sample keep that order.
    std::stable_sort(switches_.begin(), switches_.end(),
                     [](const Switch& a, const Switch& b) { return a.sample < b.sample; });
    eventsEnd_ = timing.totalSamples();
}

size_t FluidSynthesizer::render(float* out, size_t count) {
    const auto tailEnd = eventsEnd_ + static_cast<uint64_t>(std::llround(TailSeconds * sampleRate_));
    size_t written = 0;
    while (written < count && !finished_) {
        for (; next_ < switches_.size() && switches_[next_].sample <= position_; ++next_) {
            const Switch& s = switches_[next_];
            if (s.velocity > 0)
                fluid_synth_noteon(synth_, 0, s.key, s.velocity);
            else
                fluid_synth_noteoff(synth_, 0, s.key);
        }
        uint64_t piece = std::min<uint64_t>(count - written, Block);
        if (next_ < switches_.size())
            piece = std::min(piece, switches_[next_].sample - position_);
        else if (position_ < eventsEnd_)
            piece = std::min(piece, eventsEnd_ - position_);
        else // the tail goes in whole blocks from the end of the events, however the caller asks
            piece = std::min(piece, Block - (position_ - eventsEnd_) % Block);
        const int length = static_cast<int>(piece);
        fluid_synth_write_float(synth_, length, left_.data(), 0, 1, right_.data(), 0, 1);
        for (int i = 0; i < length; ++i) {
            const float value = std::clamp(0.5f * (left_[i] + right_[i]), -1.0f, 1.0f);
            out[written + static_cast<size_t>(i)] = value;
            tailPeak_ = std::max(tailPeak_, std::fabs(value));
        }
        written += piece;
        position_ += piece;
        if (position_ >= eventsEnd_ && (position_ - eventsEnd_) % Block == 0) {
            finished_ = tailPeak_ < QuietPeak || position_ >= tailEnd;
            tailPeak_ = 0.0f;
        }
    }
    return written;
}
