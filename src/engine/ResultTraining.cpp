#include "engine/ResultTraining.h"

#include "engine/DenseNetwork.h"
#include "engine/LevenbergMarquardt.h"
#include "engine/Prediction.h"
#include "engine/Rprop.h"

#include <chrono>
#include <cmath>
#include <limits>
#include <random>

namespace {

// An output counts as safely exact within this many semitones of its target:
// the network's own evaluation sums in another order, and a margin keeps its
// last bits from moving an output over the edge of its note (half a semitone).
constexpr double SafeSemitones = 0.4;

// A start whose best has not improved for this many epochs (by an exact
// window more or a hundredth less squared error) is stuck.
constexpr int32_t StuckEpochsLm = 30;
constexpr int32_t StuckEpochsRprop = 2000;
constexpr double Improvement = 0.99;

struct Fit {
    int32_t exact = 0; // windows
    int32_t safe = 0;  // patterns safely exact
    double squared = std::numeric_limits<double>::infinity();
    double absolute = 0.0; // sum of |error| over the patterns
};

Fit evaluate(const DenseNetwork& net, const TrainingSet& set) {
    Fit fit;
    fit.squared = 0.0;
    for (int32_t p = 0; p < set.patterns(); ++p) {
        const double out = net.Output(set.input(p));
        const double error = set.target(p) - out;
        fit.exact += set.exactWindows(p, ValueToNote(out));
        if (std::fabs(error) * 48.0 <= SafeSemitones)
            ++fit.safe;
        fit.squared += error * error;
        fit.absolute += std::fabs(error);
    }
    if (!std::isfinite(fit.squared))
        fit = Fit{};
    return fit;
}

// Exact windows of the network itself, which sums in its own order.
int32_t exactInNetwork(mdMain& state) {
    const TrainingWindows windows = TrainingWindowsOf(state, static_cast<int32_t>(state.InLayer.size() - 1));
    int32_t exact = 0;
    for (int32_t position = windows.first; position <= windows.last; ++position) {
        PlaceInputs(state, position);
        exact += ValueToNote(state.CalcNS()) == state.Melody[static_cast<size_t>(position)] ? 1 : 0;
    }
    return exact;
}

bool better(const Fit& a, const Fit& b) {
    return a.exact > b.exact || (a.exact == b.exact && a.squared < b.squared);
}

// Better by enough to count as progress of a start.
bool clearlyBetter(const Fit& a, const Fit& b) {
    return a.exact > b.exact || (a.exact == b.exact && a.squared < b.squared * Improvement);
}

void freshWeights(std::vector<double>& theta, std::mt19937_64& random) {
    for (double& value : theta)
        value = static_cast<double>(random() >> 11) * 0x1.0p-53 - 0.5;
}

// The options' clock, or seconds of the steady clock.
std::function<double()> clockOf(const ResultTrainingOptions& options) {
    if (options.clock)
        return options.clock;
    return [] { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); };
}

// Whether the options ask for Levenberg-Marquardt, or leave the choice and it is affordable.
bool choosesLevenbergMarquardt(const ResultTrainingOptions& options, const TrainingSet& set, int64_t parameters) {
    return options.optimizer == ResultOptimizer::LevenbergMarquardt ||
           (options.optimizer == ResultOptimizer::Automatic &&
            LevenbergMarquardt::Affordable(set.patterns(), parameters));
}

} // namespace

ResultOutcome TrainToResult(mdMain& state, const ResultTrainingOptions& options) {
    DenseNetwork net(state);
    const TrainingSet set = TrainingSet::FromMelody(state, net.inputs());
    ResultOutcome outcome;
    outcome.windows = set.windows();
    outcome.learnable = set.learnable();
    if (set.patterns() == 0)
        return outcome;

    const std::function<double()> clock = clockOf(options);
    const double start = clock();
    outcome.levenbergMarquardt = choosesLevenbergMarquardt(options, set, static_cast<int64_t>(net.parameters().size()));
    LevenbergMarquardt lm;
    Rprop rprop;
    std::mt19937_64 random(options.seed);
    const int32_t stuckEpochs = outcome.levenbergMarquardt ? StuckEpochsLm : StuckEpochsRprop;

    std::vector<double> best = net.parameters();
    Fit bestFit = evaluate(net, set);
    Fit startBest = bestFit;
    int32_t sinceStartBest = 0;
    int32_t startsWithoutBest = 0;
    const auto finish = [&](ResultEnd end) {
        outcome.end = end;
        outcome.exact = bestFit.exact;
        outcome.seconds = clock() - start;
        net.parameters() = best;
        net.WriteTo(state);
        return outcome;
    };
    // Every learnable window exact, though some only just: the network itself decides.
    const auto confirmed = [&] {
        net.WriteTo(state);
        return exactInNetwork(state) == set.learnable();
    };
    if (bestFit.safe == set.patterns() || (bestFit.exact == set.learnable() && confirmed()))
        return finish(ResultEnd::AllLearnable);

    for (;;) {
        if (options.control && options.control->cancel.load(std::memory_order_relaxed))
            return finish(ResultEnd::Cancelled);
        if (clock() - start >= options.maxSeconds)
            return finish(ResultEnd::TimeLimit);
        const bool moved = outcome.levenbergMarquardt ? lm.Epoch(net, set) : rprop.Epoch(net, set);
        ++outcome.epochs;
        const Fit fit = moved ? evaluate(net, set) : Fit{};
        if (better(fit, bestFit)) {
            bestFit = fit;
            best = net.parameters();
            startsWithoutBest = 0;
        }
        const bool reached = fit.safe == set.patterns() || (fit.exact == set.learnable() && confirmed());
        bool goOn = true;
        if (options.onEpoch)
            goOn = options.onEpoch({outcome.epochs, clock() - start, bestFit.exact, set.learnable(),
                                    bestFit.absolute * 48.0 / set.patterns()});
        if (reached) {
            // The network that reached it, even where an earlier one had less error.
            best = net.parameters();
            bestFit = fit;
            return finish(ResultEnd::AllLearnable);
        }
        if (!goOn)
            return finish(ResultEnd::Cancelled);
        if (clearlyBetter(fit, startBest)) {
            startBest = fit;
            sinceStartBest = 0;
        } else if (!moved || ++sinceStartBest >= stuckEpochs) {
            if (++startsWithoutBest >= options.stallStarts)
                return finish(ResultEnd::Stalled);
            freshWeights(net.parameters(), random);
            lm.Reset();
            rprop.Reset();
            ++outcome.restarts;
            startBest = evaluate(net, set);
            sinceStartBest = 0;
        }
    }
}
