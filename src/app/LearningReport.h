#pragma once

#include <cstdint>
#include <vector>

class mdMain;

namespace app {

// One training window as the network now predicts it.
struct WindowResult {
    uint8_t predicted = 0; // the network's code for the window
    uint8_t target = 0;    // the melody's code at the window's position
};

// What one training click did and how the network does afterwards.
struct LearningReport {
    bool trained = false; // the melody, counts and learning step allowed training
    int32_t iterationsPerWindow = 0;
    int64_t iterationsRun = 0; // forward passes of all windows together
    bool diverged = false;     // stopped early to keep the weights finite
    bool cancelled = false;    // stopped early by the user
    std::vector<WindowResult> windows;
    int32_t firstWindow = 0; // position in the melody of windows[0]
    int32_t exact = 0;       // windows predicted exactly
    double meanError =
        0.0; // mean distance in semitones between output (held to the codes' values) and target; 0 without windows
};

// Scores the built network on the windows that training cuts from the melody
// (TrainingWindowsOf): each window's predicted and target code, the exact
// ones and the mean error. Leaves the inputs of the last window in place.
LearningReport ScoreWindows(mdMain& state);

} // namespace app
