#pragma once

#include "platform/FileSystem.h"

namespace platform {

// The real file system through Qt; paths are UTF-8.
class QtFileSystem : public FileSystem {
public:
    // Folder of the running executable.
    std::string programFolder() const override;
    // QStandardPaths' application-local data folder, created when missing.
    std::string userDataFolder() const override;
    // The process's working directory.
    std::string currentFolder() const override;
    // QDir::tempPath().
    std::string temporaryFolder() const override;
    // QFile::remove.
    bool removeFile(const std::string& path) override;
    // Whether a file or folder of that path exists.
    bool exists(const std::string& path) const override;
    // Whether the path names an existing folder.
    bool isFolder(const std::string& path) const override;
    // Creates the folder with its parents; an existing folder is success.
    bool createFolder(const std::string& path) override;
    // Tries to create (and removes) a temporary file in the folder.
    bool isWritableFolder(const std::string& path) const override;
    // Creates a file that must not exist yet; a partly written file is removed.
    bool writeNewFile(const std::string& path, const std::string& bytes, std::string& error) override;
    // Replaces the file atomically through QSaveFile.
    bool replaceFile(const std::string& path, const std::string& bytes, std::string& error) override;
    // Reads the whole file.
    std::optional<std::string> readFile(const std::string& path, std::string& error) const override;
};

} // namespace platform
