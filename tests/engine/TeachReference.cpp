#include "TeachReference.h"

#include <cmath>
#include <vector>

TeachOutcome TeachNSPlain(mdMain& state, double target, int32_t limit) {
    const auto inputCount = static_cast<int32_t>(state.InLayer.size() - 1);
    const auto hiddenCount = static_cast<int32_t>(state.HiddenLayer.size() - 1);
    TeachOutcome outcome;
    if (limit <= 0)
        return outcome;
    const double alpha = state.Alpha;
    const double learnStep = state.LearnStep;
    CNeuron& out = *state.OutNeuron;
    // The step is worked out in full before any of it is written, so that a
    // step leading to an infinite or NaN weight can be left out entirely.
    std::vector<double> newOut(static_cast<size_t>(hiddenCount) + 1);
    std::vector<double> newHidden(static_cast<size_t>(hiddenCount) * static_cast<size_t>(inputCount));

    for (int32_t i = 1; i <= limit; ++i) {
        // The forward pass neuron after neuron, as the network's own pass
        // would make it without its sweep.
        for (int32_t h = 1; h <= hiddenCount; ++h)
            state.HiddenLayer[static_cast<size_t>(h)]->Operate();
        const double result = out.Operate();
        ++outcome.iterations;
        if (result == target) {
            outcome.reachedTarget = true;
            break;
        }
        const double delta = (target - result) * learnStep * alpha * (result + 1.0) * (1.0 - result) / 2.0;
        bool finite = std::isfinite(delta);
        for (int32_t h = 1; h <= hiddenCount; ++h) {
            const double w = out.iNeuron(h)->Result() * delta + out.iWeight(h);
            newOut[static_cast<size_t>(h)] = w;
            finite = finite && std::isfinite(w);
        }
        for (int32_t h = 1; h <= hiddenCount && finite; ++h) {
            const CNeuron& hidden = *state.HiddenLayer[static_cast<size_t>(h)];
            const double o = hidden.Result();
            const double dh = alpha * delta * (o + 1.0) * (1.0 - o) * newOut[static_cast<size_t>(h)] / 2.0;
            double* row = &newHidden[static_cast<size_t>(h - 1) * static_cast<size_t>(inputCount)];
            for (int32_t k = 1; k <= inputCount; ++k) {
                const double w = state.InLayer[static_cast<size_t>(k)]->Displacing() * dh + hidden.iWeight(k);
                row[k - 1] = w;
                finite = finite && std::isfinite(w);
            }
        }
        if (!finite) {
            outcome.diverged = true;
            break;
        }
        for (int32_t h = 1; h <= hiddenCount; ++h)
            out.setIWeight(h, newOut[static_cast<size_t>(h)]);
        out.Operate();
        for (int32_t h = 1; h <= hiddenCount; ++h) {
            CNeuron& hidden = *state.HiddenLayer[static_cast<size_t>(h)];
            const double* row = &newHidden[static_cast<size_t>(h - 1) * static_cast<size_t>(inputCount)];
            hidden.setAutoOperate(false);
            for (int32_t k = 1; k <= inputCount; ++k)
                hidden.setIWeight(k, row[k - 1]);
            hidden.setAutoOperate(true);
        }
    }
    return outcome;
}
