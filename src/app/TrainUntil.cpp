#include "app/TrainUntil.h"

#include <algorithm>
#include <limits>

namespace app {

TrainUntilOutcome TrainUntil(Session& session, int32_t iterations, int32_t maxClicks, const ClickCallback& onClick,
                             TrainingControl* control, const Session::WorkRunner& runner) {
    TrainUntilOutcome outcome;
    int32_t bestExact = -1;
    double bestError = std::numeric_limits<double>::infinity();
    int32_t sinceBest = 0;
    while (outcome.clicks < maxClicks) {
        const TrainingResult result = session.Train(iterations, control, runner);
        if (result.failure) {
            outcome.end = TrainUntilEnd::Failed;
            outcome.failure = result.failure;
            return outcome;
        }
        ++outcome.clicks;
        const bool goOn = !onClick || onClick(outcome.clicks, result);
        const LearningReport& report = result.report;
        if (!report.trained) {
            outcome.end = TrainUntilEnd::NotTrained;
            return outcome;
        }
        if (report.diverged) {
            outcome.end = TrainUntilEnd::Diverged;
            return outcome;
        }
        if (report.exact == static_cast<int32_t>(report.windows.size())) {
            outcome.end = TrainUntilEnd::AllExact;
            return outcome;
        }
        if (!goOn || report.cancelled) {
            outcome.end = TrainUntilEnd::Cancelled;
            return outcome;
        }
        if (report.exact > bestExact || report.meanError < bestError - BestErrorMargin) {
            bestExact = std::max(bestExact, report.exact);
            bestError = std::min(bestError, report.meanError);
            sinceBest = 0;
        } else if (++sinceBest >= StallClicks) {
            outcome.end = TrainUntilEnd::Stalled;
            return outcome;
        }
    }
    outcome.end = TrainUntilEnd::ClickLimit;
    return outcome;
}

} // namespace app
