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

TeachOutcome TeachNS(mdMain& state, double target, int32_t limit) {
    return TeachNSPlain(state, target, limit);
}

MelodyTrainingOutcome TrainMelody(mdMain& state, int32_t iterations) {
    const Shape shape = builtShape(state);
    MelodyTrainingOutcome outcome;
    const int32_t last = std::min(state.MelodyLen, mdMain::MelodyCapacity - 1);
    if (!(state.LearnStep > 0.0) || last <= 1 || shape.inputs <= 1)
        return outcome;
    outcome.trained = true;

    const auto note = [&](int32_t position) { return NoteToValue(state.Melody[static_cast<size_t>(position)]); };
    const auto input = [&](int32_t j) -> CNeuron& { return *state.InLayer[static_cast<size_t>(j)]; };
    for (int32_t j = 1; j <= shape.inputs; ++j)
        input(j).setDisplacing(PauseValue);

    if (shape.inputs < last) {
        const int32_t windows = last - shape.inputs + 1;
        outcome.windows = windows;
        outcome.iterationsPerWindow = iterations / windows;
        for (int32_t w = 0; w < windows; ++w) {
            for (int32_t j = 1; j <= shape.inputs; ++j)
                input(j).setDisplacing(note(w + j - 1));
            const TeachOutcome taught = TeachNS(state, note(w + shape.inputs), outcome.iterationsPerWindow);
            if (taught.diverged) {
                // Every later window starts from the same weights and would only stop too.
                outcome.diverged = true;
                break;
            }
        }
    } else {
        outcome.windows = 1;
        outcome.iterationsPerWindow = iterations;
        for (int32_t k = 0; k < last; ++k)
            input(shape.inputs - last + 1 + k).setDisplacing(note(k));
        outcome.diverged = TeachNS(state, note(last), iterations).diverged;
    }
    return outcome;
}
