#include "engine/BlockKernel.h"

namespace kernel {

namespace {

// A sweep keeps a group's sums and error terms in registers across the whole
// input loop: four vectors of each leave AVX2 room for the rest.
constexpr int32_t GroupVectors = WeightBlock::GroupVectors;

// One group of the block: each sum starts at the bias and adds input Result x
// weight in ascending input order, as Operate does; with Update, each weight
// first takes its step (signal x error term + old weight) in place. Where
// every input's Result equals its signal, one array serves both, which spares
// a load per input that the shortest layers would wait for.
template <int W, int N, bool Update, bool OneArray>
[[gnu::always_inline]] inline void sweepGroup(Lanes<W>* __restrict w, const double* __restrict signal,
                                              const double* __restrict x, const Lanes<W>* __restrict terms,
                                              const Lanes<W>* __restrict bias, Lanes<W>* __restrict sums,
                                              int32_t inputs) {
    using Vec = typename Lanes<W>::Vec;
    Vec sum[N], term[N];
#pragma GCC unroll 8
    for (int j = 0; j < N; ++j) {
        sum[j] = bias[j].v;
        if constexpr (Update)
            term[j] = terms[j].v;
    }
    for (int32_t k = 0; k < inputs; ++k) {
        Lanes<W>* row = w + static_cast<size_t>(k) * N;
        const double xk = x[k];
        const double sk = OneArray ? xk : signal[k];
#pragma GCC unroll 8
        for (int j = 0; j < N; ++j) {
            Vec weight = row[j].v;
            if constexpr (Update) {
                weight = sk * term[j] + weight;
                row[j].v = weight;
            }
            sum[j] += xk * weight;
        }
    }
#pragma GCC unroll 8
    for (int j = 0; j < N; ++j)
        sums[j].v = sum[j];
}

template <int W, bool Update, bool OneArray>
[[gnu::always_inline]] inline void sweep(Lanes<W>* w, const double* signal, const double* x, const Lanes<W>* terms,
                                         const Lanes<W>* bias, Lanes<W>* sums, int32_t inputs, int32_t vectors) {
    for (int32_t b = 0; b < vectors; b += GroupVectors) {
        Lanes<W>* group = w + static_cast<size_t>(b) * static_cast<size_t>(inputs);
        const Lanes<W>* t = Update ? terms + b : nullptr;
        switch (std::min(vectors - b, GroupVectors)) {
        case 1:
            sweepGroup<W, 1, Update, OneArray>(group, signal, x, t, bias + b, sums + b, inputs);
            break;
        case 2:
            sweepGroup<W, 2, Update, OneArray>(group, signal, x, t, bias + b, sums + b, inputs);
            break;
        case 3:
            sweepGroup<W, 3, Update, OneArray>(group, signal, x, t, bias + b, sums + b, inputs);
            break;
        default:
            sweepGroup<W, GroupVectors, Update, OneArray>(group, signal, x, t, bias + b, sums + b, inputs);
            break;
        }
    }
}

} // namespace

// The sweeps, built for the processor at hand: four lanes for any x86-64 and
// for AVX2, eight for AVX-512 and portably, so that every machine can run
// and test that layout.
#if defined(__x86_64__) || defined(__i386__)
#define MELODYNET_CLONES(...) __attribute__((target_clones(__VA_ARGS__)))
#else
#define MELODYNET_CLONES(...)
#endif
#define MELODYNET_SWEEPS(W, ...)                                                                                       \
    MELODYNET_CLONES(__VA_ARGS__)                                                                                      \
    void sumLanes##W(Lanes<W>* w, const double* x, const Lanes<W>* bias, Lanes<W>* sums, int32_t inputs,               \
                     int32_t vectors) {                                                                                \
        sweep<W, false, true>(w, nullptr, x, nullptr, bias, sums, inputs, vectors);                                    \
    }                                                                                                                  \
    MELODYNET_CLONES(__VA_ARGS__)                                                                                      \
    void updateLanes##W(Lanes<W>* w, const double* signal, const double* x, const Lanes<W>* terms,                     \
                        const Lanes<W>* bias, Lanes<W>* sums, int32_t inputs, int32_t vectors) {                       \
        if (signal == x)                                                                                               \
            sweep<W, true, true>(w, x, x, terms, bias, sums, inputs, vectors);                                         \
        else                                                                                                           \
            sweep<W, true, false>(w, signal, x, terms, bias, sums, inputs, vectors);                                   \
    }
MELODYNET_SWEEPS(4, "avx2", "default")
MELODYNET_SWEEPS(8, "avx512f", "default")
#undef MELODYNET_SWEEPS
#undef MELODYNET_CLONES

// The links are read in full only until a check finds them right.
WeightBlock* HiddenBlock(const std::vector<NeuronRef>& inputLayer, const std::vector<NeuronRef>& hiddenLayer) {
    const auto inputs = static_cast<int32_t>(inputLayer.size() - 1);
    const auto hidden = static_cast<int32_t>(hiddenLayer.size() - 1);
    WeightBlock* block = hiddenLayer[1] ? NeuronAccess::block(*hiddenLayer[1]) : nullptr;
    if (!block || block->inputs() != inputs || block->hidden() != hidden)
        return nullptr;
    for (int32_t h = 1; h <= hidden; ++h) {
        const NeuronRef& neuron = hiddenLayer[static_cast<size_t>(h)];
        if (!neuron || NeuronAccess::block(*neuron) != block || NeuronAccess::member(*neuron) != h - 1 ||
            neuron->nInput() != inputs || !NeuronAccess::formula(*neuron))
            return nullptr;
    }
    // Checked links stay equal among the hidden neurons, so the first one's
    // stand for all of them.
    const NeuronRef* inputNeurons = inputLayer.data() + 1;
    const auto count = static_cast<size_t>(inputs);
    const auto sameLinks = [&](const CNeuron& neuron) {
        const NeuronRef* links = NeuronAccess::inputs(neuron).data() + 1;
        bool same = true;
        for (size_t k = 0; k < count; ++k)
            same = same && links[k] == inputNeurons[k] && inputNeurons[k] != nullptr;
        return same;
    };
    if (block->linksChecked())
        return sameLinks(*hiddenLayer[1]) ? block : nullptr;
    for (int32_t h = 1; h <= hidden; ++h)
        if (!sameLinks(*hiddenLayer[static_cast<size_t>(h)]))
            return nullptr;
    block->setLinksChecked(true);
    return block;
}

namespace {

// Operate of every hidden neuron, all sums in one sweep of the block.
template <int W>
void evaluateHiddenInBlock(const std::vector<NeuronRef>& inputLayer, const std::vector<NeuronRef>& hiddenLayer,
                           WeightBlock& block) {
    FlatNetwork<W> net(inputLayer, hiddenLayer, block);
    net.sumAll();
    for (int32_t h = 0; h < net.hidden; ++h) {
        const size_t k = static_cast<size_t>(h);
        NeuronAccess::restoreResult(*hiddenLayer[k + 1], activate(net.formulas[k], net.sum(h), net.results[k]));
    }
}

// Below this many hidden weights the neurons evaluate themselves sooner than
// the arrays for a sweep are made.
constexpr int64_t SweepFromWeights = 256;

} // namespace

} // namespace kernel

bool EvaluateHiddenInBlock(const std::vector<NeuronRef>& inputs, const std::vector<NeuronRef>& hidden) {
    if (inputs.size() < 2 || hidden.size() < 2)
        return false;
    if (static_cast<int64_t>(inputs.size() - 1) * static_cast<int64_t>(hidden.size() - 1) < kernel::SweepFromWeights)
        return false;
    WeightBlock* block = kernel::HiddenBlock(inputs, hidden);
    if (!block)
        return false;
    if (block->width() == 8)
        kernel::evaluateHiddenInBlock<8>(inputs, hidden, *block);
    else
        kernel::evaluateHiddenInBlock<4>(inputs, hidden, *block);
    return true;
}
