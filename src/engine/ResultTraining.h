#pragma once

#include "engine/Training.h"
#include "engine/TrainingSet.h"
#include "engine/mdMain.h"

#include <cstdint>
#include <functional>

// Which optimizer trains to the result.
enum class ResultOptimizer {
    Automatic,          // Levenberg-Marquardt where its epoch is affordable, else Rprop
    LevenbergMarquardt, // always
    Rprop,              // always
};

// Why training to the result ended.
enum class ResultEnd {
    AllLearnable, // every learnable window is exact
    Stalled,      // the best network stopped improving
    TimeLimit,    // the time allowed ran out
    Cancelled,    // the control asked to stop
    NoWindows,    // the melody gives no window to learn
};

// How far along a run is, after each epoch.
struct ResultProgress {
    int32_t epoch = 0;      // epochs so far, from 1
    double seconds = 0.0;   // since the start
    int32_t exact = 0;      // exact windows of the best network so far
    int32_t learnable = 0;  // windows that can be exact
    double meanError = 0.0; // of the best network so far, in semitones over the learnable patterns
};

// Tells the progress; false stops the run as Cancelled.
using ResultCallback = std::function<bool(const ResultProgress&)>;

// Settings of a run.
struct ResultTrainingOptions {
    double maxSeconds = 60.0;
    // Starts of fresh weights after a stall draw from this seed.
    uint64_t seed = 0;
    ResultOptimizer optimizer = ResultOptimizer::Automatic;
    // Fresh starts in a row that find no better network, after which the run is stalled.
    int32_t stallStarts = 30;
    // Seconds since an arbitrary start; a steady clock when empty.
    std::function<double()> clock;
    ResultCallback onEpoch;
    // Its cancel flag stops the run after the current epoch.
    TrainingControl* control = nullptr;
};

// What a run did.
struct ResultOutcome {
    ResultEnd end = ResultEnd::NoWindows;
    int32_t epochs = 0;
    int32_t restarts = 0; // fresh starts after the optimizer got stuck
    double seconds = 0.0;
    int32_t windows = 0;
    int32_t learnable = 0;
    int32_t exact = 0; // of the network left behind, counted as training saw it
    bool levenbergMarquardt = false;
};

// Trains the built network on all windows of its melody at once until every
// learnable window is exact, keeps the best network it has seen (most exact
// windows, then least squared error) and leaves it in the state. The biases
// learn as well as the weights. A network stuck short of the result starts
// again from fresh weights; the run is stalled when fresh starts stop
// finding better networks. Needs a built network (std::logic_error).
ResultOutcome TrainToResult(mdMain& state, const ResultTrainingOptions& options);
