#include "TeachReference.h"

#include <cmath>
#include <vector>

TeachOutcome TeachNSPlain(mdMain& state, double target, int32_t limit) {
    const size_t inputCount = state.InLayer.size() - 1, hiddenCount = state.HiddenLayer.size() - 1;
    const double alpha = state.Alpha, learnStep = state.LearnStep;
    TeachOutcome outcome;
    CNeuron& out = *state.OutNeuron;
    // The step is worked out in full before any of it is written, so that a
    // step leading to an infinite or NaN weight can be left out entirely.
    std::vector<double> newOut(hiddenCount + 1), newHidden(hiddenCount * inputCount);
    for (int32_t i = 1; i <= limit; ++i) {
        // The forward pass neuron after neuron, as the network's own pass
        // would make it without its sweep.
        for (size_t h = 1; h <= hiddenCount; ++h)
            state.HiddenLayer[h]->Operate();
        const double result = out.Operate();
        ++outcome.iterations;
        if (result == target) {
            outcome.reachedTarget = true;
            break;
        }
        const double delta = (target - result) * learnStep * alpha * (result + 1.0) * (1.0 - result) / 2.0;
        bool finite = std::isfinite(delta);
        for (size_t h = 1; h <= hiddenCount; ++h) {
            newOut[h] = out.iNeuron(int32_t(h))->Result() * delta + out.iWeight(int32_t(h));
            finite = finite && std::isfinite(newOut[h]);
        }
        for (size_t h = 1; h <= hiddenCount && finite; ++h) {
            const CNeuron& hidden = *state.HiddenLayer[h];
            const double o = hidden.Result();
            const double dh = alpha * delta * (o + 1.0) * (1.0 - o) * newOut[h] / 2.0;
            for (size_t k = 1; k <= inputCount; ++k) {
                double& w = newHidden[(h - 1) * inputCount + k - 1];
                w = state.InLayer[k]->Displacing() * dh + hidden.iWeight(int32_t(k));
                finite = finite && std::isfinite(w);
            }
        }
        if (!finite) {
            outcome.diverged = true;
            break;
        }
        for (size_t h = 1; h <= hiddenCount; ++h)
            out.setIWeight(int32_t(h), newOut[h]);
        out.Operate();
        for (size_t h = 1; h <= hiddenCount; ++h) {
            CNeuron& hidden = *state.HiddenLayer[h];
            hidden.setAutoOperate(false);
            for (size_t k = 1; k <= inputCount; ++k)
                hidden.setIWeight(int32_t(k), newHidden[(h - 1) * inputCount + k - 1]);
            hidden.setAutoOperate(true);
        }
    }
    return outcome;
}
