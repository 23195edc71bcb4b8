#pragma once

#include "engine/mdMain.h"

#include <cstdint>

// What one TeachNS call did.
struct TeachOutcome {
    int32_t iterations = 0;     // forward passes run
    bool reachedTarget = false; // stopped because the output equalled the target
    bool diverged = false;      // stopped before a weight or the output became infinite or NaN
};

// Trains the built network on the sample already placed on the input neurons
// for at most `limit` iterations of back-propagation. Weights change in place;
// a step that would make a weight or the output non-finite is not taken and
// training stops with `diverged` set.
// Throws std::logic_error when no network has been built.
TeachOutcome TeachNS(mdMain& state, double target, int32_t limit);

// The same training worked neuron after neuron through the neuron interface;
// the reference that TeachNS must match bit for bit.
TeachOutcome TeachNSPlain(mdMain& state, double target, int32_t limit);

// What one training click over the melody did.
struct MelodyTrainingOutcome {
    bool trained = false; // the melody, counts and learning step allowed training
    int32_t windows = 0;  // samples cut from the melody
    int32_t iterationsPerWindow = 0;
    bool diverged = false; // some window stopped early to keep weights finite
};

// Cuts the typed melody into windows of InputCount notes plus the note to
// predict and trains each in turn with its share of `iterations`; a melody of
// at most InputCount + 1 notes is one right-aligned sample with the whole count.
// Uses the counts of the built network (std::logic_error without one). A
// window that diverges ends the whole training: the later ones would start
// from the same weights.
MelodyTrainingOutcome TrainMelody(mdMain& state, int32_t iterations);
