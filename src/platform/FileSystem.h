#pragma once

#include "base/Result.h"

#include <cstdint>
#include <string>

namespace platform {

// Why a file operation failed.
enum class FileError {
    AlreadyExists, // a new file's name is taken: by a file, a folder or a dangling symbolic link
    TooLarge,      // the file holds more bytes than the reader allows
    Failed,        // anything else; the system's reason says what
};

// A failed file operation: why, and the system's reason (Failed).
struct FileFailure {
    FileError error = FileError::Failed;
    std::string reason;
};

// What every file operation returns: its value (nothing for most), or its failure.
template <class T = void>
using FileResult = base::Result<T, FileFailure>;

// A failure of the system: Failed with `reason`.
inline base::Failed<FileFailure> FileFailed(std::string reason) {
    return {{FileError::Failed, std::move(reason)}};
}

// The files and folders the program works with. Paths are the file system's
// own bytes (UTF-8 on Windows).
class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Folder that holds the running program.
    virtual std::string programFolder() const = 0;
    // The user's own data folder for this program (created on demand).
    virtual std::string userDataFolder() const = 0;
    // The process's current working directory.
    virtual std::string currentFolder() const = 0;
    // A folder for files that live only while the program uses them.
    virtual std::string temporaryFolder() const = 0;
    // Removes a file.
    virtual FileResult<> removeFile(const std::string& path) = 0;
    // Whether the path leads to a file or folder (a dangling link leads nowhere).
    virtual bool exists(const std::string& path) const = 0;
    // Whether the path names an existing folder.
    virtual bool isFolder(const std::string& path) const = 0;
    // Creates the folder (and its parents); an existing folder is success.
    virtual FileResult<> createFolder(const std::string& path) = 0;
    // True when a new file can be created inside the folder.
    virtual bool isWritableFolder(const std::string& path) const = 0;
    // Writes `bytes` to a new file whose name must not be taken yet:
    // AlreadyExists, or Failed (and no file left behind).
    virtual FileResult<> writeNewFile(const std::string& path, const std::string& bytes) = 0;
    // Replaces `path` with `bytes` through a temporary file: the old file stays intact on failure.
    virtual FileResult<> replaceFile(const std::string& path, const std::string& bytes) = 0;
    // Reads a whole file of at most `maxBytes` bytes; TooLarge, without
    // reading further, for a longer one.
    virtual FileResult<std::string> readFile(const std::string& path, uint64_t maxBytes) const = 0;
};

} // namespace platform
