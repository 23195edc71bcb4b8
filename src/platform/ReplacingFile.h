#pragma once

#include "platform/NewFile.h"
#include "platform/SignalCleanup.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Writes a file so that a failed write never damages what was there.
// A regular file (or a link to one: the link stays, the file it leads to is
// replaced) or a new name gets a new file written beside it under a
// temporary name, renamed onto it only once every write, the flush, the
// sync and the close succeeded; the temporary file is removed again when it
// is not committed, also when an ending signal comes. Anything else that
// exists (a device, a named pipe, a socket) is written through, every write
// and the close checked, and never replaced; a folder is refused.
class ReplacingFile {
public:
    // Prepares to write `target`; nothing is created yet.
    explicit ReplacingFile(std::filesystem::path target);
    // Removes the temporary file unless it was committed.
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Creates the temporary file, or opens a device or pipe.
    FileResult<> open();
    // The open file, for writing (and seeking); a failed write shows in commit().
    std::FILE* stream() const;
    // Writes `bytes`; Failed when not all were taken.
    FileResult<> write(std::string_view bytes);
    // Flushes, syncs and closes the temporary file and renames it onto the
    // target, or hands the bytes to the device and closes it; Failed when
    // any step fails (a replaced file is then untouched).
    FileResult<> commit();

    // Writes `bytes` to `target` this way.
    static FileResult<> writeAll(const std::filesystem::path& target, std::string_view bytes);

private:
    FileResult<> openTemporary();
    FileResult<> openThrough();
    FileResult<> commitThrough();

    std::filesystem::path target_;
    std::optional<NewFile> temporary_;
    std::optional<SignalCleanup> cleanup_;
    std::FILE* through_ = nullptr; // the device or pipe written through
    std::FILE* spool_ = nullptr;   // a nameless file that stands in for one that cannot seek
    bool committed_ = false;
};

} // namespace platform
