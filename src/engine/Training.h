#pragma once

#include "engine/mdMain.h"

#include <atomic>
#include <cstdint>

// Lets another thread follow a training run and stop it after the current iteration.
struct TrainingControl {
    std::atomic<bool> cancel{false};    // set by the watcher; the run stops after the current iteration
    std::atomic<int64_t> iterations{0}; // iterations completed so far by runs given this control
};

// What one TeachNS call did.
struct TeachOutcome {
    int32_t iterations = 0;     // forward passes run
    bool reachedTarget = false; // stopped because the output equalled the target
    bool diverged = false;      // stopped before a weight or the output became infinite or NaN
    bool cancelled = false;     // stopped because the control asked to
};

// Trains the built network on the sample already placed on the input neurons
// for at most `limit` iterations of back-propagation. Weights change in place;
// a step that would make a weight or the output non-finite is not taken and
// training stops with `diverged` set. With a control, the run adds its
// iterations to control->iterations (now and then, and exactly at the end) and
// stops after any iteration whose step was taken once control->cancel is set,
// so a cancel set before the call still lets one iteration run. One run at a
// time may use a control.
// Throws std::logic_error when no network has been built or a layer has an
// empty place. A network as CreateNS builds it trains in its WeightBlock,
// any lane width giving the same numbers to the last bit; any other trains
// through its neurons.
TeachOutcome TeachNS(mdMain& state, double target, int32_t limit, TrainingControl* control = nullptr);

// What one training click over the melody did.
struct MelodyTrainingOutcome {
    bool trained = false; // the melody, counts and learning step allowed training
    int32_t windows = 0;  // samples cut from the melody
    int32_t iterationsPerWindow = 0;
    bool diverged = false;     // some window stopped early to keep weights finite
    bool cancelled = false;    // the control stopped the training; later windows were not trained
    int64_t iterationsRun = 0; // iterations run over all windows
};

// Cuts the typed melody into windows of InputCount notes plus the note to
// predict and trains each in turn with its share of `iterations`; a melody of
// at most InputCount + 1 notes is one right-aligned sample with the whole count.
// Uses the counts of the built network (std::logic_error without one). A
// window that diverges ends the whole training: the later ones would start
// from the same weights. A cancel through `control` ends it as TeachNS says.
MelodyTrainingOutcome TrainMelody(mdMain& state, int32_t iterations, TrainingControl* control = nullptr);
