#pragma once

#include <string>

class SampleSource;

// Writes the sound of a sample source into a WAV file (mono, 16-bit PCM).
class WavWriter {
public:
    // Renders everything left in `source` into the file `path`, which is only
    // replaced once complete; false and `error` when it cannot be written.
    static bool write(const std::string& path, SampleSource& source, std::string& error);
};
