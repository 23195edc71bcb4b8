#pragma once

#include "platform/QtFileSystem.h"

#include <QDir>
#include <QTemporaryDir>

#include <string>

// The real file system inside a temporary folder: the program folder, the
// user's data folder and the working directory are subfolders of it. The
// program folder can be made to look read-only.
class FakeFileSystem : public platform::QtFileSystem {
public:
    FakeFileSystem() {
        QDir root(dir_.path());
        root.mkpath(QStringLiteral("program"));
        root.mkpath(QStringLiteral("cwd"));
    }

    // Path of `relative` inside the temporary folder.
    std::string path(const QString& relative) const { return QDir(dir_.path()).filePath(relative).toStdString(); }

    std::string programFolder() const override { return path(QStringLiteral("program")); }
    std::string userDataFolder() const override {
        QDir(dir_.path()).mkpath(QStringLiteral("data"));
        return path(QStringLiteral("data"));
    }
    std::string currentFolder() const override { return path(QStringLiteral("cwd")); }
    // Refuses writing inside the program folder while programReadOnly is set.
    bool isWritableFolder(const std::string& folder) const override {
        if (programReadOnly && folder.rfind(programFolder(), 0) == 0)
            return false;
        return QtFileSystem::isWritableFolder(folder);
    }

    bool valid() const { return dir_.isValid(); }

    bool programReadOnly = false;

private:
    QTemporaryDir dir_;
};
