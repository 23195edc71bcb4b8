#pragma once

#include "engine/mdMain.h"

#include <array>
#include <cstdint>
#include <vector>

// The network's value of a note code: (code - 1) / 48 - 0.5, no clamping.
double NoteToValue(uint8_t code);

// The note code of an output value: floor((value + 0.5) * 48 + 1.5) clamped
// to 1..49; NaN gives 1, infinities clamp.
uint8_t ValueToNote(double value);

// Puts the notes before `position` of Melody on the input neurons of the built
// layer, the note just before it on the last neuron; neurons without a note
// (before position 0 or beyond the buffer) get -0.5.
void PlaceInputs(mdMain& state, int32_t position);

// The windows that training cuts from the typed melody: the notes at
// positions first..last of Melody, each to be predicted from the `inputCount`
// notes before it as PlaceInputs puts them. A melody of at most inputCount + 1
// notes gives the one window of its last note, right-aligned on the inputs;
// fewer than 3 notes or fewer than 2 inputs give none.
struct TrainingWindows {
    int32_t first = 0;
    int32_t last = -1;

    // Number of windows.
    int32_t count() const { return last - first + 1; }
};

// The training windows of the state's melody for a network of `inputCount` inputs.
TrainingWindows TrainingWindowsOf(const mdMain& state, int32_t inputCount);

// Predicts the note after the typed melody (position MelodyLen + 1) on the
// built network; changes no melody state.
uint8_t PredictNote(mdMain& state);

// The codes 1..49 that occur in the typed melody (positions 0..MelodyLen), as a set.
using NoteSet = std::array<bool, 50>;
NoteSet MelodyNotes(const mdMain& state);

// The code of `notes` whose value lies nearest to `value` (the lower one on a
// tie); ValueToNote(value) when the set is empty.
uint8_t NearestNote(double value, const NoteSet& notes);

// Predicts `count` notes behind the typed melody one by one, feeding each back
// as input, writes them into Melody and sets ContLen. Stops at the end of the
// melody buffer (position 1023 is the last one written): ContLen is the number
// of notes actually written (0 for a count of 0 or less). With `melodyNotes`,
// each note is the typed melody's code nearest to the network's value (a
// pause only when the melody has pauses and the value lies nearest to it),
// and that code is fed back. Returns the written codes.
std::vector<uint8_t> ContinueMelody(mdMain& state, int32_t count, bool melodyNotes = false);
