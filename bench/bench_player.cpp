// The player's synthesis and command reading, and the melody parse with its
// command text, which the window redoes on every keystroke in the melody field.
#include "melody/CommandReader.h"
#include "melody/CommandText.h"
#include "melody/MelodyText.h"
#include "player/FluidSynthesizer.h"
#include "player/LevelledSource.h"
#include "player/Loudness.h"
#include "player/SoundFonts.h"
#include "player/Synthesizer.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr char kDefaultCommand[] = "l8 o1 c# f# a c# f# a d f# g# p8 f# g#";
constexpr uint8_t kDefaultCodes[] = {3, 8, 11, 3, 8, 11, 4, 8, 10, 1, 8, 10};
constexpr int32_t kLongMelody = 1024;

// The default melody's codes repeated to `count` notes.
std::vector<uint8_t> longCodes(int32_t count) {
    std::vector<uint8_t> codes(static_cast<size_t>(count));
    for (size_t i = 0; i < codes.size(); ++i)
        codes[i] = kDefaultCodes[i % std::size(kDefaultCodes)];
    return codes;
}

// The same melody as the melody field shows it: "3, 8, 11, ...".
std::string longMelodyText() {
    const std::vector<uint8_t> codes = longCodes(kLongMelody);
    return CodeListText(codes.data(), kLongMelody);
}

// Renders everything of `source` in the audio device's 2048-sample pieces;
// returns the number of samples.
uint64_t renderInPieces(SampleSource& source) {
    std::vector<float> piece(2048);
    uint64_t samples = 0;
    while (const size_t n = source.render(piece.data(), piece.size())) {
        benchmark::DoNotOptimize(piece.data());
        samples += n;
    }
    benchmark::ClobberMemory();
    return samples;
}

// "samples" is samples a second; "x_realtime" how many times faster than it plays.
void countSamples(benchmark::State& state, uint64_t samples, int rate) {
    state.counters["samples"] = benchmark::Counter(static_cast<double>(samples), benchmark::Counter::kIsRate);
    state.counters["x_realtime"] = benchmark::Counter(static_cast<double>(samples) / rate, benchmark::Counter::kIsRate);
}

// Renders the default melody at tempo 120 with the built-in synthesizer.
void BM_SynthesizeDefaultMelody(benchmark::State& state) {
    const std::vector<PlayEvent> events = CommandReader::read(kDefaultCommand).events;
    uint64_t samples = 0;
    for (auto _ : state) {
        Synthesizer synth(events);
        samples += renderInPieces(synth);
    }
    countSamples(state, samples, Synthesizer::DefaultSampleRate);
}
BENCHMARK(BM_SynthesizeDefaultMelody)->Unit(benchmark::kMillisecond);

// The same through FluidSynth with the SoundFont the player finds, its
// ringing out included; loading the SoundFont is not timed.
void BM_SynthesizeDefaultMelodyFluidSynth(benchmark::State& state) {
    const std::optional<std::filesystem::path> soundFont = FindSoundFont(SoundFontFolders());
    if (!soundFont) {
        state.SkipWithError("no SoundFont installed");
        return;
    }
    const std::vector<PlayEvent> events = CommandReader::read(kDefaultCommand).events;
    uint64_t samples = 0;
    for (auto _ : state) {
        state.PauseTiming();
        PlayerResult<std::unique_ptr<FluidSynthesizer>> synth = FluidSynthesizer::create(events, *soundFont, 0);
        state.ResumeTiming();
        if (!synth) {
            state.SkipWithError(synth.error().c_str());
            return;
        }
        samples += renderInPieces(**synth);
        state.PauseTiming();
        synth->reset();
        state.ResumeTiming();
    }
    countSamples(state, samples, FluidSynthesizer::DefaultSampleRate);
}
BENCHMARK(BM_SynthesizeDefaultMelodyFluidSynth)->Unit(benchmark::kMillisecond);

// The wait before a long melody (1024 notes, over two minutes) starts to
// sound: a twin of the synthesizer renders its first 30 seconds to measure the
// loudness. Argument 0: the built-in synthesizer; 1: FluidSynth, loading the
// SoundFont twice included.
void BM_NormaliseLongMelody(benchmark::State& state) {
    const std::vector<uint8_t> codes = longCodes(kLongMelody);
    const std::vector<PlayEvent> events =
        CommandReader::read(CommandText(codes.data(), kLongMelody, 0, kLongMelody, 8, 8)).events;
    const std::optional<std::filesystem::path> soundFont = FindSoundFont(SoundFontFolders());
    if (state.range(0) == 1 && !soundFont) {
        state.SkipWithError("no SoundFont installed");
        return;
    }
    for (auto _ : state) {
        std::unique_ptr<SampleSource> source;
        if (state.range(0) == 0) {
            source = loudness::Normalised([&] { return std::make_unique<Synthesizer>(events); });
        } else {
            source = loudness::Normalised([&] { return FluidSynthesizer::create(events, *soundFont, 0).value(); });
        }
        benchmark::DoNotOptimize(source.get());
    }
}
BENCHMARK(BM_NormaliseLongMelody)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The limiter at its slowest, holding every peak of a melody played 12 dB
// too loud; "x_realtime" must stay far above 1 for the audio device.
void BM_LevelledSourceAlwaysLimiting(benchmark::State& state) {
    const std::vector<PlayEvent> events = CommandReader::read(kDefaultCommand).events;
    uint64_t samples = 0;
    for (auto _ : state) {
        LevelledSource source(std::make_unique<Synthesizer>(events), 4.0 / Synthesizer::Volume, 0.84);
        samples += renderInPieces(source);
    }
    countSamples(state, samples, Synthesizer::DefaultSampleRate);
}
BENCHMARK(BM_LevelledSourceAlwaysLimiting)->Unit(benchmark::kMillisecond);

// Reads a 1024-note command text (the default melody repeated); "notes" is notes a second.
void BM_ReadLongCommandText(benchmark::State& state) {
    const std::vector<uint8_t> codes = longCodes(kLongMelody);
    const std::string text = CommandText(codes.data(), kLongMelody, 0, kLongMelody, 8, 8);
    size_t events = 0;
    for (auto _ : state) {
        const ReadResult read = CommandReader::read(text);
        events += read.events.size();
        benchmark::DoNotOptimize(read.events.data());
    }
    state.counters["notes"] = benchmark::Counter(static_cast<double>(events), benchmark::Counter::kIsRate);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ReadLongCommandText)->Unit(benchmark::kMicrosecond);

// Parses a 1024-note melody text only.
void BM_ParseLongMelodyText(benchmark::State& state) {
    const std::string text = longMelodyText();
    std::vector<uint8_t> codes(kLongMelody);
    for (auto _ : state) {
        const MelodyParseInfo info = ParseMelodyCodes(text, codes.data(), kLongMelody);
        benchmark::DoNotOptimize(info);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ParseLongMelodyText)->Unit(benchmark::kMicrosecond);

// What one keystroke in the melody field costs: the parse of a 1024-note
// melody text and the command text of the whole melody.
void BM_ParseAndCommandTextPerKeystroke(benchmark::State& state) {
    const std::string text = longMelodyText();
    std::vector<uint8_t> codes(kLongMelody);
    for (auto _ : state) {
        const MelodyParseInfo info = ParseMelodyCodes(text, codes.data(), kLongMelody);
        const std::string command = CommandText(codes.data(), kLongMelody, 0, info.stored, 8, 8);
        benchmark::DoNotOptimize(command.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ParseAndCommandTextPerKeystroke)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
