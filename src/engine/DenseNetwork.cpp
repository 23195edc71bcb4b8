#include "engine/DenseNetwork.h"

#include <stdexcept>

namespace {

size_t index(int32_t i) {
    return static_cast<size_t>(i);
}

} // namespace

DenseNetwork::DenseNetwork(const mdMain& state) : alpha_(state.Alpha) {
    const auto filled = [](const std::vector<NeuronRef>& layer) {
        if (layer.size() < 2)
            return false;
        for (size_t i = 1; i < layer.size(); ++i)
            if (!layer[i] || !layer[i]->ActFun())
                return false;
        return true;
    };
    if (!state.OutNeuron || !state.OutNeuron->ActFun() || !filled(state.InLayer) || !filled(state.HiddenLayer))
        throw std::logic_error("training needs a built network");
    inputs_ = static_cast<int32_t>(state.InLayer.size() - 1);
    hidden_ = static_cast<int32_t>(state.HiddenLayer.size() - 1);
    if (state.OutNeuron->nInput() != hidden_)
        throw std::logic_error("training needs a built network");
    parameters_.reserve(index(hidden_) * (index(inputs_) + 2) + 1);
    for (int32_t k = 1; k <= hidden_; ++k) {
        const CNeuron& neuron = *state.HiddenLayer[index(k)];
        if (neuron.nInput() != inputs_)
            throw std::logic_error("training needs a built network");
        formulas_.push_back(neuron.ActFun().get());
        parameters_.push_back(neuron.Displacing());
        for (int32_t i = 1; i <= inputs_; ++i)
            parameters_.push_back(neuron.iWeight(i));
    }
    formulas_.push_back(state.OutNeuron->ActFun().get());
    parameters_.push_back(state.OutNeuron->Displacing());
    for (int32_t k = 1; k <= hidden_; ++k)
        parameters_.push_back(state.OutNeuron->iWeight(k));
    results_.resize(index(hidden_));
}

double DenseNetwork::hiddenOutputs(const double* x) const {
    const double* p = parameters_.data();
    for (int32_t k = 0; k < hidden_; ++k) {
        double sum = *p++;
        for (int32_t i = 0; i < inputs_; ++i)
            sum += x[i] * *p++;
        results_[index(k)] = formulas_[index(k)]->Calc(sum);
    }
    double sum = *p++;
    for (int32_t k = 0; k < hidden_; ++k)
        sum += results_[index(k)] * *p++;
    return formulas_.back()->Calc(sum);
}

double DenseNetwork::Output(const double* x) const {
    return hiddenOutputs(x);
}

double DenseNetwork::Gradient(const double* x, double* row) const {
    const double out = hiddenOutputs(x);
    // d/ds of 2*sigmoid(a*s)-1 is a*(1+y)*(1-y)/2 at its value y.
    const auto slope = [this](double y) { return alpha_ * (1.0 + y) * (1.0 - y) / 2.0; };
    const double outSlope = slope(out);
    const size_t outFirst = index(hidden_) * (index(inputs_) + 1);
    const double* outWeights = parameters_.data() + outFirst + 1;
    row[outFirst] = outSlope;
    for (int32_t k = 0; k < hidden_; ++k) {
        const double y = results_[index(k)];
        row[outFirst + 1 + index(k)] = outSlope * y;
        const double back = outSlope * outWeights[k] * slope(y);
        double* r = row + index(k) * (index(inputs_) + 1);
        *r++ = back;
        for (int32_t i = 0; i < inputs_; ++i)
            *r++ = back * x[i];
    }
    return out;
}

void DenseNetwork::WriteTo(mdMain& state) const {
    const double* p = parameters_.data();
    for (int32_t k = 1; k <= hidden_; ++k) {
        CNeuron& neuron = *state.HiddenLayer[index(k)];
        // One evaluation when the neuron is complete, not one per weight.
        neuron.setAutoOperate(false);
        neuron.setDisplacing(*p++);
        for (int32_t i = 1; i <= inputs_; ++i)
            neuron.setIWeight(i, *p++);
        neuron.setAutoOperate(true);
    }
    CNeuron& out = *state.OutNeuron;
    out.setDisplacing(*p++);
    for (int32_t k = 1; k <= hidden_; ++k)
        out.setIWeight(k, *p++);
    state.CalcNS();
}
