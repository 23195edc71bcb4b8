#include "engine/mdMain.h"

#include "engine/BlockKernel.h"

#include "numbers/NumberText.h"

#include <chrono>
#include <stdexcept>
#include <utility>

namespace {

// Two seedings within one clock tick still differ: the counter moves the seed.
uint64_t timeOfDaySeed(uint64_t& seedings) {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const auto ticks = static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
    ++seedings;
    return ticks ^ (seedings * 0x9E3779B97F4A7C15ULL);
}

} // namespace

mdMain::mdMain(std::shared_ptr<const FormulaLibrary> library) : library_(std::move(library)) {
    if (!library_)
        throw std::invalid_argument("mdMain: no formula library is loaded");
    random_.seed(timeOfDaySeed(seedings_));
}

void mdMain::CreateOutNeuron() {
    if (OutNeuron)
        return;
    OutNeuron = std::make_shared<CNeuron>(library_);
    OutNeuron->setAutoOperate(false);
}

ShapeCheck mdMain::CheckShape() const {
    return CheckShape(InputCount, HiddenCount);
}

ShapeCheck mdMain::CheckShape(int64_t inputCount, int64_t hiddenCount) {
    if (inputCount < 1 || hiddenCount < 1)
        return ShapeCheck::CountBelowOne;
    if (inputCount > MaxLayerNeurons || hiddenCount > MaxLayerNeurons || inputCount * hiddenCount > MaxWeights)
        return ShapeCheck::TooLarge;
    return ShapeCheck::Buildable;
}

ShapeCheck mdMain::CreateNS() {
    if (const ShapeCheck check = CheckShape(); check != ShapeCheck::Buildable)
        return check;
    if (!OutNeuron)
        throw std::logic_error("mdMain::CreateNS: the output neuron has not been created");

    // The largest allocation first, so that running out of memory changes nothing.
    auto block = std::make_shared<WeightBlock>(InputCount, HiddenCount, LaneWidth(Lanes, HiddenCount));

    // Fresh, empty layers; the output neuron's old links keep the old hidden
    // neurons alive until its input count is set below.
    InLayer.assign(static_cast<size_t>(InputCount) + 1, nullptr);
    HiddenLayer.assign(static_cast<size_t>(HiddenCount) + 1, nullptr);

    // The weights' generator: reseeded from the time of day for every build,
    // unless a fixed seed makes it go on with its sequence. The weights are
    // drawn in the order below (each hidden neuron's, input by input, then
    // the output neuron's), which a seed's network depends on.
    if (!seed_)
        random_.seed(timeOfDaySeed(seedings_));

    // The output neuron: the activation of the current Alpha, no bias, and
    // one empty input link per hidden neuron.
    std::string text = ActivationText();
    OutNeuron->SetActFun(text);
    OutNeuron->setDisplacing(0.0);
    OutNeuron->setNInput(HiddenCount);

    // The input neurons, each with an output link for every hidden neuron.
    for (int32_t j = 1; j <= InputCount; ++j) {
        NeuronRef neuron = std::make_shared<CNeuron>(library_);
        neuron->setNOutput(HiddenCount);
        InLayer[static_cast<size_t>(j)] = std::move(neuron);
    }

    // The hidden neurons: weights in their column of the block, no bias, the
    // activation, one output link to the output neuron (as its input k), and
    // an input link from every input neuron with a random weight.
    for (int32_t k = 1; k <= HiddenCount; ++k) {
        NeuronRef neuron = std::make_shared<CNeuron>(library_);
        HiddenLayer[static_cast<size_t>(k)] = neuron;
        neuron->setNInput(InputCount);
        neuron->JoinWeightBlock(block, k - 1);
        neuron->setNOutput(1);
        neuron->setDisplacing(0.0);
        text = ActivationText();
        neuron->SetActFun(text);
        neuron->setONeuron(1, OutNeuron);
        neuron->setOSynapse(1, k);
        // Evaluating after every link and weight would leave the same Result as
        // one evaluation at the end, at a cost that grows with the square of
        // InputCount; so the neuron is evaluated once when it is complete.
        neuron->setAutoOperate(false);
        for (int32_t i = 1; i <= InputCount; ++i) {
            neuron->setINeuron(i, InLayer[static_cast<size_t>(i)]);
            neuron->setIWeight(i, RandomWeight());
        }
        neuron->setAutoOperate(true);
    }

    // The output neuron's links from the hidden neurons, with random weights.
    for (int32_t k = 1; k <= HiddenCount; ++k) {
        OutNeuron->setINeuron(k, HiddenLayer[static_cast<size_t>(k)]);
        OutNeuron->setIWeight(k, RandomWeight());
    }

    // The input neurons' output links, input j being input link j of every
    // hidden neuron.
    for (int32_t j = 1; j <= InputCount; ++j) {
        CNeuron& input = *InLayer[static_cast<size_t>(j)];
        for (int32_t k = 1; k <= HiddenCount; ++k) {
            input.setONeuron(k, HiddenLayer[static_cast<size_t>(k)]);
            input.setOSynapse(k, j);
        }
    }
    return ShapeCheck::Buildable;
}

double mdMain::CalcNS() {
    if (!OutNeuron)
        throw std::logic_error("mdMain::CalcNS: the output neuron has not been created");
    // The built layer, not HiddenCount: the count may already name the next shape.
    const size_t hidden = HiddenLayer.empty() ? 0 : HiddenLayer.size() - 1;
    if (!EvaluateHiddenInBlock(InLayer, HiddenLayer))
        for (size_t k = 1; k <= hidden; ++k)
            HiddenLayer[k]->Operate();
    return OutNeuron->Operate();
}

std::string mdMain::ActivationText() const {
    return "2*sigmoid(" + NumberText(Alpha) + "*x)-1";
}

void mdMain::SetSeed(std::optional<uint64_t> seed) {
    seed_ = seed;
    if (seed_)
        random_.seed(*seed_);
}

double mdMain::RandomWeight() {
    // 53 random bits scaled into [0, 1): the same numbers on every platform.
    const double unit = static_cast<double>(random_() >> 11) * 0x1.0p-53;
    return unit - 0.5;
}
