#pragma once

// One sound of a command text: a tone of `frequency` Hz, or a rest when
// `frequency` is 0, lasting `seconds` in all. `key` is the tone's number on
// the MIDI key scale (69 = 440 Hz, 60 = middle C), -1 for a rest; tones of
// the highest octaves lie above 127, beyond what a MIDI file can carry.
struct PlayEvent {
    double frequency = 0.0;
    double seconds = 0.0;
    int key = -1;
};
