#pragma once

#include "engine/FormulaLibrary.h"
#include "engine/mdMain.h"
#include "platform/DynamicLibrary.h"

#include <cstdint>
#include <memory>

// A built network of the given shape with fixed weights and inputs spread over the note range.
inline std::unique_ptr<mdMain> BuildBenchNetwork(int32_t inputs, int32_t hidden) {
    auto state = std::make_unique<mdMain>(FormulaLibrary::loadFrom(platform::executableFolder()).value());
    state->Alpha = 1.0;
    state->InputCount = inputs;
    state->HiddenCount = hidden;
    state->SetSeed(1);
    state->CreateOutNeuron();
    state->CreateNS();
    for (int32_t j = 1; j <= inputs; ++j)
        state->InLayer[static_cast<size_t>(j)]->setDisplacing(((j * 7) % 49) / 48.0 - 0.5);
    return state;
}
