// Training speed: iterations per second and nanoseconds per weight of
//  - BM_TeachNS:      the real TeachNS on a built network;
//  - BM_TeachNSPlain: the neuron-by-neuron reference path;
//  - BM_LaneKernel:   a flat-array kernel of the identical arithmetic, four
//                     hidden neurons per vector (lanes), activation through the
//                     same CFormula::Calc, nothing gathered or scattered;
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

using Vec = double __attribute__((vector_size(32)));
struct alignas(32) Lanes {
    Vec v;
};

__attribute__((target_clones("avx2", "default"))) void laneSums(const Lanes* __restrict w, const double* __restrict x,
                                                                const Lanes* __restrict bias, Lanes* __restrict sums,
                                                                int32_t inputs, int32_t blocks) {
    for (int32_t b = 0; b < blocks; ++b)
        sums[b].v = bias[b].v;
    for (int32_t k = 0; k < inputs; ++k)
        for (int32_t b = 0; b < blocks; ++b)
            sums[b].v += x[k] * w[k * blocks + b].v;
}

__attribute__((target_clones("avx2", "default"))) bool
laneUpdate(const Lanes* __restrict w, Lanes* __restrict next, const double* __restrict x, const Lanes* __restrict dh,
           const Lanes* __restrict bias, Lanes* __restrict sums, int32_t inputs, int32_t blocks) {
    Vec check = {};
    for (int32_t b = 0; b < blocks; ++b)
        sums[b].v = bias[b].v;
    for (int32_t k = 0; k < inputs; ++k) {
        const double xk = x[k];
        for (int32_t b = 0; b < blocks; ++b) {
            const Vec nw = xk * dh[b].v + w[k * blocks + b].v;
            next[k * blocks + b].v = nw;
            check += nw - nw;
            sums[b].v += xk * nw;
        }
    }
    return check[0] == 0.0 && check[1] == 0.0 && check[2] == 0.0 && check[3] == 0.0;
}

// The arithmetic of TeachNS on flat arrays only: weights [input][hidden] in
// lanes of four, double-buffered, each hidden sum bias first and inputs in
// ascending order, the re-evaluation riding along with the update, the output
// evaluated once per forward pass.
struct LaneKernel {
    int32_t inputs, hidden, blocks;
    double alpha, learnStep;
    const CFormula* f;
    std::vector<double> x;
    std::vector<Lanes> w, next, bias, sums, dh;
    std::vector<double> results, v, vNext;
    double outBias = 0.0, out = 0.0;

    explicit LaneKernel(const mdMain& s)
        : inputs(s.InputCount), hidden(s.HiddenCount), blocks((s.HiddenCount + 3) / 4), alpha(s.Alpha),
          learnStep(s.LearnStep), f(s.OutNeuron->ActFun().get()) {
        const size_t cells = static_cast<size_t>(inputs) * static_cast<size_t>(blocks);
        w.assign(cells, Lanes{});
        next.assign(cells, Lanes{});
        bias.assign(static_cast<size_t>(blocks), Lanes{});
        sums.assign(static_cast<size_t>(blocks), Lanes{});
        dh.assign(static_cast<size_t>(blocks), Lanes{});
        for (int32_t k = 0; k < inputs; ++k)
            x.push_back(s.InLayer[static_cast<size_t>(k) + 1]->Displacing());
        for (int32_t h = 0; h < hidden; ++h) {
            const CNeuron& n = *s.HiddenLayer[static_cast<size_t>(h) + 1];
            for (int32_t k = 0; k < inputs; ++k)
                w[static_cast<size_t>(k * blocks + h / 4)].v[h % 4] = n.iWeight(k + 1);
            v.push_back(s.OutNeuron->iWeight(h + 1));
        }
        vNext = v;
        results.assign(static_cast<size_t>(hidden), 0.0);
        laneSums(w.data(), x.data(), bias.data(), sums.data(), inputs, blocks);
        activateHidden();
    }

    void activateHidden() {
        for (int32_t h = 0; h < hidden; ++h)
            results[static_cast<size_t>(h)] = f->Calc(sums[static_cast<size_t>(h / 4)].v[h % 4]);
    }

    double output() const {
        double sum = outBias;
        for (int32_t h = 0; h < hidden; ++h)
            sum += results[static_cast<size_t>(h)] * v[static_cast<size_t>(h)];
        return f->Calc(sum);
    }

    int32_t teach(double target, int32_t limit) {
        int32_t i = 1;
        for (; i <= limit; ++i) {
            out = output();
            if (out == target)
                break;
            const double delta = (target - out) * learnStep * alpha * (out + 1.0) * (1.0 - out) / 2.0;
            for (int32_t h = 0; h < hidden; ++h)
                vNext[static_cast<size_t>(h)] = results[static_cast<size_t>(h)] * delta + v[static_cast<size_t>(h)];
            for (int32_t h = 0; h < hidden; ++h) {
                const double r = results[static_cast<size_t>(h)];
                dh[static_cast<size_t>(h / 4)].v[h % 4] =
                    alpha * delta * (r + 1.0) * (1.0 - r) * vNext[static_cast<size_t>(h)] / 2.0;
            }
            if (!laneUpdate(w.data(), next.data(), x.data(), dh.data(), bias.data(), sums.data(), inputs, blocks))
                break;
            v.swap(vNext);
            w.swap(next);
            activateHidden();
        }
        return i > limit ? limit : i;
    }
};

void BM_LaneKernel(benchmark::State& st) {
    auto s = buildNetwork(static_cast<int32_t>(st.range(0)), static_cast<int32_t>(st.range(1)));
    LaneKernel kernel(*s);
    const int32_t chunk = chunkFor(st.range(0) * st.range(1));
    int64_t iterations = 0;
    int turn = 0;
    for (auto _ : st)
        iterations += kernel.teach(Targets[turn ^= 1], chunk);
    setCounters(st, iterations);
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

BENCHMARK(BM_Teach<teachAlone>)->Name("BM_TeachNS")->Apply(shapes);
BENCHMARK(BM_Teach<TeachNSPlain>)->Name("BM_TeachNSPlain")->Apply(shapes);
BENCHMARK(BM_LaneKernel)->Apply(shapes);
#if MELODYNET_BENCH_FANN
BENCHMARK(BM_Fann)->Apply(shapes);
#endif

BENCHMARK_MAIN();
