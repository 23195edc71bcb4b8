#pragma once

#include "app/LearningReport.h"

#include <cstdint>
#include <vector>

class mdMain;

// What the piano roll shows: the beginning of the melody, the continuation
// behind it, and the network's prediction of each training window.
struct RollData {
    std::vector<uint8_t> beginning;    // the typed notes, positions 0..
    std::vector<uint8_t> continuation; // drawn right after the beginning
    int32_t firstWindow = 0;           // position in the beginning of windows[0]
    // Each window's predicted and target code; windows[k] is the note at firstWindow + k.
    std::vector<app::WindowResult> windows;

    // Notes of the beginning and the continuation together.
    int32_t columns() const { return static_cast<int32_t>(beginning.size() + continuation.size()); }
};

// The roll of the state's beginning and the given continuation, with the
// predictions of `report` (a scoring of the built network, or null for none)
// placed on the training windows of the beginning. A report whose windows do
// not fit the beginning any more is left out.
RollData RollDataOf(const mdMain& state, std::vector<uint8_t> continuation, const app::LearningReport* report);
