#include "player/WavWriter.h"

#include "platform/ReplacingFile.h"
#include "player/SampleSource.h"

#include <sndfile.h>

#include <vector>

bool WavWriter::write(const std::string& path, SampleSource& source, std::string& error) {
    platform::ReplacingFile file(path);
    if (!file.open(error))
        return false;
    SF_INFO info{};
    info.samplerate = source.sampleRate();
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    // libsndfile writes straight to the descriptor; the stream itself is never written to.
    SNDFILE* sound = sf_open_fd(fileno(file.stream()), SFM_WRITE, &info, SF_FALSE);
    if (sound == nullptr) {
        error = sf_strerror(nullptr);
        return false;
    }
    std::vector<float> chunk(4096);
    bool ok = true;
    while (size_t count = source.render(chunk.data(), chunk.size())) {
        if (sf_writef_float(sound, chunk.data(), static_cast<sf_count_t>(count)) != static_cast<sf_count_t>(count)) {
            error = sf_strerror(sound);
            ok = false;
            break;
        }
    }
    if (sf_close(sound) != 0 && ok) {
        error = "the file could not be closed";
        ok = false;
    }
    return ok && file.commit(error);
}
