#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform {

// One entry of a dialog's file-type list: ("Все файлы", "*.*").
struct FileFilter {
    std::string description;
    std::string pattern;
};

struct FileDialogOptions {
    std::string title;
    std::vector<FileFilter> filters;
    std::string initialFolder;    // empty: the current working directory
    bool mustExist = false;       // open: refuse a file that does not exist
    bool overwritePrompt = false; // save: ask before replacing a file
};

// The platform's open and save file dialogs.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // Asks for an existing file; nullopt when the user cancels. Paths are the file system's bytes.
    virtual std::optional<std::string> openFile(const FileDialogOptions& options) = 0;
    // Asks for a file to write; nullopt when the user cancels.
    virtual std::optional<std::string> saveFile(const FileDialogOptions& options) = 0;
};

} // namespace platform
