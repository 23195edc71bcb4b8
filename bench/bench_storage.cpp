// Network files: reading and checking a whole file (ReadNetworkFile), and
// putting its record into the network (ApplyNetworkFile: a fresh build, then
// every bias and weight), which together are a load; writing the text of a
// built network. Time must grow linearly with the weights: compare the
// ns/weight of the shapes. Arguments: input count, hidden count.
#include "BenchNetwork.h"
#include "storage/NetworkFile.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

void setCounters(benchmark::State& st) {
    const double weights = static_cast<double>(st.range(0) * st.range(1) + st.range(1));
    st.counters["ns/weight"] = benchmark::Counter(static_cast<double>(st.iterations()) * weights * 1e-9,
                                                  benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_LoadNetworkFile(benchmark::State& st) {
    const auto source = BuildBenchNetwork(static_cast<int32_t>(st.range(0)), static_cast<int32_t>(st.range(1)));
    const std::string text = WriteNetworkFile(*source);
    auto target = BuildBenchNetwork(2, 1);
    for (auto _ : st) {
        const NetworkFileResult<NetworkFile> reading = ReadNetworkFile(text);
        if (!reading || !ApplyNetworkFile(*target, *reading))
            st.SkipWithError("the file did not load");
        benchmark::DoNotOptimize(target->HiddenLayer.back()->Result());
    }
    setCounters(st);
}

void BM_ApplyNetworkFile(benchmark::State& st) {
    const auto source = BuildBenchNetwork(static_cast<int32_t>(st.range(0)), static_cast<int32_t>(st.range(1)));
    const NetworkFile record = NetworkFileOf(*source);
    auto target = BuildBenchNetwork(2, 1);
    for (auto _ : st)
        benchmark::DoNotOptimize(ApplyNetworkFile(*target, record).ok());
    setCounters(st);
}

void BM_WriteNetworkFile(benchmark::State& st) {
    const auto source = BuildBenchNetwork(static_cast<int32_t>(st.range(0)), static_cast<int32_t>(st.range(1)));
    for (auto _ : st)
        benchmark::DoNotOptimize(WriteNetworkFile(*source));
    setCounters(st);
}

void Shapes(benchmark::internal::Benchmark* b) {
    b->Args({8, 3})->Args({999, 99})->Args({4000, 50})->Args({8000, 50})->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(BM_LoadNetworkFile)->Apply(Shapes);
BENCHMARK(BM_ApplyNetworkFile)->Apply(Shapes);
BENCHMARK(BM_WriteNetworkFile)->Apply(Shapes);
BENCHMARK_MAIN();
