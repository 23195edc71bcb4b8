#pragma once

#include "app/Session.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace app {

// Why a run of "Учить до результата" ended.
enum class TrainUntilEnd {
    AllLearnable, // every learnable window is predicted exactly
    Stalled,      // fresh starts stopped finding a better network
    TimeLimit,    // the time allowed ran out
    Cancelled,    // "Отмена", or the callback asked to stop
    NotTrained,   // the melody gives no window that can be learned
    Failed,       // the network could not be built (failure says why)
};

// Time a run may take unless the user says otherwise, and the most it may be given.
inline constexpr double DefaultTrainUntilSeconds = 60.0;
inline constexpr double MaxTrainUntilSeconds = 24.0 * 60.0 * 60.0;

// The windows of the melody for the network's input count, and how many of
// them can be exact at once: of windows with the same input notes, only those
// followed by the group's most common note.
struct LearnableWindows {
    int32_t inputs = 0;
    int32_t windows = 0;
    int32_t learnable = 0;

    // Windows that contradict the learnable ones.
    int32_t conflicting() const { return windows - learnable; }
};

// The windows of the session's melody for the network as it stands or is about to be built.
LearnableWindows CountLearnable(const Session& session);

// How far a run is, after each epoch.
struct TrainUntilProgress {
    int32_t epoch = 0;
    double seconds = 0.0;
    int32_t exact = 0; // exact windows of the best network so far
    int32_t learnable = 0;
};

// How a run ended.
struct TrainUntilOutcome {
    TrainUntilEnd end = TrainUntilEnd::NotTrained;
    LearnableWindows count;
    int32_t epochs = 0;
    double seconds = 0.0;
    int32_t exact = 0;           // exact windows of the network left behind
    int32_t suggestedHidden = 0; // hidden neurons to try when it stopped short, 0 for no advice
    Failure failure;             // for Failed
};

// Told after every epoch, on the thread that runs the work; false stops the run.
using TrainUntilCallback = std::function<bool(const TrainUntilProgress&)>;

// What the user chose for a run.
struct TrainUntilSettings {
    double maxSeconds = DefaultTrainUntilSeconds;
    // Fresh starts draw their weights from this seed; from the time of day without one.
    std::optional<uint64_t> seed;
};

// "Учить до результата": the rebuild protocol, then training of the whole
// melody at once until every learnable window is exact, the best network
// stops improving, the time runs out or the run is cancelled (the control's
// flag or the callback). The best network seen is left in the session, its
// epochs join the learning curve and its report is the last one. The work
// runs through `runner` (the window runs it aside while it shows progress).
TrainUntilOutcome TrainUntil(Session& session, const TrainUntilSettings& settings, const TrainUntilCallback& onEpoch,
                             TrainingControl* control = nullptr, const Session::WorkRunner& runner = {});

} // namespace app
