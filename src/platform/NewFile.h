#pragma once

#include "platform/FileSystem.h"
#include "platform/SystemReason.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

// A file created under a name that must not be taken yet and written through
// <cstdio>. It counts as written only once every write, the flush, the sync
// to disk and the close succeeded; until then it is removed again when the
// object goes away. Plain C++: the player has no Qt.
class NewFile {
public:
    // Prepares to create `path`; nothing is created yet.
    explicit NewFile(std::filesystem::path path);
    // Closes the file and removes it unless close() succeeded.
    ~NewFile();
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    // Creates the file: AlreadyExists when anything (a dangling link too)
    // has the name, Failed otherwise.
    FileResult<> create();
    // The open file, for writing; a failed write shows in close().
    std::FILE* stream() const { return stream_; }
    // Writes `bytes`; Failed when not all of them were taken.
    FileResult<> write(std::string_view bytes);
    // Flushes, syncs to disk and closes; Failed when any step (or any
    // earlier write) failed, and the file is then removed.
    FileResult<> close();
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
    std::FILE* stream_ = nullptr;
    bool created_ = false;
    bool closed_ = false;
};

} // namespace platform
