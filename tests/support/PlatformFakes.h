#pragma once

#include "platform/ChoiceDialog.h"
#include "platform/FileDialogs.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/ProcessStarter.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

// A file system in memory, with switches for the failures a real one has.
struct MemoryFileSystem : platform::FileSystem {
    std::string program = "/opt/melody net", data = "/home/u/.local/share/melodynet";
    std::set<std::string> folders{program}, readOnly;
    std::map<std::string, std::string> files;
    // Names that exists() does not see but a new file cannot take: dangling
    // links, or files another process creates at that moment.
    std::set<std::string> taken;
    bool failWrites = false;
    // Bytes the disk still takes; a longer write fails and changes nothing.
    std::optional<size_t> freeBytes;

    std::string programFolder() const override { return program; }
    std::string userDataFolder() const override { return data; }
    std::string currentFolder() const override { return "/tmp"; }
    std::string temporaryFolder() const override { return "/tmp"; }
    platform::FileResult<> removeFile(const std::string& path) override {
        return files.erase(path) > 0 ? platform::FileResult<>() : platform::FileFailed("no such file");
    }
    bool exists(const std::string& path) const override { return files.count(path) + folders.count(path) > 0; }
    bool isFolder(const std::string& path) const override { return folders.count(path) > 0; }
    platform::FileResult<> createFolder(const std::string& path) override {
        if (readOnly.count(path.substr(0, path.rfind('/'))) > 0 && !isFolder(path))
            return platform::FileFailed("read-only");
        return folders.insert(path), platform::FileResult<>();
    }
    bool isWritableFolder(const std::string& path) const override { return isFolder(path) && !readOnly.count(path); }
    bool fits(const std::string& bytes) const { return !failWrites && (!freeBytes || bytes.size() <= *freeBytes); }
    platform::FileResult<> writeNewFile(const std::string& path, const std::string& bytes) override {
        if (exists(path) || taken.count(path) > 0)
            return base::Fail(platform::FileFailure{platform::FileError::AlreadyExists, "file exists"});
        if (!fits(bytes))
            return platform::FileFailed("disk full");
        files.emplace(path, bytes);
        return {};
    }
    platform::FileResult<> replaceFile(const std::string& path, const std::string& bytes) override {
        if (!isFolder(path.substr(0, path.rfind('/'))) || !fits(bytes))
            return platform::FileFailed("disk full");
        files[path] = bytes;
        return {};
    }
    platform::FileResult<std::string> readFile(const std::string& path, uint64_t maxBytes) const override {
        const auto found = files.find(path);
        if (found == files.end())
            return platform::FileFailed("no such file");
        if (found->second.size() > maxBytes)
            return base::Fail(platform::FileFailure{platform::FileError::TooLarge, {}});
        return found->second;
    }
};

// Records starts, and whether the command file named by the argument was complete at that moment.
struct FakeStarter : platform::ProcessStarter {
    explicit FakeStarter(const MemoryFileSystem& fs) : fs(fs) {}
    struct Call {
        std::string program;
        std::vector<std::string> arguments;
        std::string folder;
        bool complete;
    };
    const MemoryFileSystem& fs;
    std::vector<Call> calls;
    bool fail = false;

    platform::FileResult<> startDetached(const std::string& program, const std::vector<std::string>& arguments,
                                         const std::string& workingFolder) override {
        if (fail)
            return platform::FileFailed("no such program");
        calls.push_back({program, arguments, workingFolder, complete(arguments.at(0))});
        return {};
    }
    // A watched start is recorded like any other; `watched` then plays the player's early failure.
    platform::FileResult<> startWatched(const std::string& program, const std::vector<std::string>& arguments,
                                        const std::string& workingFolder, int, EarlyFailure failed) override {
        watched = std::move(failed);
        return startDetached(program, arguments, workingFolder);
    }
    EarlyFailure watched;
    // Runs are recorded as calls too; `runResult` is what each run gives.
    platform::ProcessRun run(const std::string& program, const std::vector<std::string>& arguments, int) override {
        calls.push_back({program, arguments, "", complete(arguments.back())});
        if (fail)
            return {false, false, -1, "", "no such program"};
        return runResult;
    }
    platform::ProcessRun runResult{true, true, 0, "", ""};
    // Whether a file whose name ends with `name` ends its last line.
    bool complete(const std::string& name) const {
        return std::ranges::any_of(
            fs.files, [&](const auto& file) { return file.first.ends_with(name) && file.second.ends_with("\r\n"); });
    }
};

// Logs every message box as "<icon>:<text>" (N, I, W or C; a question is
// "?:<text>" and gets `answer`), and runs `onShow` while a message would be open.
struct FakeMessageBox : platform::MessageBox {
    void show(const std::string& text, platform::MessageIcon icon) override {
        shown.push_back(std::string(1, "NIWC"[static_cast<int>(icon)]) + ":" + text);
        if (onShow)
            onShow();
    }
    bool ask(const std::string& text) override { return shown.push_back("?:" + text), answer; }
    std::vector<std::string> shown;
    std::function<void()> onShow;
    bool answer = true;
};

// Answers every file dialog with `answer` and keeps the options it was last shown.
struct FakeFileDialogs : platform::FileDialogs {
    std::optional<std::string> openFile(const platform::FileDialogOptions& o) override { return ask(o); }
    std::optional<std::string> saveFile(const platform::FileDialogOptions& o) override { return ask(o); }
    std::optional<std::string> ask(const platform::FileDialogOptions& o) { return ++calls, last = o, answer; }
    std::optional<std::string> answer;
    platform::FileDialogOptions last;
    int calls = 0;
};

// Answers the choice with `answer` and keeps what it was shown.
struct FakeChoiceDialog : platform::ChoiceDialog {
    std::optional<size_t> choose(const platform::ChoiceOptions& o) override { return shown.push_back(o), answer; }
    std::optional<size_t> answer;
    std::vector<platform::ChoiceOptions> shown;
};
