#include "engine/Rprop.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double FirstStep = 0.1;
constexpr double Grow = 1.2;
constexpr double Shrink = 0.5;
constexpr double LargestStep = 50.0;
constexpr double SmallestStep = 1e-9;

} // namespace

void Rprop::Reset() {
    steps_.clear();
    previous_.clear();
}

bool Rprop::Epoch(DenseNetwork& net, const TrainingSet& set) {
    std::vector<double>& theta = net.parameters();
    const size_t n = theta.size();
    if (steps_.size() != n) {
        steps_.assign(n, FirstStep);
        previous_.assign(n, 0.0);
    }
    gradient_.assign(n, 0.0);
    row_.resize(n);
    for (int32_t p = 0; p < set.patterns(); ++p) {
        const double e = set.target(p) - net.Gradient(set.input(p), row_.data());
        // d(e^2 / 2)/d theta = -e * d out / d theta
        for (size_t k = 0; k < n; ++k)
            gradient_[k] -= e * row_[k];
    }
    for (size_t k = 0; k < n; ++k) {
        const double g = gradient_[k];
        if (!std::isfinite(g))
            return false;
        const double turn = g * previous_[k];
        if (turn > 0.0)
            steps_[k] = std::min(steps_[k] * Grow, LargestStep);
        else if (turn < 0.0)
            steps_[k] = std::max(steps_[k] * Shrink, SmallestStep);
        // After a turn the parameter rests one epoch (iRprop-).
        previous_[k] = turn < 0.0 ? 0.0 : g;
        if (turn >= 0.0 && g != 0.0)
            theta[k] -= g > 0.0 ? steps_[k] : -steps_[k];
    }
    return true;
}
