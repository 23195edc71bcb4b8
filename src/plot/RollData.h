#pragma once

#include "app/LearningReport.h"

#include <cstdint>
#include <span>
#include <vector>

// What the piano roll shows: the beginning of the melody, the continuation
// behind it, and the network's prediction of each training window.
struct RollData {
    std::vector<uint8_t> beginning;    // the typed notes, positions 0..
    std::vector<uint8_t> continuation; // drawn right after the beginning
    int32_t firstWindow = 0;           // position in the beginning of windows[0]
    // Each window's predicted and target code; windows[k] is the note at firstWindow + k.
    std::vector<app::WindowResult> windows;
    // The rows of note codes shown, low to high; other codes sit at the edge with a mark.
    uint8_t low = 2;
    uint8_t high = 49;
    // The beginning changed after the continuation was written: it no longer follows from it.
    bool continuationStale = false;
    // Empty columns after the notes, room to add a note in.
    int32_t spare = 0;

    // Notes of the beginning and the continuation together.
    int32_t columns() const { return static_cast<int32_t>(beginning.size() + continuation.size()); }
    // The columns laid out: the notes and the spare ones.
    int32_t laidOut() const { return columns() + spare; }
};

// The roll of a beginning and the continuation behind it, with the
// predictions of `report` (a scoring of the network, or null for none) placed
// on the training windows of the beginning. A report whose windows do not fit
// the beginning any more is left out. The rows shown are the range
// of the notes with a margin of RollMargin, at least an octave; the notes of
// a stale continuation (one the beginning changed under) do not count.
RollData RollDataOf(std::span<const uint8_t> beginning, std::vector<uint8_t> continuation,
                    const app::LearningReport* report, bool continuationStale = false);

// Semitones shown beyond the highest and lowest note.
inline constexpr int RollMargin = 2;
