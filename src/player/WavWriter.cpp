#include "player/WavWriter.h"

#include "player/Synthesizer.h"

#include <sndfile.h>

#include <vector>

bool WavWriter::write(const std::string& path, Synthesizer& synth, std::string& error) {
    SF_INFO info{};
    info.samplerate = synth.sampleRate();
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        error = sf_strerror(nullptr);
        return false;
    }
    std::vector<float> chunk(4096);
    bool ok = true;
    while (size_t count = synth.render(chunk.data(), chunk.size())) {
        if (sf_writef_float(file, chunk.data(), static_cast<sf_count_t>(count)) != static_cast<sf_count_t>(count)) {
            error = sf_strerror(file);
            ok = false;
            break;
        }
    }
    if (sf_close(file) != 0 && ok) {
        error = "the file could not be closed";
        ok = false;
    }
    return ok;
}
