#pragma once

#include "engine/DenseNetwork.h"
#include "engine/TrainingSet.h"

// Levenberg-Marquardt steps on the squared error of a training set: each
// epoch takes the derivatives of every pattern's output once and tries
// damped Gauss-Newton steps until one lowers the error.
class LevenbergMarquardt {
public:
    // Whether an epoch of this size is cheap enough: its linear system has
    // min(patterns, parameters) unknowns.
    static bool Affordable(int64_t patterns, int64_t parameters);

    // One epoch; returns false when no step lowers the error any more (a
    // minimum, or all damping tried), leaving the parameters as they were.
    bool Epoch(DenseNetwork& net, const TrainingSet& set);

    // Forgets the damping, for a fresh start.
    void Reset() { damping_ = InitialDamping; }

private:
    static constexpr double InitialDamping = 1e-3;
    double damping_ = InitialDamping;
};
