#pragma once

#include "engine/CFormula.h"
#include "engine/WeightBlock.h"

#include <cstdint>
#include <memory>
#include <vector>

class CNeuron;
// Input links, layer arrays and holders share ownership of a neuron.
using NeuronRef = std::shared_ptr<CNeuron>;

// One neuron: numbered input links with weights, numbered output links, a bias
// (Displacing), an activation function and its last output. Links count from 1;
// element 0 of every array exists and is never used. An index outside 0 to the
// last index throws std::out_of_range and stores nothing.
class CNeuron {
public:
    // An empty neuron: no links, identity formula, AutoOperate true. Throws
    // std::invalid_argument when `library` is null.
    explicit CNeuron(std::shared_ptr<const FormulaLibrary> library);
    CNeuron(const CNeuron&) = delete;
    CNeuron& operator=(const CNeuron&) = delete;

    // Whether the neuron re-evaluates itself after changes; setting true runs Operate.
    bool AutoOperate() const { return autoOperate_; }
    void setAutoOperate(bool value);

    // Weight of input link `index`; writing runs Operate when AutoOperate is true.
    double iWeight(int32_t index) const;
    void setIWeight(int32_t index, double value);

    // Neuron feeding input link `index` (may be empty); writing runs Operate when AutoOperate is true.
    NeuronRef iNeuron(int32_t index) const;
    void setINeuron(int32_t index, NeuronRef neuron);

    // Neuron fed by output link `index`; the link does not keep it alive, so an
    // expired target reads as empty.
    NeuronRef oNeuron(int32_t index) const;
    void setONeuron(int32_t index, const NeuronRef& neuron);

    // Number under which this neuron is linked in the neuron of output link `index`.
    int32_t oSynapse(int32_t index) const;
    void setOSynapse(int32_t index, int32_t value);

    // Evaluates ActFun(Displacing + sum of input Result x iWeight) from stored
    // results only; keeps the old Result when there is no formula or it yields NaN.
    double Operate();

    // Output of the last evaluation, or as shifted by the Displacing rule.
    double Result() const { return result_; }

    // Bias; writing shifts Result by the difference when AutoOperate is true.
    // Throws std::overflow_error (Result shifted, Displacing unchanged) when the shift overflows.
    double Displacing() const { return displacing_; }
    void setDisplacing(double value);

    // The activation function; replacing it runs Operate.
    const std::shared_ptr<CFormula>& ActFun() const { return actFun_; }
    void setActFun(std::shared_ptr<CFormula> formula);
    // Parses `s` into ActFun, runs Operate and returns the library's result.
    int32_t SetActFun(std::string& s);

    // Count of output links; writing re-creates oNeuron and oSynapse empty, no evaluation.
    // A negative count throws std::invalid_argument.
    int32_t nOutput() const { return nOutput_; }
    void setNOutput(int32_t count);

    // Count of input links; writing re-creates all four arrays empty (the
    // weights leave any block), then runs Operate.
    // A negative count throws std::invalid_argument.
    int32_t nInput() const { return nInput_; }
    void setNInput(int32_t count);

    // The block that holds input weights 1..nInput, or null when the neuron holds them.
    const WeightBlock* weightBlock() const { return block_.get(); }

    // Moves the input weights 1..nInput into column `member` (from 0) of
    // `block`, where they stay until nInput changes. Throws
    // std::invalid_argument when the block has another input count or no such column.
    void JoinWeightBlock(std::shared_ptr<WeightBlock> block, int32_t member);

private:
    // The block kernel and training read and write the weight and result arrays directly.
    friend struct NeuronAccess;

    int32_t nInput_ = 0;
    int32_t nOutput_ = 0;
    std::shared_ptr<CFormula> actFun_;
    double displacing_ = 0.0;
    double result_ = 0.0;
    // Weight 0, and weights 1..nInput unless they live in a block.
    std::vector<double> iWeight_;
    // The block that holds weights 1..nInput, if any.
    std::shared_ptr<WeightBlock> block_;
    int32_t member_ = 0;
    std::vector<NeuronRef> iNeuron_;
    std::vector<std::weak_ptr<CNeuron>> oNeuron_;
    std::vector<int32_t> oSynapse_;
    bool autoOperate_ = true;
    std::shared_ptr<const FormulaLibrary> library_;
    // Weight i (from 1) at column_[(i - 1) * stride_], in iWeight_ or in the block.
    double* column_;
    size_t stride_ = 1;
};
