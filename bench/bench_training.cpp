// Training speed: iterations per second and nanoseconds per weight of
//  - BM_TeachNS:      the real TeachNS on a built network;
//  - BM_TeachNSWatched: the same with a TrainingControl to publish to;
//  - BM_TeachNSPlain: the neuron-by-neuron reference path;
//  - BM_LaneKernel:   a flat-array kernel of the identical arithmetic, the
//                     hidden neurons side by side in vectors (lanes) of the
//                     width TeachNS would lay them out in, weights updated in
//                     place, activation through the same CFormula::Calc,
//                     nothing gathered or scattered: what TeachNS is measured
//                     against (BM_LaneKernel4 and BM_LaneKernel8: four and
//                     eight lanes whatever the shape);
//  - BM_Fann:         the FANN library (double precision) training the same
//                     shape incrementally, symmetric sigmoid at steepness 0.5.
// Arguments: input count, hidden count. Each measured call runs a window's
// share of iterations, alternating the target so that training never stops early.
// The counter ns/weight is printed with the suffix "s" that the library gives
// inverted rates; the figure is in nanoseconds per weight and pass.
#include "BenchNetwork.h"
#include "TeachReference.h"
#include "engine/Training.h"

#include "platform/DynamicLibrary.h"

#include <benchmark/benchmark.h>

#if MELODYNET_BENCH_FANN
#include <doublefann.h>
#endif

#include <cmath>
#include <vector>

namespace {

constexpr double Targets[2] = {0.3, -0.3};

// Iterations per call as TrainMelody hands them out at 10000 iterations: 2500
// for the default melody; a 999-input network gets at most 25 windows from the
// 1024-note buffer, so at least 400 each.
int32_t chunkFor(int64_t weights) {
    return weights > 10000 ? 400 : 2500;
}

std::unique_ptr<mdMain> buildNetwork(int32_t inputs, int32_t hidden) {
    auto state = BuildBenchNetwork(inputs, hidden);
    state->LearnStep = 0.05;
    return state;
}

void setCounters(benchmark::State& st, int64_t iterations) {
    const double weights = static_cast<double>(st.range(0) * st.range(1) + st.range(1));
    st.counters["iter/s"] = benchmark::Counter(static_cast<double>(iterations), benchmark::Counter::kIsRate);
    st.counters["ns/weight"] = benchmark::Counter(static_cast<double>(iterations) * weights * 1e-9,
                                                  benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

template <TeachOutcome (*Teach)(mdMain&, double, int32_t)>
void BM_Teach(benchmark::State& st) {
    auto s = buildNetwork(static_cast<int32_t>(st.range(0)), static_cast<int32_t>(st.range(1)));
    const int32_t chunk = chunkFor(st.range(0) * st.range(1));
    int64_t iterations = 0;
    int turn = 0;
    for (auto _ : st) {
        const TeachOutcome outcome = Teach(*s, Targets[turn ^= 1], chunk);
        iterations += outcome.iterations;
    }
    setCounters(st, iterations);
}

// W doubles side by side, one hidden neuron each.
template <int W>
struct alignas(W * sizeof(double)) Lanes {
    typedef double Vec __attribute__((vector_size(W * sizeof(double))));
    Vec v;
};

// One group of N lane vectors, its sums and error terms in registers while the
// inputs go by: each weight takes its step in place, then joins its sum.
template <int W, int N>
[[gnu::always_inline]] inline void stepGroup(Lanes<W>* __restrict w, const double* __restrict x,
                                             const Lanes<W>* __restrict dh, const Lanes<W>* __restrict bias,
                                             Lanes<W>* __restrict sums, int32_t inputs) {
    typename Lanes<W>::Vec s[N], d[N];
#pragma GCC unroll 8
    for (int j = 0; j < N; ++j) {
        s[j] = bias[j].v;
        d[j] = dh[j].v;
    }
    for (int32_t k = 0; k < inputs; ++k, w += N) {
#pragma GCC unroll 8
        for (int j = 0; j < N; ++j) {
            w[j].v = x[k] * d[j] + w[j].v;
            s[j] += x[k] * w[j].v;
        }
    }
#pragma GCC unroll 8
    for (int j = 0; j < N; ++j)
        sums[j].v = s[j];
}

// The hidden layer's step over groups of up to four vectors, each group's
// weights input after input.
template <int W>
[[gnu::always_inline]] inline void stepLayer(Lanes<W>* w, const double* x, const Lanes<W>* dh, const Lanes<W>* bias,
                                             Lanes<W>* sums, int32_t inputs, int32_t blocks) {
    for (int32_t b = 0; b < blocks; b += 4) {
        Lanes<W>* group = w + static_cast<ptrdiff_t>(b) * inputs;
        const int32_t n = std::min(blocks - b, 4);
        if (n == 4)
            stepGroup<W, 4>(group, x, dh + b, bias + b, sums + b, inputs);
        else if (n == 3)
            stepGroup<W, 3>(group, x, dh + b, bias + b, sums + b, inputs);
        else if (n == 2)
            stepGroup<W, 2>(group, x, dh + b, bias + b, sums + b, inputs);
        else
            stepGroup<W, 1>(group, x, dh + b, bias + b, sums + b, inputs);
    }
}

__attribute__((target_clones("avx2", "default"))) void stepFour(Lanes<4>* w, const double* x, const Lanes<4>* dh,
                                                                const Lanes<4>* bias, Lanes<4>* sums, int32_t inputs,
                                                                int32_t blocks) {
    stepLayer<4>(w, x, dh, bias, sums, inputs, blocks);
}

__attribute__((target_clones("avx512f", "default"))) void stepEight(Lanes<8>* w, const double* x, const Lanes<8>* dh,
                                                                    const Lanes<8>* bias, Lanes<8>* sums,
                                                                    int32_t inputs, int32_t blocks) {
    stepLayer<8>(w, x, dh, bias, sums, inputs, blocks);
}

void stepLanes(Lanes<4>* w, const double* x, const Lanes<4>* dh, const Lanes<4>* bias, Lanes<4>* sums, int32_t inputs,
               int32_t blocks) {
    stepFour(w, x, dh, bias, sums, inputs, blocks);
}

void stepLanes(Lanes<8>* w, const double* x, const Lanes<8>* dh, const Lanes<8>* bias, Lanes<8>* sums, int32_t inputs,
               int32_t blocks) {
    stepEight(w, x, dh, bias, sums, inputs, blocks);
}

// The arithmetic of TeachNS on flat arrays only, as fast as we can write it:
// W hidden neurons to a vector, weights updated in place, each hidden sum bias
// first and inputs in ascending order, the re-evaluation riding along with the
// update, the output evaluated once per forward pass; no divergence check.
template <int W>
struct LaneKernel {
    int32_t inputs, hidden, blocks;
    double alpha, learnStep;
    const CFormula* f;
    std::vector<double> x;
    std::vector<Lanes<W>> w, bias, sums, dh;
    std::vector<double> results, v;
    double outBias = 0.0, out = 0.0;

    explicit LaneKernel(const mdMain& s)
        : inputs(s.InputCount), hidden(s.HiddenCount), blocks((s.HiddenCount + W - 1) / W), alpha(s.Alpha),
          learnStep(s.LearnStep), f(s.OutNeuron->ActFun().get()),
          w(static_cast<size_t>(inputs) * static_cast<size_t>(blocks)), bias(static_cast<size_t>(blocks)),
          sums(static_cast<size_t>(blocks)), dh(static_cast<size_t>(blocks)), results(static_cast<size_t>(hidden)) {
        for (int32_t k = 0; k < inputs; ++k)
            x.push_back(s.InLayer[static_cast<size_t>(k) + 1]->Displacing());
        Lanes<W>* cell = w.data();
        for (int32_t b = 0; b < blocks; b += 4)
            for (int32_t k = 0; k < inputs; ++k)
                for (int32_t h = b * W; h < std::min(b + 4, blocks) * W; ++h, cell += (h % W == 0))
                    cell->v[h % W] = h < hidden ? s.HiddenLayer[static_cast<size_t>(h) + 1]->iWeight(k + 1) : 0.0;
        outBias = s.OutNeuron->Displacing();
        for (int32_t h = 0; h < hidden; ++h) {
            double sum = s.HiddenLayer[static_cast<size_t>(h) + 1]->Displacing();
            bias[static_cast<size_t>(h / W)].v[h % W] = sum;
            for (int32_t k = 0; k < inputs; ++k)
                sum += x[static_cast<size_t>(k)] * s.HiddenLayer[static_cast<size_t>(h) + 1]->iWeight(k + 1);
            results[static_cast<size_t>(h)] = f->Calc(sum);
            v.push_back(s.OutNeuron->iWeight(h + 1));
        }
    }

    int32_t teach(double target, int32_t limit) {
        for (int32_t i = 1; i <= limit; ++i) {
            double sum = outBias;
            for (int32_t h = 0; h < hidden; ++h)
                sum += results[static_cast<size_t>(h)] * v[static_cast<size_t>(h)];
            out = f->Calc(sum);
            if (out == target)
                return i;
            const double delta = (target - out) * learnStep * alpha * (out + 1.0) * (1.0 - out) / 2.0;
            for (int32_t h = 0; h < hidden; ++h) {
                const double r = results[static_cast<size_t>(h)];
                v[static_cast<size_t>(h)] = r * delta + v[static_cast<size_t>(h)];
                dh[static_cast<size_t>(h / W)].v[h % W] =
                    alpha * delta * (r + 1.0) * (1.0 - r) * v[static_cast<size_t>(h)] / 2.0;
            }
            stepLanes(w.data(), x.data(), dh.data(), bias.data(), sums.data(), inputs, blocks);
            for (int32_t h = 0; h < hidden; ++h)
                results[static_cast<size_t>(h)] = f->Calc(sums[static_cast<size_t>(h / W)].v[h % W]);
        }
        return limit;
    }
};

template <int W>
void BM_LaneKernel(benchmark::State& st) {
    auto s = buildNetwork(static_cast<int32_t>(st.range(0)), static_cast<int32_t>(st.range(1)));
    LaneKernel<W> kernel(*s);
    const int32_t chunk = chunkFor(st.range(0) * st.range(1));
    int64_t iterations = 0;
    int turn = 0;
    for (auto _ : st)
        iterations += kernel.teach(Targets[turn ^= 1], chunk);
    setCounters(st, iterations);
}

// The width the hidden layer of this shape is laid out in.
void BM_BestLaneKernel(benchmark::State& st) {
    if (LaneWidth(TrainingLanes::Best, static_cast<int32_t>(st.range(1))) == 8)
        BM_LaneKernel<8>(st);
    else
        BM_LaneKernel<4>(st);
}

#if MELODYNET_BENCH_FANN
void BM_Fann(benchmark::State& st) {
    const auto inputs = static_cast<unsigned>(st.range(0));
    const auto hidden = static_cast<unsigned>(st.range(1));
    fann* ann = fann_create_standard(3, inputs, hidden, 1u);
    fann_set_activation_function_hidden(ann, FANN_SIGMOID_SYMMETRIC);
    fann_set_activation_function_output(ann, FANN_SIGMOID_SYMMETRIC);
    fann_set_activation_steepness_hidden(ann, 0.5);
    fann_set_activation_steepness_output(ann, 0.5);
    fann_set_training_algorithm(ann, FANN_TRAIN_INCREMENTAL);
    fann_set_learning_rate(ann, 0.05f);
    fann_randomize_weights(ann, -0.5, 0.5);
    std::vector<fann_type> x(inputs);
    for (unsigned j = 0; j < inputs; ++j)
        x[j] = (((j + 1) * 7) % 49) / 48.0 - 0.5;
    const int32_t chunk = chunkFor(st.range(0) * st.range(1));
    int64_t iterations = 0;
    int turn = 0;
    for (auto _ : st) {
        fann_type target = Targets[turn ^= 1];
        for (int32_t i = 0; i < chunk; ++i)
            fann_train(ann, x.data(), &target);
        iterations += chunk;
    }
    fann_destroy(ann);
    setCounters(st, iterations);
}
#endif

void shapes(benchmark::internal::Benchmark* b) {
    b->Args({8, 3})->Args({64, 6})->Args({256, 8})->Args({999, 99})->Unit(benchmark::kMicrosecond);
}

} // namespace

TeachOutcome teachAlone(mdMain& state, double target, int32_t limit) {
    return TeachNS(state, target, limit);
}

// With a control that a watcher would read, never cancelled.
TeachOutcome teachWatched(mdMain& state, double target, int32_t limit) {
    static TrainingControl control;
    return TeachNS(state, target, limit, &control);
}

BENCHMARK(BM_Teach<teachAlone>)->Name("BM_TeachNS")->Apply(shapes);
BENCHMARK(BM_Teach<teachWatched>)->Name("BM_TeachNSWatched")->Apply(shapes);
BENCHMARK(BM_Teach<TeachNSPlain>)->Name("BM_TeachNSPlain")->Apply(shapes);
BENCHMARK(BM_BestLaneKernel)->Name("BM_LaneKernel")->Apply(shapes);
BENCHMARK(BM_LaneKernel<4>)->Name("BM_LaneKernel4")->Apply(shapes);
BENCHMARK(BM_LaneKernel<8>)->Name("BM_LaneKernel8")->Apply(shapes);
#if MELODYNET_BENCH_FANN
BENCHMARK(BM_Fann)->Apply(shapes);
#endif

BENCHMARK_MAIN();
