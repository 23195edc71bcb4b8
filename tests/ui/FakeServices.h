#pragma once

#include "platform/FileDialogs.h"
#include "platform/MessageBox.h"
#include "platform/ProcessStarter.h"
#include "platform/QtFileSystem.h"

#include <QDir>
#include <QTemporaryDir>

#include <functional>
#include <optional>
#include <string>
#include <vector>

// Answers the file dialogs with prepared paths and records what was asked.
struct FakeFileDialogs : platform::FileDialogs {
    std::optional<std::string> openFile(const platform::FileDialogOptions& options) override {
        return ++openCalls, lastOptions = options, openAnswer;
    }
    std::optional<std::string> saveFile(const platform::FileDialogOptions& options) override {
        return ++saveCalls, lastOptions = options, saveAnswer;
    }
    std::optional<std::string> openAnswer, saveAnswer;
    platform::FileDialogOptions lastOptions;
    int openCalls = 0, saveCalls = 0;
};

// Records every message box instead of showing it, and runs `onShow` while the box would be open.
struct FakeMessageBox : platform::MessageBox {
    struct Shown {
        std::string text;
        platform::MessageIcon icon;
    };
    void show(const std::string& text, platform::MessageIcon icon) override {
        shown.push_back({text, icon});
        if (onShow)
            onShow();
    }
    bool ask(const std::string& text) override {
        asked.push_back(text);
        return answer;
    }
    std::vector<Shown> shown;
    std::function<void()> onShow;
    std::vector<std::string> asked;
    bool answer = true;
};

// Records program starts; fails with `failure` when it is not empty.
struct FakeProcessStarter : platform::ProcessStarter {
    struct Start {
        std::string program;
        std::vector<std::string> arguments;
    };
    bool startDetached(const std::string& program, const std::vector<std::string>& arguments, const std::string&,
                       std::string& error) override {
        starts.push_back({program, arguments});
        error = failure;
        return failure.empty();
    }
    std::vector<Start> starts;
    std::string failure;
};

// The real file system inside a temporary folder holding the program folder, the user's data
// folder and the working directory. The program folder can be made to look read-only.
class FakeFileSystem : public platform::QtFileSystem {
public:
    FakeFileSystem() {
        for (const char* sub : {"program", "cwd", "data"})
            QDir(dir_.path()).mkpath(QString::fromLatin1(sub));
    }
    std::string path(const QString& relative) const { return QDir(dir_.path()).filePath(relative).toStdString(); }
    std::string programFolder() const override { return path(QStringLiteral("program")); }
    std::string userDataFolder() const override { return path(QStringLiteral("data")); }
    std::string currentFolder() const override { return path(QStringLiteral("cwd")); }
    bool isWritableFolder(const std::string& folder) const override {
        return !(programReadOnly && folder.starts_with(programFolder())) && QtFileSystem::isWritableFolder(folder);
    }
    bool programReadOnly = false;

private:
    QTemporaryDir dir_;
};
