#pragma once

#include "engine/CFormula.h"
#include "engine/mdMain.h"

#include <cstdint>
#include <vector>

// A copy of a built network's numbers as one parameter vector, for training
// that treats them all alike: per hidden neuron its bias and input weights,
// then the output neuron's bias and weights. Values go through the neurons'
// own activation formulas; slopes come from the outputs, as the activation
// 2*sigmoid(a*x)-1 has them.
class DenseNetwork {
public:
    // The numbers of the built network (std::logic_error when there is none
    // or a layer has an empty place).
    explicit DenseNetwork(const mdMain& state);

    int32_t inputs() const { return inputs_; }
    int32_t hidden() const { return hidden_; }
    // All biases and weights, in the order above.
    std::vector<double>& parameters() { return parameters_; }
    const std::vector<double>& parameters() const { return parameters_; }

    // The output for `x` (inputs() values).
    double Output(const double* x) const;
    // The output for `x` and its derivatives by every parameter into `row`.
    double Gradient(const double* x, double* row) const;

    // Writes the parameters into the network they were read from (built anew
    // in the same shape meanwhile is fine) and evaluates it.
    void WriteTo(mdMain& state) const;

private:
    double hiddenOutputs(const double* x) const;

    int32_t inputs_ = 0;
    int32_t hidden_ = 0;
    double alpha_ = 0.0;
    std::vector<const CFormula*> formulas_; // hidden neurons', then the output's
    std::vector<double> parameters_;
    mutable std::vector<double> results_; // hidden outputs of the last evaluation
};
