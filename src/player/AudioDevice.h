#pragma once

#include <string>

class SampleSource;

// Plays a sample source's sound on the default audio output.
class AudioDevice {
public:
    // Plays everything left in `source` and returns once it has been heard;
    // false and `error` when there is no usable audio device.
    static bool play(SampleSource& source, std::string& error);
};
