#include "engine/Training.h"

#include "engine/Prediction.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <vector>

namespace {

constexpr double PauseValue = -0.5;

struct Shape {
    int32_t inputs = 0;
    int32_t hidden = 0;
};

// The counts of the network as it was built; refuses a state without one.
Shape builtShape(const mdMain& state) {
    if (!state.OutNeuron || state.InLayer.size() < 2 || state.HiddenLayer.size() < 2)
        throw std::logic_error("training needs a built network");
    return {static_cast<int32_t>(state.InLayer.size() - 1), static_cast<int32_t>(state.HiddenLayer.size() - 1)};
}

} // namespace

TeachOutcome TeachNSPlain(mdMain& state, double target, int32_t limit) {
    const Shape shape = builtShape(state);
    TeachOutcome outcome;
    if (limit <= 0)
        return outcome;
    const double alpha = state.Alpha;
    const double learnStep = state.LearnStep;
    CNeuron& out = *state.OutNeuron;
    // The step is worked out in full before any of it is written, so that a
    // step leading to an infinite or NaN weight can be left out entirely.
    std::vector<double> newOut(static_cast<size_t>(shape.hidden) + 1);
    std::vector<double> newHidden(static_cast<size_t>(shape.hidden) * static_cast<size_t>(shape.inputs));

    for (int32_t i = 1; i <= limit; ++i) {
        const double result = state.CalcNS();
        ++outcome.iterations;
        if (result == target) {
            outcome.reachedTarget = true;
            break;
        }
        const double delta = (target - result) * learnStep * alpha * (result + 1.0) * (1.0 - result) / 2.0;
        bool finite = std::isfinite(delta);
        for (int32_t h = 1; h <= shape.hidden; ++h) {
            const double w = out.iNeuron(h)->Result() * delta + out.iWeight(h);
            newOut[static_cast<size_t>(h)] = w;
            finite = finite && std::isfinite(w);
        }
        for (int32_t h = 1; h <= shape.hidden && finite; ++h) {
            const CNeuron& hidden = *state.HiddenLayer[static_cast<size_t>(h)];
            const double o = hidden.Result();
            const double dh = alpha * delta * (o + 1.0) * (1.0 - o) * newOut[static_cast<size_t>(h)] / 2.0;
            double* row = &newHidden[static_cast<size_t>(h - 1) * static_cast<size_t>(shape.inputs)];
            for (int32_t k = 1; k <= shape.inputs; ++k) {
                const double w = state.InLayer[static_cast<size_t>(k)]->Displacing() * dh + hidden.iWeight(k);
                row[k - 1] = w;
                finite = finite && std::isfinite(w);
            }
        }
        if (!finite) {
            outcome.diverged = true;
            break;
        }
        for (int32_t h = 1; h <= shape.hidden; ++h)
            out.setIWeight(h, newOut[static_cast<size_t>(h)]);
        out.Operate();
        for (int32_t h = 1; h <= shape.hidden; ++h) {
            CNeuron& hidden = *state.HiddenLayer[static_cast<size_t>(h)];
            const double* row = &newHidden[static_cast<size_t>(h - 1) * static_cast<size_t>(shape.inputs)];
            hidden.setAutoOperate(false);
            for (int32_t k = 1; k <= shape.inputs; ++k)
                hidden.setIWeight(k, row[k - 1]);
            hidden.setAutoOperate(true);
        }
    }
    return outcome;
}

// Direct access to a neuron's arrays for the flat training kernel below.
struct NeuronAccess {
    static const std::vector<double>& weights(const CNeuron& n) { return n.iWeight_; }
    static std::vector<double>& weights(CNeuron& n) { return n.iWeight_; }
    static const std::vector<NeuronRef>& inputs(const CNeuron& n) { return n.iNeuron_; }
    static const CFormula* formula(const CNeuron& n) { return n.actFun_.get(); }
    static double result(const CNeuron& n) { return n.result_; }
    // Stores an output that the kernel computed exactly as Operate would have.
    static void restoreResult(CNeuron& n, double value) { n.result_ = value; }
    static void restoreAutoOperate(CNeuron& n, bool value) { n.autoOperate_ = value; }
};

namespace {

// Four hidden neurons side by side, one lane each: one AVX register, or two
// SSE2 registers in the default build.
// (The wrapper makes vectors and new honour the 32-byte alignment, which the
// default target would otherwise lower to 16.)
using Vec = double __attribute__((vector_size(32)));
struct alignas(32) Lanes {
    Vec v;
};
constexpr int32_t LaneCount = 4;

// Whether the network has the shape CreateNS gives it, which the kernel
// relies on; anything else trains through the neurons.
bool standardNetwork(const mdMain& state, const Shape& shape) {
    const CNeuron& out = *state.OutNeuron;
    if (out.AutoOperate() || out.nInput() != shape.hidden || !NeuronAccess::formula(out))
        return false;
    for (int32_t h = 1; h <= shape.hidden; ++h) {
        const NeuronRef& hidden = state.HiddenLayer[static_cast<size_t>(h)];
        if (!hidden || NeuronAccess::inputs(out)[static_cast<size_t>(h)] != hidden)
            return false;
        if (hidden->nInput() != shape.inputs || !NeuronAccess::formula(*hidden))
            return false;
        const std::vector<NeuronRef>& links = NeuronAccess::inputs(*hidden);
        for (int32_t k = 1; k <= shape.inputs; ++k)
            if (!links[static_cast<size_t>(k)] ||
                links[static_cast<size_t>(k)] != state.InLayer[static_cast<size_t>(k)])
                return false;
    }
    return true;
}

// The evaluation step of Operate: NaN from the formula keeps the last output.
inline double activate(const CFormula* f, double sum, double previous) {
    const double value = f->Calc(sum);
    return std::isnan(value) ? previous : value;
}

// Hidden sums of the current weights: bias first, then input Result x weight
// in ascending input order, for all lanes at once.
__attribute__((target_clones("avx2", "default"))) void hiddenSums(const Lanes* __restrict weights,
                                                                  const double* __restrict x,
                                                                  const Lanes* __restrict bias, Lanes* __restrict sums,
                                                                  int32_t inputs, int32_t blocks) {
    for (int32_t b = 0; b < blocks; ++b)
        sums[b].v = bias[b].v;
    for (int32_t k = 0; k < inputs; ++k) {
        const Lanes* row = weights + static_cast<size_t>(k) * static_cast<size_t>(blocks);
        const double xk = x[k];
        for (int32_t b = 0; b < blocks; ++b)
            sums[b].v += xk * row[b].v;
    }
}

// The hidden weight update (signal x error term + old weight) into `next`,
// with the new sums of the re-evaluation riding along. Returns false when a
// new weight is infinite or NaN.
__attribute__((target_clones("avx2", "default"))) bool
updateHidden(const Lanes* __restrict weights, Lanes* __restrict next, const double* __restrict signal,
             const double* __restrict x, const Lanes* __restrict dh, const Lanes* __restrict bias,
             Lanes* __restrict sums, int32_t inputs, int32_t blocks) {
    Vec check = {};
    for (int32_t b = 0; b < blocks; ++b)
        sums[b].v = bias[b].v;
    for (int32_t k = 0; k < inputs; ++k) {
        const size_t offset = static_cast<size_t>(k) * static_cast<size_t>(blocks);
        const double sk = signal[k];
        const double xk = x[k];
        for (int32_t b = 0; b < blocks; ++b) {
            const Vec w = sk * dh[b].v + weights[offset + b].v;
            next[offset + b].v = w;
            check += w - w; // 0 for a finite weight, NaN otherwise
            sums[b].v += xk * w;
        }
    }
    for (int32_t lane = 0; lane < LaneCount; ++lane)
        if (check[lane] != 0.0)
            return false;
    return true;
}

TeachOutcome teachFlat(mdMain& state, const Shape& shape, double target, int32_t limit) {
    const int32_t inputs = shape.inputs;
    const int32_t hidden = shape.hidden;
    const int32_t blocks = (hidden + LaneCount - 1) / LaneCount;
    const size_t cells = static_cast<size_t>(inputs) * static_cast<size_t>(blocks);
    const double alpha = state.Alpha;
    const double learnStep = state.LearnStep;
    CNeuron& out = *state.OutNeuron;

    // Gather: inputs, weights laid out [input k][hidden h], biases, outputs.
    std::vector<double> x(static_cast<size_t>(inputs)), signal(static_cast<size_t>(inputs));
    for (int32_t k = 0; k < inputs; ++k) {
        const CNeuron& input = *state.InLayer[static_cast<size_t>(k) + 1];
        x[static_cast<size_t>(k)] = input.Result();
        signal[static_cast<size_t>(k)] = input.Displacing();
    }
    std::vector<Lanes> weights(cells, Lanes{}), next(cells, Lanes{});
    std::vector<Lanes> bias(static_cast<size_t>(blocks), Lanes{}), sums(static_cast<size_t>(blocks)),
        dh(static_cast<size_t>(blocks), Lanes{});
    std::vector<const CFormula*> formulas(static_cast<size_t>(hidden));
    std::vector<double> results(static_cast<size_t>(hidden)), outWeights(static_cast<size_t>(hidden)),
        newOutWeights(static_cast<size_t>(hidden));
    for (int32_t h = 0; h < hidden; ++h) {
        const CNeuron& neuron = *state.HiddenLayer[static_cast<size_t>(h) + 1];
        const size_t block = static_cast<size_t>(h / LaneCount);
        const int32_t lane = h % LaneCount;
        const std::vector<double>& w = NeuronAccess::weights(neuron);
        for (int32_t k = 0; k < inputs; ++k)
            weights[static_cast<size_t>(k) * static_cast<size_t>(blocks) + block].v[lane] =
                w[static_cast<size_t>(k) + 1];
        bias[block].v[lane] = neuron.Displacing();
        formulas[static_cast<size_t>(h)] = NeuronAccess::formula(neuron);
        results[static_cast<size_t>(h)] = neuron.Result();
        outWeights[static_cast<size_t>(h)] = NeuronAccess::weights(out)[static_cast<size_t>(h) + 1];
    }
    const CFormula* outFormula = NeuronAccess::formula(out);
    const double outBias = out.Displacing();
    double outResult = out.Result();

    // Hidden outputs before the last update, for the output evaluation that
    // the last step owes (see below).
    std::vector<double> earlier(results);
    const auto evaluateHidden = [&] {
        for (int32_t h = 0; h < hidden; ++h) {
            const double sum = sums[static_cast<size_t>(h / LaneCount)].v[h % LaneCount];
            results[static_cast<size_t>(h)] =
                activate(formulas[static_cast<size_t>(h)], sum, earlier[static_cast<size_t>(h)]);
        }
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
    // The inputs stay the same during the call, so the re-evaluation at the
    // end of one iteration is exactly the hidden half of the next forward pass.
    hiddenSums(weights.data(), x.data(), bias.data(), sums.data(), inputs, blocks);
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
        bool finite = std::isfinite(delta);
        for (int32_t h = 0; h < hidden; ++h) {
            const double w = results[static_cast<size_t>(h)] * delta + outWeights[static_cast<size_t>(h)];
            newOutWeights[static_cast<size_t>(h)] = w;
            finite = finite && std::isfinite(w);
        }
        for (int32_t h = 0; h < hidden; ++h) {
            const double r = results[static_cast<size_t>(h)];
            const double e = alpha * delta * (r + 1.0) * (1.0 - r) * newOutWeights[static_cast<size_t>(h)] / 2.0;
            dh[static_cast<size_t>(h / LaneCount)].v[h % LaneCount] = e;
            finite = finite && std::isfinite(e);
        }
        if (!finite || !updateHidden(weights.data(), next.data(), signal.data(), x.data(), dh.data(), bias.data(),
                                     sums.data(), inputs, blocks)) {
            outcome.diverged = true;
            break;
        }
        // The step is taken: new output weights (the output evaluation owed),
        // then the hidden neurons with their new weights.
        outWeights.swap(newOutWeights);
        weights.swap(next);
        earlier.swap(results);
        evaluateHidden();
        owed = true;
        updated = true;
    }
    settleOwed();

    // Scatter back into the neurons.
    if (outcome.iterations > 0) {
        for (int32_t h = 0; h < hidden; ++h) {
            CNeuron& neuron = *state.HiddenLayer[static_cast<size_t>(h) + 1];
            const size_t block = static_cast<size_t>(h / LaneCount);
            const int32_t lane = h % LaneCount;
            std::vector<double>& w = NeuronAccess::weights(neuron);
            for (int32_t k = 0; k < inputs; ++k)
                w[static_cast<size_t>(k) + 1] =
                    weights[static_cast<size_t>(k) * static_cast<size_t>(blocks) + block].v[lane];
            NeuronAccess::restoreResult(neuron, results[static_cast<size_t>(h)]);
            if (updated)
                NeuronAccess::restoreAutoOperate(neuron, true);
            NeuronAccess::weights(out)[static_cast<size_t>(h) + 1] = outWeights[static_cast<size_t>(h)];
        }
        NeuronAccess::restoreResult(out, outResult);
    }
    return outcome;
}

} // namespace

TeachOutcome TeachNS(mdMain& state, double target, int32_t limit) {
    const Shape shape = builtShape(state);
    if (limit <= 0)
        return {};
    if (!standardNetwork(state, shape))
        return TeachNSPlain(state, target, limit);
    return teachFlat(state, shape, target, limit);
}

MelodyTrainingOutcome TrainMelody(mdMain& state, int32_t iterations) {
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
        if (TeachNS(state, target, outcome.iterationsPerWindow).diverged) {
            // Every later window starts from the same weights and would only stop too.
            outcome.diverged = true;
            break;
        }
    }
    return outcome;
}
