#include "engine/Training.h"

#include "engine/Prediction.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace {

constexpr double PauseValue = -0.5;

struct Shape {
    int32_t inputs = 0;
    int32_t hidden = 0;
};

// The counts of the network as it was built; refuses a state without one or
// with an empty place in a layer.
Shape builtShape(const mdMain& state) {
    const auto filled = [](const std::vector<NeuronRef>& layer) {
        return layer.size() >= 2 && std::all_of(layer.begin() + 1, layer.end(), [](const NeuronRef& n) { return n; });
    };
    if (!state.OutNeuron || !filled(state.InLayer) || !filled(state.HiddenLayer))
        throw std::logic_error("training needs a built network");
    return {static_cast<int32_t>(state.InLayer.size() - 1), static_cast<int32_t>(state.HiddenLayer.size() - 1)};
}

// A store to the control every iteration would cost the smallest networks
// more than their iteration; the watcher only needs the count now and then.
constexpr int32_t PublishEvery = 256;

// Ends an iteration whose step was taken: passes the count on now and then and
// says whether the watcher asked the run to stop.
inline bool cancelRequested(TrainingControl* control, int64_t before, int32_t done) {
    if (!control)
        return false;
    if (done % PublishEvery == 0)
        control->iterations.store(before + done, std::memory_order_relaxed);
    return control->cancel.load(std::memory_order_relaxed);
}

// Training of a network that is not laid out as CreateNS builds it, through
// the neuron interface: one pass checks that the whole step stays finite,
// another writes it.
TeachOutcome teachThroughNeurons(mdMain& state, const Shape& shape, double target, int32_t limit,
                                 TrainingControl* control, int64_t before) {
    const double alpha = state.Alpha;
    const double learnStep = state.LearnStep;
    CNeuron& out = *state.OutNeuron;
    std::vector<double> newOut(static_cast<size_t>(shape.hidden) + 1), terms(static_cast<size_t>(shape.hidden) + 1);
    const auto signal = [&](int32_t k) { return state.InLayer[static_cast<size_t>(k)]->Displacing(); };
    const auto hiddenNeuron = [&](int32_t h) -> CNeuron& { return *state.HiddenLayer[static_cast<size_t>(h)]; };

    TeachOutcome outcome;
    for (int32_t i = 1; i <= limit; ++i) {
        const double o = state.CalcNS();
        ++outcome.iterations;
        if (o == target) {
            outcome.reachedTarget = true;
            break;
        }
        const double delta = (target - o) * learnStep * alpha * (o + 1.0) * (1.0 - o) / 2.0;
        bool finite = std::isfinite(delta);
        for (int32_t h = 1; h <= shape.hidden; ++h) {
            // A link without a neuron adds nothing to the output and learns as if fed 0.
            const NeuronRef source = out.iNeuron(h);
            const double w = (source ? source->Result() : 0.0) * delta + out.iWeight(h);
            newOut[static_cast<size_t>(h)] = w;
            finite = finite && std::isfinite(w);
        }
        for (int32_t h = 1; h <= shape.hidden && finite; ++h) {
            const double r = hiddenNeuron(h).Result();
            const double e = alpha * delta * (r + 1.0) * (1.0 - r) * newOut[static_cast<size_t>(h)] / 2.0;
            terms[static_cast<size_t>(h)] = e;
            for (int32_t k = 1; k <= shape.inputs && finite; ++k)
                finite = std::isfinite(signal(k) * e + hiddenNeuron(h).iWeight(k));
        }
        if (!finite) {
            outcome.diverged = true;
            break;
        }
        for (int32_t h = 1; h <= shape.hidden; ++h)
            out.setIWeight(h, newOut[static_cast<size_t>(h)]);
        out.Operate();
        for (int32_t h = 1; h <= shape.hidden; ++h) {
            CNeuron& neuron = hiddenNeuron(h);
            neuron.setAutoOperate(false);
            for (int32_t k = 1; k <= shape.inputs; ++k)
                neuron.setIWeight(k, signal(k) * terms[static_cast<size_t>(h)] + neuron.iWeight(k));
            neuron.setAutoOperate(true);
        }
        if (cancelRequested(control, before, outcome.iterations)) {
            outcome.cancelled = true;
            break;
        }
    }
    return outcome;
}

} // namespace

// Direct access to a neuron's numbers for the training kernel below.
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

namespace {

// W hidden neurons side by side, one lane each. The wrapper makes vectors and
// new honour the vector's alignment, which a target without such wide
// registers would otherwise lower.
template <int W>
struct alignas(W * sizeof(double)) Lanes {
    typedef double Vec __attribute__((vector_size(W * sizeof(double))));
    Vec v;
};

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

// The block that holds the hidden weights of a hidden layer laid out as
// CreateNS builds it, or null: hidden neuron h is member h - 1 of one block
// and has a formula, and every hidden neuron takes input k from input neuron
// k. The links are read in full only until a check finds them right.
WeightBlock* hiddenBlock(const mdMain& state, const Shape& shape) {
    WeightBlock* block = state.HiddenLayer[1] ? NeuronAccess::block(*state.HiddenLayer[1]) : nullptr;
    if (!block || block->inputs() != shape.inputs || block->hidden() != shape.hidden)
        return nullptr;
    for (int32_t h = 1; h <= shape.hidden; ++h) {
        const NeuronRef& hidden = state.HiddenLayer[static_cast<size_t>(h)];
        if (!hidden || NeuronAccess::block(*hidden) != block || NeuronAccess::member(*hidden) != h - 1 ||
            hidden->nInput() != shape.inputs || !NeuronAccess::formula(*hidden))
            return nullptr;
    }
    // Checked links stay equal among the hidden neurons, so the first one's
    // stand for all of them.
    const NeuronRef* inputNeurons = state.InLayer.data() + 1;
    const auto inputs = static_cast<size_t>(shape.inputs);
    const auto sameLinks = [&](const CNeuron& neuron) {
        const NeuronRef* links = NeuronAccess::inputs(neuron).data() + 1;
        bool same = true;
        for (size_t k = 0; k < inputs; ++k)
            same = same & (links[k] == inputNeurons[k]) & (inputNeurons[k] != nullptr);
        return same;
    };
    if (block->linksChecked())
        return sameLinks(*state.HiddenLayer[1]) ? block : nullptr;
    for (int32_t h = 1; h <= shape.hidden; ++h)
        if (!sameLinks(*state.HiddenLayer[static_cast<size_t>(h)]))
            return nullptr;
    block->setLinksChecked(true);
    return block;
}

// The block of a network of the shape CreateNS gives it, or null when the
// network is anything else and so trains through its neurons: the hidden
// layer as hiddenBlock wants it, and an output neuron that takes input h from
// hidden neuron h, keeps its own weights and evaluates only when asked.
WeightBlock* standardBlock(const mdMain& state, const Shape& shape) {
    const CNeuron& out = *state.OutNeuron;
    if (out.AutoOperate() || out.nInput() != shape.hidden || !NeuronAccess::formula(out) || NeuronAccess::block(out))
        return nullptr;
    for (int32_t h = 1; h <= shape.hidden; ++h)
        if (NeuronAccess::inputs(out)[static_cast<size_t>(h)] != state.HiddenLayer[static_cast<size_t>(h)])
            return nullptr;
    return hiddenBlock(state, shape);
}

// A step is taken in place without a check of every new weight when a bound
// shows that none can overflow: with every |signal| <= S, |error term| <= D and
// |weight| <= M, a new weight is at most (S*D + M)(1 + 5 * 2^-53) in
// magnitude, two roundings of the step and two of the bound itself. The
// bound stays far below the largest double. The block keeps its M between
// calls, and CNeuron keeps it true when a weight is written.
constexpr double SafeReach = 1e300;

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

    FlatNetwork(const mdMain& state, WeightBlock& weights)
        : block(weights), inputs(weights.inputs()), hidden(weights.hidden()), vectors(weights.vectors()),
          x(static_cast<size_t>(inputs)), signal(static_cast<size_t>(inputs)), bias(static_cast<size_t>(vectors), L{}),
          sums(static_cast<size_t>(vectors), L{}), terms(static_cast<size_t>(vectors), L{}),
          formulas(static_cast<size_t>(hidden)), results(static_cast<size_t>(hidden)) {
        for (size_t k = 0; k < static_cast<size_t>(inputs); ++k) {
            const CNeuron& input = *state.InLayer[k + 1];
            x[k] = input.Result();
            signal[k] = input.Displacing();
        }
        for (int32_t h = 0; h < hidden; ++h) {
            const CNeuron& neuron = *state.HiddenLayer[static_cast<size_t>(h) + 1];
            reinterpret_cast<double*>(bias.data())[h] = neuron.Displacing();
            formulas[static_cast<size_t>(h)] = NeuronAccess::formula(neuron);
            results[static_cast<size_t>(h)] = neuron.Result();
        }
        // Bit for bit: 0 and -0 compare equal but can step a weight of -0 differently.
        const bool same = std::memcmp(x.data(), signal.data(), x.size() * sizeof(double)) == 0;
        stepSignal = same ? x.data() : signal.data();
    }

    L* weights() { return reinterpret_cast<L*>(block.data()); }
    double& term(int32_t h) { return reinterpret_cast<double*>(terms.data())[h]; }
    double sum(int32_t h) const { return reinterpret_cast<const double*>(sums.data())[h]; }

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

    void sumAll() { Sweeps<W>::sum(weights(), x.data(), bias.data(), sums.data(), inputs, vectors); }
    void step() {
        Sweeps<W>::update(weights(), stepSignal, x.data(), terms.data(), bias.data(), sums.data(), inputs, vectors);
    }
};

// Trains a network of the standard shape in its block.
template <int W>
TeachOutcome teachInBlock(mdMain& state, WeightBlock& block, double target, int32_t limit, TrainingControl* control,
                          int64_t before) {
    FlatNetwork<W> net(state, block);
    const int32_t hidden = net.hidden;
    const double alpha = state.Alpha;
    const double learnStep = state.LearnStep;
    CNeuron& out = *state.OutNeuron;
    Magnitude signals;
    for (const double s : net.signal)
        signals.add(s);
    const double largestSignal = signals.value();
    // A bound that a non-finite weight made infinite has the first step
    // checked in full, which makes it exact again.
    double weightBound = block.largest();
    const CFormula* outFormula = NeuronAccess::formula(out);
    const double outBias = out.Displacing();
    double outResult = out.Result();
    std::vector<double>& results = net.results;
    std::vector<double>& outNeuronWeights = NeuronAccess::ownWeights(out);
    std::vector<double> outWeights(outNeuronWeights.begin() + 1, outNeuronWeights.end());
    std::vector<double> newOutWeights(static_cast<size_t>(hidden));

    // Hidden outputs before the last update, for the output evaluation that
    // the last step owes (see below).
    std::vector<double> earlier(results);
    const auto evaluateHidden = [&] {
        for (int32_t h = 0; h < hidden; ++h)
            results[static_cast<size_t>(h)] =
                activate(net.formulas[static_cast<size_t>(h)], net.sum(h), earlier[static_cast<size_t>(h)]);
    };
    const auto outputSum = [&](const std::vector<double>& r) {
        double sum = outBias;
        for (int32_t h = 0; h < hidden; ++h)
            sum += r[static_cast<size_t>(h)] * outWeights[static_cast<size_t>(h)];
        return sum;
    };
    // Each step re-evaluates the output neuron with its new weights and the
    // old hidden outputs, and the next forward pass replaces that Result at
    // once. The formula is pure, so that evaluation is only made where its
    // value survives: after the last step, or where the next pass yields NaN
    // and so keeps it.
    bool owed = false;
    const auto settleOwed = [&] {
        if (owed)
            outResult = activate(outFormula, outputSum(earlier), outResult);
        owed = false;
    };

    TeachOutcome outcome;
    bool updated = false;
    // The inputs stay the same during the call, so the sums of a sweep are
    // exactly the hidden half of the next forward pass.
    net.sumAll();
    evaluateHidden();
    for (int32_t i = 1; i <= limit; ++i) {
        const double value = outFormula->Calc(outputSum(results));
        if (std::isnan(value))
            settleOwed();
        else
            outResult = value;
        owed = false;
        ++outcome.iterations;
        if (outResult == target) {
            outcome.reachedTarget = true;
            break;
        }
        const double o = outResult;
        const double delta = (target - o) * learnStep * alpha * (o + 1.0) * (1.0 - o) / 2.0;
        // New output weights and the hidden error terms from them. A term is
        // a product of delta and its neuron's new output weight, so it is not
        // finite when either of them is not (x 0 gives NaN then): the terms
        // alone tell whether the step stays finite outside the hidden weights.
        Magnitude largestTerm;
        for (int32_t h = 0; h < hidden; ++h) {
            const double r = results[static_cast<size_t>(h)];
            const double w = r * delta + outWeights[static_cast<size_t>(h)];
            newOutWeights[static_cast<size_t>(h)] = w;
            const double e = alpha * delta * (r + 1.0) * (1.0 - r) * w / 2.0;
            net.term(h) = e;
            largestTerm.add(e);
        }
        // The weights are updated in place, so a step that might overflow is
        // checked in full before it starts rather than undone afterwards.
        const double reach = largestSignal * largestTerm.value() + weightBound;
        if (reach <= SafeReach)
            weightBound = reach * (1.0 + 0x1p-40) + 0x1p-1000;
        else if (std::isfinite(largestTerm.value()))
            weightBound = net.largestNewWeight();
        else
            weightBound = INFINITY;
        if (std::isinf(weightBound)) {
            outcome.diverged = true;
            break;
        }
        net.step();
        // The step is taken: new output weights (the output evaluation owed),
        // then the hidden neurons with their new weights.
        outWeights.swap(newOutWeights);
        earlier.swap(results);
        evaluateHidden();
        owed = true;
        updated = true;
        if (cancelRequested(control, before, outcome.iterations)) {
            outcome.cancelled = true;
            break;
        }
    }
    settleOwed();

    // The hidden weights are in place already; the rest goes back into the neurons.
    block.setLargest(weightBound);
    for (int32_t h = 0; h < hidden; ++h) {
        CNeuron& neuron = *state.HiddenLayer[static_cast<size_t>(h) + 1];
        NeuronAccess::restoreResult(neuron, results[static_cast<size_t>(h)]);
        if (updated)
            NeuronAccess::restoreAutoOperate(neuron, true);
        outNeuronWeights[static_cast<size_t>(h) + 1] = outWeights[static_cast<size_t>(h)];
    }
    NeuronAccess::restoreResult(out, outResult);
    return outcome;
}

// Operate of every hidden neuron, all sums in one sweep of the block.
template <int W>
void evaluateHiddenInBlock(mdMain& state, WeightBlock& block) {
    FlatNetwork<W> net(state, block);
    net.sumAll();
    for (int32_t h = 0; h < net.hidden; ++h) {
        const size_t k = static_cast<size_t>(h);
        NeuronAccess::restoreResult(*state.HiddenLayer[k + 1], activate(net.formulas[k], net.sum(h), net.results[k]));
    }
}

// Below this many hidden weights the neurons evaluate themselves sooner than
// the arrays for a sweep are made.
constexpr int64_t SweepFromWeights = 256;

} // namespace

bool EvaluateHiddenInBlock(mdMain& state) {
    if (state.InLayer.size() < 2 || state.HiddenLayer.size() < 2)
        return false;
    const Shape shape{static_cast<int32_t>(state.InLayer.size() - 1),
                      static_cast<int32_t>(state.HiddenLayer.size() - 1)};
    if (int64_t{shape.inputs} * shape.hidden < SweepFromWeights)
        return false;
    WeightBlock* block = hiddenBlock(state, shape);
    if (!block)
        return false;
    if (block->width() == 8)
        evaluateHiddenInBlock<8>(state, *block);
    else
        evaluateHiddenInBlock<4>(state, *block);
    return true;
}

TeachOutcome TeachNS(mdMain& state, double target, int32_t limit, TrainingControl* control) {
    const Shape shape = builtShape(state);
    if (limit <= 0)
        return {};
    const int64_t before = control ? control->iterations.load(std::memory_order_relaxed) : 0;
    TeachOutcome outcome;
    if (WeightBlock* block = standardBlock(state, shape))
        outcome = block->width() == 8 ? teachInBlock<8>(state, *block, target, limit, control, before)
                                      : teachInBlock<4>(state, *block, target, limit, control, before);
    else
        outcome = teachThroughNeurons(state, shape, target, limit, control, before);
    if (control)
        control->iterations.store(before + outcome.iterations, std::memory_order_relaxed);
    return outcome;
}

MelodyTrainingOutcome TrainMelody(mdMain& state, int32_t iterations, TrainingControl* control) {
    const Shape shape = builtShape(state);
    MelodyTrainingOutcome outcome;
    const TrainingWindows windows = TrainingWindowsOf(state, shape.inputs);
    if (!(state.LearnStep > 0.0) || windows.count() <= 0)
        return outcome;
    outcome.trained = true;
    outcome.windows = windows.count();
    // A melody of at most InputCount + 1 notes is one window with the whole count.
    outcome.iterationsPerWindow = iterations / windows.count();
    // Each input is written once per window (and the pauses once before the
    // first): every write of Displacing shifts an input's Result, so more
    // writes than that would change its last bits.
    for (int32_t j = 1; j <= shape.inputs; ++j)
        state.InLayer[static_cast<size_t>(j)]->setDisplacing(PauseValue);
    for (int32_t position = windows.first; position <= windows.last; ++position) {
        for (int32_t j = 1; j <= shape.inputs; ++j)
            if (const int32_t q = position - 1 - shape.inputs + j; q >= 0)
                state.InLayer[static_cast<size_t>(j)]->setDisplacing(NoteToValue(state.Melody[static_cast<size_t>(q)]));
        const double target = NoteToValue(state.Melody[static_cast<size_t>(position)]);
        const TeachOutcome taught = TeachNS(state, target, outcome.iterationsPerWindow, control);
        outcome.iterationsRun += taught.iterations;
        outcome.diverged = taught.diverged;
        outcome.cancelled = taught.cancelled;
        // Every later window starts from the weights a diverging one stopped at and
        // would only stop too; after a cancel nothing more is wanted.
        if (taught.diverged || taught.cancelled)
            break;
    }
    return outcome;
}
