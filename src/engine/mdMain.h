#pragma once

#include "engine/CNeuron.h"
#include "engine/FormulaLibrary.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

// Whether a network of the current counts can be built.
enum class ShapeCheck {
    Buildable,
    CountBelowOne, // an input or hidden count below 1
    TooLarge,      // beyond MaxLayerNeurons in a layer or MaxWeights weights
};

// The program's one network and melody state. The application owns one
// instance and hands it to the window; tests and tools make their own.
class mdMain {
public:
    static constexpr int32_t MelodyCapacity = 1024;
    // Largest network we agree to build: input x hidden weights.
    static constexpr int64_t MaxWeights = 20'000'000;
    // Largest layer we agree to build.
    static constexpr int64_t MaxLayerNeurons = 1'000'000;

    // Throws std::invalid_argument when `library` is null.
    explicit mdMain(std::shared_ptr<const FormulaLibrary> library);

    // --- network parameters and flags
    int32_t InputCount = 0;
    int32_t HiddenCount = 0;
    double Alpha = 0.0;
    double LearnStep = 0.0;
    bool NSChanged = false;
    // Lane width of the hidden weights' layout that CreateNS builds.
    TrainingLanes Lanes = TrainingLanes::Best;

    // --- layers: element 0 is never used, neurons at 1..count
    std::vector<NeuronRef> InLayer;
    std::vector<NeuronRef> HiddenLayer;
    NeuronRef OutNeuron;

    // --- melody state
    std::array<uint8_t, MelodyCapacity> Melody{};
    int32_t MelodyLen = 0;
    int32_t ContLen = 0;
    uint8_t NoteLen = 0;
    int32_t PauseLen = 0;

    // The formula library every neuron of this state uses.
    const std::shared_ptr<const FormulaLibrary>& library() const { return library_; }

    // Creates the output neuron once (start-up) with AutoOperate false; does
    // nothing when it exists already.
    void CreateOutNeuron();

    // Whether a network of the current counts can be built.
    ShapeCheck CheckShape() const;
    // The same check for any pair of counts.
    static ShapeCheck CheckShape(int64_t inputCount, int64_t hiddenCount);

    // Builds a fresh network of the current counts with random weights in
    // [-0.5, 0.5) and zero biases, the hidden weights in one WeightBlock of
    // the width Lanes gives. Changes nothing and returns the refusal when
    // CheckShape() says no; needs CreateOutNeuron first (std::logic_error
    // otherwise). Running out of memory throws std::bad_alloc.
    ShapeCheck CreateNS();

    // Forward pass: re-evaluates every hidden neuron of the built layer (whatever
    // HiddenCount says meanwhile), then the output neuron; returns its new Result.
    double CalcNS();

    // The activation text for the current Alpha: 2*sigmoid(<Alpha>*x)-1.
    std::string ActivationText() const;

    // Fixes the weight sequence: with a seed the generator is seeded once, now,
    // and later builds continue its sequence; without one (the default) every
    // build reseeds from the time of day.
    void SetSeed(std::optional<uint64_t> seed);

private:
    double RandomWeight();

    std::shared_ptr<const FormulaLibrary> library_;
    std::mt19937_64 random_;
    std::optional<uint64_t> seed_;
    uint64_t seedings_ = 0;
};
