#include "engine/Training.h"

#include "engine/BlockKernel.h"
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

using kernel::FlatNetwork;
using kernel::Magnitude;

// The block of a network of the shape CreateNS gives it, or null when the
// network is anything else and so trains through its neurons: the hidden
// layer as the kernel's HiddenBlock wants it, and an output neuron that takes
// input h from hidden neuron h, keeps its own weights and evaluates only when
// asked.
WeightBlock* standardBlock(const mdMain& state, const Shape& shape) {
    const CNeuron& out = *state.OutNeuron;
    if (out.AutoOperate() || out.nInput() != shape.hidden || !NeuronAccess::formula(out) || NeuronAccess::block(out))
        return nullptr;
    for (int32_t h = 1; h <= shape.hidden; ++h)
        if (NeuronAccess::inputs(out)[static_cast<size_t>(h)] != state.HiddenLayer[static_cast<size_t>(h)])
            return nullptr;
    return kernel::HiddenBlock(state.InLayer, state.HiddenLayer);
}

// The output neuron while its network trains in the block: its formula,
// bias, weights (of hidden neurons from 0) and Result. Each step
// re-evaluates the output neuron with its new weights and the old hidden
// outputs, and the next forward pass replaces that Result at once. The
// formula is pure, so that evaluation is only made where its value survives:
// after the last step, or where the next pass yields NaN and so keeps it.
struct BlockOutput {
    CNeuron& neuron;
    const CFormula* formula;
    double bias;
    double result;
    std::vector<double> weights;
    std::vector<double> newWeights; // the step's, until it is taken
    bool owed = false;              // the evaluation after the last step is not made yet

    BlockOutput(CNeuron& out, int32_t hidden)
        : neuron(out), formula(NeuronAccess::formula(out)), bias(out.Displacing()), result(out.Result()),
          weights(NeuronAccess::ownWeights(out).begin() + 1, NeuronAccess::ownWeights(out).end()),
          newWeights(static_cast<size_t>(hidden)) {}

    double sum(const std::vector<double>& hiddenResults) const {
        double s = bias;
        for (size_t h = 0; h < weights.size(); ++h)
            s += hiddenResults[h] * weights[h];
        return s;
    }
    // The forward pass over `hiddenResults`; `earlier` are the hidden
    // outputs that an owed evaluation uses.
    void evaluate(const std::vector<double>& hiddenResults, const std::vector<double>& earlier) {
        const double value = formula->Calc(sum(hiddenResults));
        if (std::isnan(value))
            settle(earlier);
        else
            result = value;
        owed = false;
    }
    // Makes the evaluation the last step owes, if any.
    void settle(const std::vector<double>& earlier) {
        if (owed)
            result = kernel::activate(formula, sum(earlier), result);
        owed = false;
    }
};

// The hidden outputs from the sums of the last sweep; a NaN keeps the
// output from before the step, in `earlier`.
template <int W>
void evaluateHidden(FlatNetwork<W>& net, const std::vector<double>& earlier) {
    for (int32_t h = 0; h < net.hidden; ++h)
        net.results[static_cast<size_t>(h)] =
            kernel::activate(net.formulas[static_cast<size_t>(h)], net.sum(h), earlier[static_cast<size_t>(h)]);
}

// The new output weights and, from them, the hidden error terms of a step by
// `delta`; returns the largest magnitude of the terms. A term is a product of
// delta and its neuron's new output weight, so it is not finite when either
// of them is not (x 0 gives NaN then): the terms alone tell whether the step
// stays finite outside the hidden weights.
template <int W>
double errorTerms(FlatNetwork<W>& net, BlockOutput& out, double alpha, double delta) {
    Magnitude largest;
    for (int32_t h = 0; h < net.hidden; ++h) {
        const double r = net.results[static_cast<size_t>(h)];
        const double w = r * delta + out.weights[static_cast<size_t>(h)];
        out.newWeights[static_cast<size_t>(h)] = w;
        const double e = alpha * delta * (r + 1.0) * (1.0 - r) * w / 2.0;
        net.term(h) = e;
        largest.add(e);
    }
    return largest.value();
}

// The hidden weights are in place already; the rest goes back into the neurons.
template <int W>
void writeBack(mdMain& state, FlatNetwork<W>& net, const BlockOutput& out, double weightBound, bool updated) {
    net.block.setLargest(weightBound);
    std::vector<double>& outNeuronWeights = NeuronAccess::ownWeights(out.neuron);
    for (int32_t h = 0; h < net.hidden; ++h) {
        CNeuron& neuron = *state.HiddenLayer[static_cast<size_t>(h) + 1];
        NeuronAccess::restoreResult(neuron, net.results[static_cast<size_t>(h)]);
        if (updated)
            NeuronAccess::restoreAutoOperate(neuron, true);
        outNeuronWeights[static_cast<size_t>(h) + 1] = out.weights[static_cast<size_t>(h)];
    }
    NeuronAccess::restoreResult(out.neuron, out.result);
}

// Trains a network of the standard shape in its block.
template <int W>
TeachOutcome teachInBlock(mdMain& state, WeightBlock& block, double target, int32_t limit, TrainingControl* control,
                          int64_t before) {
    FlatNetwork<W> net(state.InLayer, state.HiddenLayer, block);
    BlockOutput out(*state.OutNeuron, net.hidden);
    const double alpha = state.Alpha;
    const double learnStep = state.LearnStep;
    const double largestSignal = net.largestSignal();
    // A bound that a non-finite weight made infinite has the first step
    // checked in full, which makes it exact again.
    double weightBound = block.largest();
    // Hidden outputs before the last update, for the output evaluation that
    // the last step owes.
    std::vector<double> earlier(net.results);

    TeachOutcome outcome;
    bool updated = false;
    // The inputs stay the same during the call, so the sums of a sweep are
    // exactly the hidden half of the next forward pass.
    net.sumAll();
    evaluateHidden(net, earlier);
    for (int32_t i = 1; i <= limit; ++i) {
        out.evaluate(net.results, earlier);
        ++outcome.iterations;
        if (out.result == target) {
            outcome.reachedTarget = true;
            break;
        }
        const double o = out.result;
        const double delta = (target - o) * learnStep * alpha * (o + 1.0) * (1.0 - o) / 2.0;
        const double largestTerm = errorTerms(net, out, alpha, delta);
        // The weights are updated in place, so a step that might overflow is
        // checked in full before it starts rather than undone afterwards.
        weightBound = net.boundAfterStep(weightBound, largestSignal, largestTerm);
        if (std::isinf(weightBound)) {
            outcome.diverged = true;
            break;
        }
        net.step();
        // The step is taken: new output weights (the output evaluation owed),
        // then the hidden neurons with their new weights.
        out.weights.swap(out.newWeights);
        out.owed = true;
        earlier.swap(net.results);
        evaluateHidden(net, earlier);
        updated = true;
        if (cancelRequested(control, before, outcome.iterations)) {
            outcome.cancelled = true;
            break;
        }
    }
    out.settle(earlier);
    writeBack(state, net, out, weightBound, updated);
    return outcome;
}

} // namespace

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
