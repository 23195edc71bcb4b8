#include "app/TrainUntil.h"

#include "engine/ResultTraining.h"
#include "engine/TrainingSet.h"

#include <chrono>
#include <cmath>

namespace app {

namespace {

// The learning curve keeps at most this many epochs of one run, evenly thinned.
constexpr size_t MaxCurveEpochs = 400;

// On the tunes we measure on, a network learned every window once it had at
// least this many weights and biases per window pattern to learn.
constexpr double ParametersPerPattern = 1.1;

int32_t inputCountOf(const mdMain& state) {
    return state.NSChanged || state.InLayer.size() < 2 ? state.InputCount
                                                       : static_cast<int32_t>(state.InLayer.size() - 1);
}

// The smallest hidden count that gives `patterns` patterns enough
// parameters, when the network has fewer; 0 otherwise.
int32_t hiddenFor(int32_t patterns, int32_t inputs, int32_t hidden) {
    const double needed = std::ceil(ParametersPerPattern * patterns);
    const double perHidden = static_cast<double>(inputs) + 2.0;
    if (hidden * perHidden + 1.0 >= needed)
        return 0;
    return static_cast<int32_t>(std::ceil((needed - 1.0) / perHidden));
}

uint64_t timeOfDaySeed() {
    return static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
}

// Keeps every epoch's point until there are too many, then every second one.
void addThinned(std::vector<CurvePoint>& points, size_t& stride, int32_t epoch, const CurvePoint& point) {
    if (epoch % static_cast<int32_t>(stride) != 0)
        return;
    points.push_back(point);
    if (points.size() >= MaxCurveEpochs) {
        std::vector<CurvePoint> kept;
        for (size_t i = 1; i < points.size(); i += 2)
            kept.push_back(points[i]);
        points.swap(kept);
        stride *= 2;
    }
}

} // namespace

LearnableWindows CountLearnable(const Session& session) {
    const mdMain& state = session.state();
    const int32_t inputs = inputCountOf(state);
    const TrainingSet set = TrainingSet::FromMelody(state, inputs);
    return {inputs, set.windows(), set.learnable()};
}

TrainUntilOutcome TrainUntil(Session& session, const TrainUntilSettings& settings, const TrainUntilCallback& onEpoch,
                             TrainingControl* control, const Session::WorkRunner& runner) {
    TrainUntilOutcome outcome;
    outcome.failure = session.EnsureNetwork();
    if (outcome.failure) {
        outcome.end = TrainUntilEnd::Failed;
        return outcome;
    }
    mdMain& state = session.state();
    const TrainingSet set = TrainingSet::FromMelody(state, inputCountOf(state));
    outcome.count = {set.inputs(), set.windows(), set.learnable()};
    if (set.patterns() == 0)
        return outcome;

    std::vector<CurvePoint> points;
    size_t stride = 1;
    ResultTrainingOptions options;
    options.maxSeconds = settings.maxSeconds;
    options.seed = settings.seed ? *settings.seed : timeOfDaySeed();
    options.control = control;
    options.onEpoch = [&](const ResultProgress& progress) {
        addThinned(points, stride, progress.epoch, {progress.meanError, progress.exact, set.windows(), true});
        return !onEpoch || onEpoch({progress.epoch, progress.seconds, progress.exact, progress.learnable});
    };
    ResultOutcome result;
    const auto work = [&] { result = TrainToResult(state, options); };
    if (runner)
        runner(work);
    else
        work();

    const LearningReport& report = session.RecordTraining(points, {result.epochs, result.seconds, set.learnable()});
    outcome.epochs = result.epochs;
    outcome.seconds = result.seconds;
    outcome.exact = report.exact;
    // In the order of ResultEnd.
    static constexpr TrainUntilEnd Ends[] = {TrainUntilEnd::AllLearnable, TrainUntilEnd::Stalled,
                                             TrainUntilEnd::TimeLimit, TrainUntilEnd::Cancelled,
                                             TrainUntilEnd::NotTrained};
    outcome.end = Ends[static_cast<size_t>(result.end)];
    if (outcome.end == TrainUntilEnd::Stalled || outcome.end == TrainUntilEnd::TimeLimit)
        outcome.suggestedHidden =
            hiddenFor(set.patterns(), set.inputs(), static_cast<int32_t>(state.HiddenLayer.size() - 1));
    return outcome;
}

} // namespace app
