#pragma once

// The arithmetic that a hidden layer laid out in one WeightBlock runs in: the
// sweeps over the block, lane by lane, and the numbers a training step or a
// forward pass keeps beside it. Training and the forward pass are built on it;
// it knows nothing of the network state. Only the engine library compiles it,
// with contraction of multiply and add switched off, so that every build
// gives the same bits.

#include "engine/CNeuron.h"
#include "engine/WeightBlock.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

// Direct access to a neuron's numbers for the kernel and the training built on it.
struct NeuronAccess {
    static const std::vector<NeuronRef>& inputs(const CNeuron& n) { return n.iNeuron_; }
    static const CFormula* formula(const CNeuron& n) { return n.actFun_.get(); }
    static WeightBlock* block(const CNeuron& n) { return n.block_.get(); }
    static int32_t member(const CNeuron& n) { return n.member_; }
    // The output neuron keeps its weights in its own array.
    static std::vector<double>& ownWeights(CNeuron& n) { return n.iWeight_; }
    // Stores an output that the kernel computed exactly as Operate would have.
    static void restoreResult(CNeuron& n, double value) { n.result_ = value; }
    static void restoreAutoOperate(CNeuron& n, bool value) { n.autoOperate_ = value; }
};

// Operate of every hidden neuron of the layer (elements 1.. of `hidden`, fed
// by elements 1.. of `inputs`), in one sweep of its WeightBlock, when the layer
// is laid out as CreateNS builds it and large enough to gain; returns false,
// having done nothing, otherwise.
bool EvaluateHiddenInBlock(const std::vector<NeuronRef>& inputs, const std::vector<NeuronRef>& hidden);

namespace kernel {

// W hidden neurons side by side, one lane each. The wrapper makes vectors and
// new honour the vector's alignment, which a target without such wide
// registers would otherwise lower.
template <int W>
struct alignas(W * sizeof(double)) Lanes {
    typedef double Vec __attribute__((vector_size(W * sizeof(double))));
    Vec v;
};

// The sweeps over a block of `vectors` lane vectors per input, built for the
// processor at hand. Each sum starts at its bias and adds input Result x
// weight in ascending input order, as Operate does; the update sweep first
// steps each weight (signal x error term + old weight) in place. Passing
// `x` as `signal` says that every input's Result equals its signal.
void sumLanes4(Lanes<4>* w, const double* x, const Lanes<4>* bias, Lanes<4>* sums, int32_t inputs, int32_t vectors);
void updateLanes4(Lanes<4>* w, const double* signal, const double* x, const Lanes<4>* terms, const Lanes<4>* bias,
                  Lanes<4>* sums, int32_t inputs, int32_t vectors);
void sumLanes8(Lanes<8>* w, const double* x, const Lanes<8>* bias, Lanes<8>* sums, int32_t inputs, int32_t vectors);
void updateLanes8(Lanes<8>* w, const double* signal, const double* x, const Lanes<8>* terms, const Lanes<8>* bias,
                  Lanes<8>* sums, int32_t inputs, int32_t vectors);

// The sweeps of a lane width.
template <int W>
struct Sweeps;
template <>
struct Sweeps<4> {
    static constexpr auto sum = sumLanes4;
    static constexpr auto update = updateLanes4;
};
template <>
struct Sweeps<8> {
    static constexpr auto sum = sumLanes8;
    static constexpr auto update = updateLanes8;
};

// The evaluation step of Operate: NaN from the formula keeps the last output.
inline double activate(const CFormula* f, double sum, double previous) {
    const double value = f->Calc(sum);
    return std::isnan(value) ? previous : value;
}

// Largest magnitude of the values a loop saw, infinite when one of them was
// not finite. Without their sign the bits of doubles order as their
// magnitudes do, with infinity above every finite value and NaN above that,
// so one integer maximum keeps both the largest and whether all were finite.
struct Magnitude {
    static constexpr uint64_t SignBit = uint64_t{1} << 63;
    static constexpr uint64_t InfinityBits = 0x7ff0000000000000;
    uint64_t bits = 0;
    void add(double value) { bits = std::max(bits, std::bit_cast<uint64_t>(value) & ~SignBit); }
    double value() const { return bits < InfinityBits ? std::bit_cast<double>(bits) : INFINITY; }
};

// A step is taken in place without a check of every new weight when a bound
// shows that none can overflow: with every |signal| <= S, |error term| <= D and
// |weight| <= M, a new weight is at most (S*D + M)(1 + 5 * 2^-53) in
// magnitude, two roundings of the step and two of the bound itself. The
// bound stays far below the largest double. The block keeps its M between
// calls, and CNeuron keeps it true when a weight is written.
constexpr double SafeReach = 1e300;

// The block that holds the hidden weights of a hidden layer laid out as
// CreateNS builds it, or null: hidden neuron h is member h - 1 of one block
// and has a formula, and every hidden neuron takes input k from input neuron
// k. Both layers have at least one neuron beside element 0.
WeightBlock* HiddenBlock(const std::vector<NeuronRef>& inputs, const std::vector<NeuronRef>& hidden);

// The numbers of a hidden layer beside its block: the inputs, and the hidden
// neurons' biases (in lanes), formulas and outputs.
template <int W>
struct FlatNetwork {
    using L = Lanes<W>;
    WeightBlock& block;
    int32_t inputs = 0, hidden = 0, vectors = 0;
    std::vector<double> x, signal;
    std::vector<L> bias, sums, terms;
    std::vector<const CFormula*> formulas;
    std::vector<double> results;
    const double* stepSignal = nullptr; // the sweeps compare it with x to take the one-array form

    // Gathers the numbers of `hiddenLayer` and `inputLayer` (from element 1) whose weights `weights` holds.
    FlatNetwork(const std::vector<NeuronRef>& inputLayer, const std::vector<NeuronRef>& hiddenLayer,
                WeightBlock& weights)
        : block(weights), inputs(weights.inputs()), hidden(weights.hidden()), vectors(weights.vectors()),
          x(static_cast<size_t>(inputs)), signal(static_cast<size_t>(inputs)), bias(static_cast<size_t>(vectors), L{}),
          sums(static_cast<size_t>(vectors), L{}), terms(static_cast<size_t>(vectors), L{}),
          formulas(static_cast<size_t>(hidden)), results(static_cast<size_t>(hidden)) {
        for (size_t k = 0; k < static_cast<size_t>(inputs); ++k) {
            const CNeuron& input = *inputLayer[k + 1];
            x[k] = input.Result();
            signal[k] = input.Displacing();
        }
        for (int32_t h = 0; h < hidden; ++h) {
            const CNeuron& neuron = *hiddenLayer[static_cast<size_t>(h) + 1];
            reinterpret_cast<double*>(bias.data())[h] = neuron.Displacing();
            formulas[static_cast<size_t>(h)] = NeuronAccess::formula(neuron);
            results[static_cast<size_t>(h)] = neuron.Result();
        }
        // Bit for bit: 0 and -0 compare equal but can step a weight of -0 differently.
        const bool same = std::memcmp(x.data(), signal.data(), x.size() * sizeof(double)) == 0;
        stepSignal = same ? x.data() : signal.data();
    }

    L* weights() { return reinterpret_cast<L*>(block.data()); }
    // Error term and weighted sum of hidden neuron h (from 0).
    double& term(int32_t h) { return reinterpret_cast<double*>(terms.data())[h]; }
    double sum(int32_t h) const { return reinterpret_cast<const double*>(sums.data())[h]; }

    // The largest magnitude of the signals.
    double largestSignal() const {
        Magnitude largest;
        for (const double s : signal)
            largest.add(s);
        return largest.value();
    }

    // The largest magnitude among the weights the step with the current
    // error terms would give, infinite when one would not be finite; the rare
    // step beyond the bound. Nothing is written.
    double largestNewWeight() {
        Magnitude largest;
        for (int32_t h = 0; h < hidden; ++h) {
            const double* cell = block.column(h);
            const size_t stride = block.stride(h);
            const double eh = term(h);
            for (size_t k = 0; k < static_cast<size_t>(inputs); ++k)
                largest.add(signal[k] * eh + cell[k * stride]);
        }
        return largest.value();
    }

    // The bound of every weight's magnitude after a step with the current
    // error terms, from the bound `weights` before it, the largest signal
    // and the largest term; infinite when some new weight would not be finite.
    double boundAfterStep(double weights, double largestSignal, double largestTerm) {
        const double reach = largestSignal * largestTerm + weights;
        if (reach <= SafeReach)
            return reach * (1.0 + 0x1p-40) + 0x1p-1000;
        if (std::isfinite(largestTerm))
            return largestNewWeight();
        return INFINITY;
    }

    // Every hidden sum, the weights unchanged.
    void sumAll() { Sweeps<W>::sum(weights(), x.data(), bias.data(), sums.data(), inputs, vectors); }
    // Every hidden weight takes its step with the current terms, then every sum is taken anew.
    void step() {
        Sweeps<W>::update(weights(), stepSignal, x.data(), terms.data(), bias.data(), sums.data(), inputs, vectors);
    }
};

} // namespace kernel
