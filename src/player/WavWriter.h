#pragma once

#include <string>

class Synthesizer;

// Writes the sound of a synthesizer into a WAV file (mono, 16-bit PCM).
class WavWriter {
public:
    // Renders everything left in `synth` into the file `path`; false and
    // `error` when the file cannot be written.
    static bool write(const std::string& path, Synthesizer& synth, std::string& error);
};
