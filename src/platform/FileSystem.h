#pragma once

#include <optional>
#include <string>

namespace platform {

// The files and folders the program works with. Paths are UTF-8.
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
    // Removes a file; false when it could not be removed.
    virtual bool removeFile(const std::string& path) = 0;
    virtual bool exists(const std::string& path) const = 0;
    virtual bool isFolder(const std::string& path) const = 0;
    // Creates the folder (and its parents); an existing folder is success.
    virtual bool createFolder(const std::string& path) = 0;
    // True when a new file can be created inside the folder.
    virtual bool isWritableFolder(const std::string& path) const = 0;
    // Writes `bytes` to a new file that must not exist yet; false (and `error`) on failure.
    virtual bool writeNewFile(const std::string& path, const std::string& bytes, std::string& error) = 0;
    // Replaces `path` with `bytes` through a temporary file: the old file stays intact on failure.
    virtual bool replaceFile(const std::string& path, const std::string& bytes, std::string& error) = 0;
    // Reads a whole file; nullopt (and `error`) when it cannot be read.
    virtual std::optional<std::string> readFile(const std::string& path, std::string& error) const = 0;
};

} // namespace platform
