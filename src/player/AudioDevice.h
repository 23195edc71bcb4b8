#pragma once

#include <string>

class Synthesizer;

// Plays a synthesizer's sound on the default audio output.
class AudioDevice {
public:
    // Plays everything left in `synth` and returns once it has been heard;
    // false and `error` when there is no usable audio device.
    static bool play(Synthesizer& synth, std::string& error);
};
