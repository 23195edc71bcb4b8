#include "app/MelodyTracks.h"

namespace app {

MelodyTracksResult ReadMelodyTracks(const platform::FileSystem& files, const std::string& path) {
    MelodyTracksResult result;
    result.failure.path = path;
    const platform::FileResult<std::string> read = files.readFile(path, MidiMaxFileBytes);
    if (!read && read.error().error == platform::FileError::TooLarge) {
        result.failure.problem = Problem::MelodyFileTooLarge;
        result.failure.limit = static_cast<int64_t>(MidiMaxFileBytes);
        return result;
    }
    if (!read) {
        result.failure.problem = Problem::MelodyFileUnreadable;
        result.failure.reason = read.error().reason;
        return result;
    }
    const std::string& bytes = *read;
    auto listed = ListMidiTracks({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
    if (!listed) {
        result.failure.problem = Problem::MidiFileBroken;
        result.failure.midi = listed.error();
        return result;
    }
    result.list = std::move(*listed);
    result.failure = {};
    return result;
}

} // namespace app
