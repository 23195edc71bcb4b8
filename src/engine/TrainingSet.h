#pragma once

#include "engine/mdMain.h"

#include <cstdint>
#include <utility>
#include <vector>

// The training windows of a melody as one set for training to the result:
// windows with the same input notes merged into one pattern, which learns
// the note that follows those notes most often. Of the windows that share
// their input notes, only those with that note can ever be exact.
class TrainingSet {
public:
    // The windows TrainingWindowsOf cuts for `inputCount` inputs, their
    // inputs as PlaceInputs puts them.
    static TrainingSet FromMelody(const mdMain& state, int32_t inputCount);

    // Notes per window.
    int32_t inputs() const { return inputs_; }
    // Windows cut from the melody.
    int32_t windows() const { return windows_; }
    // Windows that can all be exact at once: in each pattern, those whose note is its most common one.
    int32_t learnable() const { return learnable_; }
    // Windows that no network can make exact together with the learnable ones.
    int32_t conflicting() const { return windows_ - learnable_; }
    // Patterns with a learnable note, the rows training fits.
    int32_t patterns() const { return static_cast<int32_t>(targets_.size()); }

    // The input values of pattern p, inputs() of them.
    const double* input(int32_t p) const {
        return inputs_ == 0 ? nullptr : &values_[static_cast<size_t>(p) * static_cast<size_t>(inputs_)];
    }
    // The code pattern p learns and its value.
    uint8_t targetCode(int32_t p) const { return targets_[static_cast<size_t>(p)]; }
    double target(int32_t p) const;
    // Windows of pattern p that are exact when the network gives `code` for it.
    int32_t exactWindows(int32_t p, uint8_t code) const;

private:
    int32_t inputs_ = 0;
    int32_t windows_ = 0;
    int32_t learnable_ = 0;
    std::vector<double> values_;
    std::vector<uint8_t> targets_;
    // Per pattern, the next notes of its windows and how often each follows.
    std::vector<std::vector<std::pair<uint8_t, int32_t>>> nexts_;
};
