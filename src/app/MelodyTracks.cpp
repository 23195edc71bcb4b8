#include "app/MelodyTracks.h"

namespace app {

MelodyTracksResult ReadMelodyTracks(const platform::FileSystem& files, const std::string& path) {
    MelodyTracksResult result;
    result.failure.path = path;
    const platform::FileReading read = files.readFile(path, MidiMaxFileBytes);
    if (read.error == platform::FileError::TooLarge) {
        result.failure.problem = Problem::MelodyFileTooLarge;
        result.failure.limit = static_cast<int64_t>(MidiMaxFileBytes);
        return result;
    }
    if (!read.bytes) {
        result.failure.problem = Problem::MelodyFileUnreadable;
        result.failure.reason = read.reason;
        return result;
    }
    const std::string& bytes = *read.bytes;
    result.list = ListMidiTracks({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
    if (!result.list.ok()) {
        result.failure.problem = Problem::MidiFileBroken;
        result.failure.midi = result.list.failure;
        return result;
    }
    result.failure = {};
    return result;
}

} // namespace app
