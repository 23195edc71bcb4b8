// The forward pass CalcNS against flat arrays doing the same arithmetic:
// each hidden sum starts at the bias and adds input x weight in ascending
// order, then the activation; then the output neuron likewise.
//  - BM_CalcNS:        the network of neurons.
//  - BM_FlatCalc:      flat arrays, activation through the same CFormula::Calc.
//  - BM_FlatExp:       flat arrays, activation as 2 / (1 + exp(-a * s)) - 1 in C++.
// Arguments: input count, hidden count.
// The counter ns/weight is printed with the suffix "s" that the library gives
// inverted rates; the figure is in nanoseconds per weight and pass.
#include "BenchNetwork.h"
#include "engine/mdMain.h"

#include "platform/DynamicLibrary.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

// The same network as flat arrays, hidden weights row by row.
struct Flat {
    std::vector<double> x, hiddenBias, w, outW, hiddenOut;
    double outBias = 0.0;
    int32_t inputs = 0, hidden = 0;

    explicit Flat(const mdMain& s) : inputs(s.InputCount), hidden(s.HiddenCount) {
        for (int32_t j = 1; j <= inputs; ++j)
            x.push_back(s.InLayer[static_cast<size_t>(j)]->Result());
        for (int32_t h = 1; h <= hidden; ++h) {
            const CNeuron& n = *s.HiddenLayer[static_cast<size_t>(h)];
            hiddenBias.push_back(n.Displacing());
            for (int32_t k = 1; k <= inputs; ++k)
                w.push_back(n.iWeight(k));
            outW.push_back(s.OutNeuron->iWeight(h));
        }
        hiddenOut.assign(static_cast<size_t>(hidden), 0.0);
        outBias = s.OutNeuron->Displacing();
    }

    template <typename Activation>
    double pass(Activation f) {
        for (int32_t h = 0; h < hidden; ++h) {
            const double* row = &w[static_cast<size_t>(h) * static_cast<size_t>(inputs)];
            double sum = hiddenBias[static_cast<size_t>(h)];
            for (int32_t k = 0; k < inputs; ++k)
                sum += x[static_cast<size_t>(k)] * row[k];
            hiddenOut[static_cast<size_t>(h)] = f(sum);
        }
        double sum = outBias;
        for (int32_t h = 0; h < hidden; ++h)
            sum += hiddenOut[static_cast<size_t>(h)] * outW[static_cast<size_t>(h)];
        return f(sum);
    }
};

void setCounters(benchmark::State& st, int64_t inputs, int64_t hidden) {
    const double weights = static_cast<double>(inputs * hidden + hidden);
    st.counters["passes/s"] = benchmark::Counter(static_cast<double>(st.iterations()), benchmark::Counter::kIsRate);
    st.counters["ns/weight"] = benchmark::Counter(static_cast<double>(st.iterations()) * weights * 1e-9,
                                                  benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_CalcNS(benchmark::State& st) {
    auto s = BuildBenchNetwork(static_cast<int32_t>(st.range(0)), static_cast<int32_t>(st.range(1)));
    for (auto _ : st)
        benchmark::DoNotOptimize(s->CalcNS());
    setCounters(st, st.range(0), st.range(1));
}

void BM_FlatCalc(benchmark::State& st) {
    auto s = BuildBenchNetwork(static_cast<int32_t>(st.range(0)), static_cast<int32_t>(st.range(1)));
    Flat flat(*s);
    const CFormula& formula = *s->OutNeuron->ActFun();
    double check = 0.0;
    for (auto _ : st) {
        check = flat.pass([&](double v) { return formula.Calc(v); });
        benchmark::DoNotOptimize(check);
    }
    if (check != s->CalcNS())
        st.SkipWithError("the flat pass differs from CalcNS");
    setCounters(st, st.range(0), st.range(1));
}

void BM_FlatExp(benchmark::State& st) {
    auto s = BuildBenchNetwork(static_cast<int32_t>(st.range(0)), static_cast<int32_t>(st.range(1)));
    Flat flat(*s);
    for (auto _ : st)
        benchmark::DoNotOptimize(flat.pass([](double v) { return 2.0 / (1.0 + std::exp(-(1.0 * v))) - 1.0; }));
    setCounters(st, st.range(0), st.range(1));
}

void shapes(benchmark::internal::Benchmark* b) {
    b->Args({8, 3})->Args({64, 6})->Args({999, 99});
}

} // namespace

BENCHMARK(BM_CalcNS)->Apply(shapes);
BENCHMARK(BM_FlatCalc)->Apply(shapes);
BENCHMARK(BM_FlatExp)->Apply(shapes);

BENCHMARK_MAIN();
