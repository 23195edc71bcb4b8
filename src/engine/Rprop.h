#pragma once

#include "engine/DenseNetwork.h"
#include "engine/TrainingSet.h"

#include <vector>

// Resilient back-propagation (iRprop-) on the squared error of a training
// set: every parameter moves by a step of its own that grows while its
// derivative keeps its sign and shrinks when the sign turns. One epoch is
// one pass over every pattern; its cost grows only with patterns x parameters.
class Rprop {
public:
    // One epoch; returns false when the error or a derivative is not finite.
    bool Epoch(DenseNetwork& net, const TrainingSet& set);

    // Forgets the steps and signs, for a fresh start.
    void Reset();

private:
    std::vector<double> steps_;
    std::vector<double> previous_;
    std::vector<double> gradient_;
    std::vector<double> row_;
};
