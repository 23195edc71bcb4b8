#pragma once

#include "platform/FileSystem.h"

namespace platform {

// The real file system. Paths keep their bytes (see NativePath.h), so files
// are opened through std::filesystem and <cstdio>; Qt only finds the user's
// data folder.
class QtFileSystem : public FileSystem {
public:
    // Folder of the running executable.
    std::string programFolder() const override;
    // QStandardPaths' application-local data folder, created when missing.
    std::string userDataFolder() const override;
    // The process's working directory.
    std::string currentFolder() const override;
    // The system's folder for temporary files.
    std::string temporaryFolder() const override;
    // Removes the file.
    FileResult<> removeFile(const std::string& path) override;
    // Whether a file or folder of that path exists (following links).
    bool exists(const std::string& path) const override;
    // Whether the path names an existing folder.
    bool isFolder(const std::string& path) const override;
    // Creates the folder with its parents; an existing folder is success.
    FileResult<> createFolder(const std::string& path) override;
    // Tries to create (and removes) a temporary file in the folder.
    bool isWritableFolder(const std::string& path) const override;
    // Creates a file whose name is not taken yet (NewFile); a partly written file is removed.
    FileResult<> writeNewFile(const std::string& path, const std::string& bytes) override;
    // Replaces the file through a checked temporary file (ReplacingFile).
    FileResult<> replaceFile(const std::string& path, const std::string& bytes) override;
    // Reads the whole file up to `maxBytes` (ReadFileBytes).
    FileResult<std::string> readFile(const std::string& path, uint64_t maxBytes) const override;
};

} // namespace platform
