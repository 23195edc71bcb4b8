#include "engine/CNeuron.h"

#include <cmath>
#include <stdexcept>
#include <string>
#include <utility>

namespace {

size_t checkedIndex(int32_t index, size_t size, const char* member) {
    if (index < 0 || static_cast<size_t>(index) >= size)
        throw std::out_of_range(std::string("CNeuron::") + member + ": index " + std::to_string(index) +
                                " is outside 0.." + std::to_string(size - 1));
    return static_cast<size_t>(index);
}

void checkCount(int32_t count, const char* member) {
    if (count < 0)
        throw std::invalid_argument(std::string("CNeuron::") + member + ": negative count " + std::to_string(count));
}

} // namespace

CNeuron::CNeuron(std::shared_ptr<const FormulaLibrary> library)
    : actFun_(std::make_shared<CFormula>(library)), iWeight_(1, 0.0), iNeuron_(1), oNeuron_(1), oSynapse_(1, 0),
      library_(std::move(library)), column_(iWeight_.data() + 1) {}

void CNeuron::setAutoOperate(bool value) {
    autoOperate_ = value;
    if (value)
        Operate();
}

double CNeuron::iWeight(int32_t index) const {
    const size_t i = checkedIndex(index, static_cast<size_t>(nInput_) + 1, "iWeight");
    return i > 0 ? column_[(i - 1) * stride_] : iWeight_[0];
}

void CNeuron::setIWeight(int32_t index, double value) {
    const size_t i = checkedIndex(index, static_cast<size_t>(nInput_) + 1, "iWeight");
    if (i == 0) {
        iWeight_[0] = value;
    } else {
        column_[(i - 1) * stride_] = value;
        if (block_)
            block_->noteWeight(value);
    }
    if (autoOperate_)
        Operate();
}

NeuronRef CNeuron::iNeuron(int32_t index) const {
    return iNeuron_[checkedIndex(index, iNeuron_.size(), "iNeuron")];
}

void CNeuron::setINeuron(int32_t index, NeuronRef neuron) {
    iNeuron_[checkedIndex(index, iNeuron_.size(), "iNeuron")] = std::move(neuron);
    if (block_)
        block_->setLinksChecked(false);
    if (autoOperate_)
        Operate();
}

NeuronRef CNeuron::oNeuron(int32_t index) const {
    return oNeuron_[checkedIndex(index, oNeuron_.size(), "oNeuron")].lock();
}

void CNeuron::setONeuron(int32_t index, const NeuronRef& neuron) {
    oNeuron_[checkedIndex(index, oNeuron_.size(), "oNeuron")] = neuron;
}

int32_t CNeuron::oSynapse(int32_t index) const {
    return oSynapse_[checkedIndex(index, oSynapse_.size(), "oSynapse")];
}

void CNeuron::setOSynapse(int32_t index, int32_t value) {
    oSynapse_[checkedIndex(index, oSynapse_.size(), "oSynapse")] = value;
}

double CNeuron::Operate() {
    double sum = displacing_;
    const auto count = static_cast<size_t>(nInput_);
    const NeuronRef* sources = iNeuron_.data();
    for (size_t i = 1; i <= count; ++i)
        if (const CNeuron* source = sources[i].get())
            sum += source->result_ * column_[(i - 1) * stride_];
    if (actFun_) {
        // The library answers NaN for a formula it could not parse; that
        // counts as no answer, and the last output stays.
        const double value = actFun_->Calc(sum);
        if (!std::isnan(value))
            result_ = value;
    }
    return result_;
}

void CNeuron::setDisplacing(double value) {
    if (autoOperate_) {
        const double shifted = (value + result_) - displacing_;
        result_ = shifted;
        if (std::isinf(shifted) && std::isfinite(value) && std::isfinite(displacing_))
            throw std::overflow_error("CNeuron::Displacing: the shifted result overflows");
    }
    displacing_ = value;
}

void CNeuron::setActFun(std::shared_ptr<CFormula> formula) {
    actFun_ = std::move(formula);
    Operate();
}

int32_t CNeuron::SetActFun(std::string& s) {
    if (!actFun_)
        actFun_ = std::make_shared<CFormula>(library_);
    const int32_t result = actFun_->Create(s);
    Operate();
    return result;
}

void CNeuron::setNOutput(int32_t count) {
    checkCount(count, "nOutput");
    std::vector<std::weak_ptr<CNeuron>> links(static_cast<size_t>(count) + 1);
    std::vector<int32_t> synapses(static_cast<size_t>(count) + 1, 0);
    oNeuron_ = std::move(links);
    oSynapse_ = std::move(synapses);
    nOutput_ = count;
}

void CNeuron::setNInput(int32_t count) {
    checkCount(count, "nInput");
    // Everything is allocated before anything is replaced, so a failed
    // allocation leaves the neuron as it was.
    std::vector<double> weights(static_cast<size_t>(count) + 1, 0.0);
    std::vector<NeuronRef> inputs(static_cast<size_t>(count) + 1);
    std::vector<std::weak_ptr<CNeuron>> outputs(static_cast<size_t>(nOutput_) + 1);
    std::vector<int32_t> synapses(static_cast<size_t>(nOutput_) + 1, 0);
    iWeight_ = std::move(weights);
    block_.reset();
    column_ = iWeight_.data() + 1;
    stride_ = 1;
    iNeuron_ = std::move(inputs);
    oNeuron_ = std::move(outputs);
    oSynapse_ = std::move(synapses);
    nInput_ = count;
    Operate();
}

void CNeuron::JoinWeightBlock(std::shared_ptr<WeightBlock> block, int32_t member) {
    if (!block || block->inputs() != nInput_ || member < 0 || member >= block->hidden())
        throw std::invalid_argument("CNeuron::JoinWeightBlock: the block does not fit the neuron");
    // The only allocation comes first, so that a failure changes nothing.
    std::vector<double> weightZero(1, iWeight_[0]);
    double* column = block->column(member);
    const size_t stride = block->stride(member);
    const auto count = static_cast<size_t>(nInput_);
    for (size_t i = 1; i <= count; ++i) {
        const double value = column_[(i - 1) * stride_];
        column[(i - 1) * stride] = value;
        block->noteWeight(value);
    }
    block->setLinksChecked(false);
    iWeight_ = std::move(weightZero);
    block_ = std::move(block);
    member_ = member;
    column_ = column;
    stride_ = stride;
}
