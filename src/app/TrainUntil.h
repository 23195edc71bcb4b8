#pragma once

#include "app/Session.h"

#include <cstdint>
#include <functional>

namespace app {

// Why a run of "Учить до результата" ended.
enum class TrainUntilEnd {
    AllExact,   // every training window is predicted exactly
    Stalled,    // StallClicks clicks in a row brought no new best
    Cancelled,  // the per-click callback asked to stop
    ClickLimit, // the largest number of clicks ran
    Diverged,   // a click stopped to keep the weights finite
    NotTrained, // the melody, counts or learning step allow no training
    Failed,     // the network could not be built (failure says why)
};

// Clicks in a row without a new best after which the error counts as no longer falling.
inline constexpr int32_t StallClicks = 50;
// How far (in semitones) a click must push the lowest mean error down to count as a new best.
inline constexpr double BestErrorMargin = 1e-3;

// How a run ended and how many clicks it made.
struct TrainUntilOutcome {
    TrainUntilEnd end = TrainUntilEnd::ClickLimit;
    int32_t clicks = 0;
    Failure failure; // for Failed
};

// Told after every click with its number (from 1) and result; false stops the run.
using ClickCallback = std::function<bool(int32_t click, const TrainingResult& result)>;

// Clicks "Научить" (Session::Train with `iterations`) until every window is
// exact, StallClicks clicks in a row bring neither more exact windows nor a
// mean error BestErrorMargin below the best so far, the callback asks to
// stop, or `maxClicks` clicks ran. A click that diverges or cannot train ends
// the run too, since the next one would do the same. Each click runs through
// `runner` and is watched through `control`; a click cancelled there ends
// the run as Cancelled.
TrainUntilOutcome TrainUntil(Session& session, int32_t iterations, int32_t maxClicks, const ClickCallback& onClick,
                             TrainingControl* control = nullptr, const Session::WorkRunner& runner = {});

} // namespace app
