#include "player/WavWriter.h"

#include "platform/NativePath.h"
#include "platform/ReplacingFile.h"
#include "player/PlayerMessages.h"
#include "player/SampleSource.h"

#include <sndfile.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace {

// libsndfile writes through these into the temporary file's stream, so every
// byte it writes, the header's last update included, is checked at the commit.
struct Sink {
    platform::ReplacingFile* file;
    std::string error; // the first failed write
};

std::FILE* Stream(void* data) {
    return static_cast<Sink*>(data)->file->stream();
}

sf_count_t Tell(void* data) {
    return static_cast<sf_count_t>(ftello(Stream(data)));
}

sf_count_t Seek(sf_count_t offset, int whence, void* data) {
    if (fseeko(Stream(data), static_cast<off_t>(offset), whence) != 0)
        return -1;
    return Tell(data);
}

sf_count_t Length(void* data) {
    std::FILE* stream = Stream(data);
    const off_t here = ftello(stream);
    if (here < 0 || fseeko(stream, 0, SEEK_END) != 0)
        return -1;
    const off_t end = ftello(stream);
    return fseeko(stream, here, SEEK_SET) == 0 ? static_cast<sf_count_t>(end) : -1;
}

sf_count_t Read(void* out, sf_count_t count, void* data) {
    return static_cast<sf_count_t>(std::fread(out, 1, static_cast<size_t>(count), Stream(data)));
}

sf_count_t Write(const void* bytes, sf_count_t count, void* data) {
    auto* sink = static_cast<Sink*>(data);
    const platform::FileResult<> written =
        sink->file->write(std::string_view(static_cast<const char*>(bytes), static_cast<size_t>(count)));
    if (!written) {
        if (sink->error.empty())
            sink->error = written.error().reason;
        return 0;
    }
    return count;
}

} // namespace

PlayerResult<> WavWriter::write(const std::string& path, SampleSource& source, uint64_t maxFrames) {
    platform::ReplacingFile file(platform::NativePath(path));
    if (platform::FileResult<> opened = file.open(); !opened)
        return base::Fail(opened.error().reason);
    Sink sink{&file, {}};
    SF_VIRTUAL_IO io{Length, Seek, Read, Write, Tell};
    SF_INFO info{};
    info.samplerate = source.sampleRate();
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* sound = sf_open_virtual(&io, SFM_WRITE, &info, &sink);
    if (sound == nullptr)
        return base::Fail(sink.error.empty() ? std::string(sf_strerror(nullptr)) : sink.error);
    std::vector<float> chunk(4096);
    std::string error; // the first failure
    uint64_t frames = 0;
    while (size_t count = source.render(chunk.data(), chunk.size())) {
        frames += count;
        if (frames > maxFrames) {
            error = player_messages::SoundTooLong(maxFrames);
            break;
        }
        if (sf_writef_float(sound, chunk.data(), static_cast<sf_count_t>(count)) != static_cast<sf_count_t>(count)) {
            error = sink.error.empty() ? sf_strerror(sound) : sink.error;
            break;
        }
    }
    if (sf_close(sound) != 0 && error.empty())
        error = player_messages::NotClosed;
    if (error.empty())
        error = sink.error;
    if (!error.empty())
        return base::Fail(error);
    if (platform::FileResult<> committed = file.commit(); !committed)
        return base::Fail(committed.error().reason);
    return {};
}
