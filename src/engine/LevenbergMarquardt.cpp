#include "engine/LevenbergMarquardt.h"

#include <Eigen/Cholesky>
#include <Eigen/Core>

#include <cmath>

namespace {

// A step is retried with ten times the damping at most this often per epoch.
constexpr int MaxTrials = 12;
constexpr double MinDamping = 1e-12;
constexpr double MaxDamping = 1e12;
// Unknowns^2 x equations of one epoch's linear system: about 10 ms on one core.
constexpr double AffordableWork = 3e7;

double squaredError(const DenseNetwork& net, const TrainingSet& set) {
    double sum = 0.0;
    for (int32_t p = 0; p < set.patterns(); ++p) {
        const double e = set.target(p) - net.Output(set.input(p));
        sum += e * e;
    }
    return sum;
}

} // namespace

bool LevenbergMarquardt::Affordable(int64_t patterns, int64_t parameters) {
    const double small = static_cast<double>(std::min(patterns, parameters));
    const double large = static_cast<double>(std::max(patterns, parameters));
    return small * small * large <= AffordableWork;
}

bool LevenbergMarquardt::Epoch(DenseNetwork& net, const TrainingSet& set) {
    const Eigen::Index m = set.patterns();
    std::vector<double>& theta = net.parameters();
    const Eigen::Index n = static_cast<Eigen::Index>(theta.size());
    if (m == 0)
        return false;
    Eigen::MatrixXd jacobian(m, n);
    Eigen::VectorXd residual(m);
    std::vector<double> row(static_cast<size_t>(n));
    for (Eigen::Index p = 0; p < m; ++p) {
        const int32_t i = static_cast<int32_t>(p);
        residual(p) = set.target(i) - net.Gradient(set.input(i), row.data());
        jacobian.row(p) = Eigen::Map<const Eigen::RowVectorXd>(row.data(), n);
    }
    const double before = residual.squaredNorm();
    if (!std::isfinite(before))
        return false;
    // With fewer patterns than parameters the step J^T (J J^T + d I)^-1 r
    // solves the smaller system; it is the same step as (J^T J + d I)^-1 J^T r.
    const bool dual = m <= n;
    const Eigen::MatrixXd normal =
        dual ? Eigen::MatrixXd(jacobian * jacobian.transpose()) : Eigen::MatrixXd(jacobian.transpose() * jacobian);
    const Eigen::VectorXd gradient = dual ? Eigen::VectorXd() : Eigen::VectorXd(jacobian.transpose() * residual);
    const std::vector<double> start = theta;
    for (int trial = 0; trial < MaxTrials; ++trial) {
        Eigen::MatrixXd damped = normal;
        damped.diagonal().array() += damping_;
        const Eigen::LLT<Eigen::MatrixXd> factor(damped);
        Eigen::VectorXd step;
        if (factor.info() == Eigen::Success)
            step = dual ? Eigen::VectorXd(jacobian.transpose() * factor.solve(residual)) : factor.solve(gradient);
        if (step.size() == n && step.allFinite()) {
            for (Eigen::Index k = 0; k < n; ++k)
                theta[static_cast<size_t>(k)] = start[static_cast<size_t>(k)] + step(k);
            const double after = squaredError(net, set);
            if (after < before) {
                damping_ = std::max(damping_ / 10.0, MinDamping);
                return true;
            }
        }
        theta = start;
        if (damping_ >= MaxDamping)
            break;
        damping_ = std::min(damping_ * 10.0, MaxDamping);
    }
    return false;
}
