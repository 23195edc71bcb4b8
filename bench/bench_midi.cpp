// Reading a melody from a MIDI file and writing one from the player's events.
#include "melody/CommandReader.h"
#include "midi/MidiExport.h"
#include "midi/MidiImport.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

// `count` eighth notes running up and down three octaves, with a rest every
// 16 notes, as the player's events.
std::vector<PlayEvent> scaleEvents(int count) {
    std::vector<PlayEvent> events;
    for (int i = 0; i < count; ++i) {
        if (i % 16 == 15)
            events.push_back({0.0, 0.25, -1});
        const int step = i % 72, code = 2 + (step < 36 ? step : 72 - step);
        events.push_back({CommandReader::codeFrequency(code), 0.25, CommandReader::codeKey(code)});
    }
    return events;
}

// A file of 10 000 notes (20 000 note events): the reader parses all of it
// and keeps the first 1024 codes. "notes" is notes read a second.
void BM_ImportTenThousandNotes(benchmark::State& state) {
    const std::vector<uint8_t> file = MidiFileFromEvents(scaleEvents(10000));
    for (auto _ : state) {
        const MidiImport result = ImportMidiMelody(file);
        if (!result.ok() || result->codes.size() != MidiMaxCodes)
            state.SkipWithError("the file did not read back");
        benchmark::DoNotOptimize(result->codes.data());
    }
    state.counters["notes"] =
        benchmark::Counter(10000.0 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(file.size()));
}
BENCHMARK(BM_ImportTenThousandNotes)->Unit(benchmark::kMicrosecond);

// Writing the file of a 1024-note melody.
void BM_ExportMelodyOf1024Notes(benchmark::State& state) {
    const std::vector<PlayEvent> events = scaleEvents(1024);
    for (auto _ : state) {
        const std::vector<uint8_t> file = MidiFileFromEvents(events);
        benchmark::DoNotOptimize(file.data());
    }
    state.counters["notes"] =
        benchmark::Counter(1024.0 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ExportMelodyOf1024Notes)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
