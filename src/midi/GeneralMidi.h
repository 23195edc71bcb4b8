#pragma once

// The General MIDI name of a program 0..127 ("Acoustic Grand Piano"), or
// an empty text for other numbers.
const char* GeneralMidiProgramName(int program);
