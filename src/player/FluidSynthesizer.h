#pragma once

#include "melody/PlayEvent.h"
#include "player/PlayerResult.h"
#include "player/SampleSource.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <fluidsynth/types.h>

// Renders play events with FluidSynth and a General MIDI SoundFont, offline:
// note-ons and note-offs are scheduled at the same sample positions at which
// the built-in Synthesizer starts and ends its tones, and the synthesizer is
// run in blocks between them. After the last event the instrument's release
// (and reverb) rings out until it falls silent, at most TailSeconds.
class FluidSynthesizer : public SampleSource {
public:
    static constexpr int DefaultSampleRate = 44100;
    static constexpr double TailSeconds = 2.0;
    // FluidSynth's own gain, low enough that no General MIDI program of the
    // usual SoundFonts clips here, before the player brings it to its loudness.
    static constexpr double Gain = 0.4;

    // Loads `soundFont` and prepares to render `events` with General MIDI
    // program `program` (0..127); fails when the file is missing, is not a
    // SoundFont or cannot be loaded.
    static PlayerResult<std::unique_ptr<FluidSynthesizer>> create(std::vector<PlayEvent> events,
                                                                  const std::filesystem::path& soundFont, int program,
                                                                  int sampleRate = DefaultSampleRate);
    ~FluidSynthesizer() override;
    FluidSynthesizer(const FluidSynthesizer&) = delete;
    FluidSynthesizer& operator=(const FluidSynthesizer&) = delete;

    // Writes up to `count` next samples into `out`; fewer only at the end.
    size_t render(float* out, size_t count) override;
    int sampleRate() const override { return sampleRate_; }

    // Sample at which the last event ends (the ringing out follows it).
    uint64_t eventsEnd() const { return eventsEnd_; }

private:
    // A note-on (velocity above 0) or note-off at a sample position.
    struct Switch {
        uint64_t sample;
        int key;
        int velocity;
    };

    FluidSynthesizer(int sampleRate);
    void schedule(const std::vector<PlayEvent>& events);

    int sampleRate_;
    fluid_settings_t* settings_ = nullptr;
    fluid_synth_t* synth_ = nullptr;
    std::vector<Switch> switches_;
    size_t next_ = 0;
    uint64_t position_ = 0;
    uint64_t eventsEnd_ = 0;
    bool finished_ = false;
    float tailPeak_ = 0.0f; // loudest sample of the current block of the tail
    std::vector<float> left_, right_;
};
