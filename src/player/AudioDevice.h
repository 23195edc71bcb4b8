#pragma once

#include "player/PlayerResult.h"

#include <string>

class SampleSource;

// Plays a sample source's sound on the default audio output.
class AudioDevice {
public:
    // Plays everything left in `source` and returns once it has been heard;
    // fails with the system's reason when there is no usable audio device.
    static PlayerResult<> play(SampleSource& source);
};
