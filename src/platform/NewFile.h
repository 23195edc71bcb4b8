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

    // Creates the file: None, AlreadyExists when anything (a dangling link
    // too) has the name, Failed and `error` otherwise.
    FileError create(std::string& error);
    // The open file, for writing; a failed write shows in close().
    std::FILE* stream() const { return stream_; }
    // Writes `bytes`; false and `error` when not all of them were taken.
    bool write(std::string_view bytes, std::string& error);
    // Flushes, syncs to disk and closes; false and `error` when any step (or
    // any earlier write) failed, and the file is then removed.
    bool close(std::string& error);
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
    std::FILE* stream_ = nullptr;
    bool created_ = false;
    bool closed_ = false;
};

} // namespace platform
