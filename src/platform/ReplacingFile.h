#pragma once

#include "platform/NewFile.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// A new file written beside its target under a temporary name and renamed
// onto the target only once every write, the flush, the sync and the close
// succeeded, so a failed write never damages an existing file. The temporary
// file is removed again when it is not committed.
class ReplacingFile {
public:
    // Prepares to replace `target`; nothing is created yet.
    explicit ReplacingFile(std::filesystem::path target);
    // Removes the temporary file unless it was committed.
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Creates the temporary file; false and `error` when that fails.
    bool open(std::string& error);
    // The open temporary file, for writing; a failed write shows in commit().
    std::FILE* stream() const { return temporary_ ? temporary_->stream() : nullptr; }
    // Writes `bytes` to the temporary file; false and `error` when not all were taken.
    bool write(std::string_view bytes, std::string& error);
    // Flushes, syncs and closes the temporary file and renames it onto the
    // target; false and `error` when any step fails (the target is then untouched).
    bool commit(std::string& error);

    // Writes `bytes` to `target` this way; false and `error` on failure.
    static bool writeAll(const std::filesystem::path& target, std::string_view bytes, std::string& error);

private:
    std::filesystem::path target_;
    std::optional<NewFile> temporary_;
    bool committed_ = false;
};

} // namespace platform
