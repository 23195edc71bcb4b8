#pragma once

#include "player/PlayerResult.h"

#include <cstdint>
#include <string>

class SampleSource;

// Writes the sound of a sample source into a WAV file (mono, 16-bit PCM).
class WavWriter {
public:
    // Samples of the longest sound a WAV file holds: its header counts the
    // bytes in 32 bits. A plain WAV header, not RF64, so that every reader
    // takes the file; Play never asks for more than an hour anyway.
    static constexpr uint64_t MaxFrames = (0xFFFFFFFFull - 1024) / 2;

    // Renders everything left in `source` into the file `path`, which is only
    // replaced once complete; fails when it cannot be written or the sound
    // runs past `maxFrames` samples.
    static PlayerResult<> write(const std::string& path, SampleSource& source, uint64_t maxFrames = MaxFrames);
};
