#include "platform/QtFileSystem.h"

#include "platform/DynamicLibrary.h"
#include "platform/FileBytes.h"
#include "platform/NativePath.h"
#include "platform/NewFile.h"
#include "platform/ReplacingFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QString>

#include <cerrno>
#include <system_error>

namespace platform {

std::string QtFileSystem::programFolder() const {
    return PathString(executableFolder());
}

std::string QtFileSystem::userDataFolder() const {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
#if !defined(Q_OS_WIN) && !defined(Q_OS_MACOS)
    // The XDG rules say a relative XDG_DATA_HOME is invalid and to be
    // ignored; Qt takes it as given, which would put the data under whatever
    // folder the program happens to start in.
    if (QDir::isRelativePath(folder)) {
        folder = QDir::homePath() + QStringLiteral("/.local/share");
        for (const QString& part : {QCoreApplication::organizationName(), QCoreApplication::applicationName()})
            if (!part.isEmpty())
                folder += QLatin1Char('/') + part;
    }
#endif
    if (folder.isEmpty() || QDir::isRelativePath(folder))
        return {};
    const std::string path = QFile::encodeName(QDir::toNativeSeparators(folder)).toStdString();
    std::error_code ignored;
    std::filesystem::create_directories(NativePath(path), ignored);
    return path;
}

std::string QtFileSystem::currentFolder() const {
    std::error_code code;
    const std::filesystem::path folder = std::filesystem::current_path(code);
    return code ? std::string() : PathString(folder);
}

std::string QtFileSystem::temporaryFolder() const {
    std::error_code code;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(code);
    return code ? std::string() : PathString(folder);
}

bool QtFileSystem::removeFile(const std::string& path) {
    std::error_code code;
    return !path.empty() && std::filesystem::remove(NativePath(path), code);
}

bool QtFileSystem::exists(const std::string& path) const {
    std::error_code code;
    return !path.empty() && std::filesystem::exists(NativePath(path), code);
}

bool QtFileSystem::isFolder(const std::string& path) const {
    std::error_code code;
    return !path.empty() && std::filesystem::is_directory(NativePath(path), code);
}

bool QtFileSystem::createFolder(const std::string& path) {
    if (path.empty())
        return false;
    std::error_code code;
    std::filesystem::create_directories(NativePath(path), code);
    return isFolder(path);
}

bool QtFileSystem::isWritableFolder(const std::string& path) const {
    if (!isFolder(path))
        return false;
    // Permission bits do not tell about read-only mounts or access lists;
    // creating a file does. The probe is removed when it goes away.
    ReplacingFile probe(NativePath(path) / ".probe");
    std::string error;
    return probe.open(error);
}

FileError QtFileSystem::writeNewFile(const std::string& path, const std::string& bytes, std::string& error) {
    if (path.empty()) {
        error = SystemReason(ENOENT);
        return FileError::Failed;
    }
    NewFile file(NativePath(path));
    if (const FileError created = file.create(error); created != FileError::None)
        return created;
    if (!file.write(bytes, error) || !file.close(error))
        return FileError::Failed;
    return FileError::None;
}

bool QtFileSystem::replaceFile(const std::string& path, const std::string& bytes, std::string& error) {
    if (path.empty()) {
        error = SystemReason(ENOENT);
        return false;
    }
    return ReplacingFile::writeAll(NativePath(path), bytes, error);
}

FileReading QtFileSystem::readFile(const std::string& path, uint64_t maxBytes) const {
    return ReadFileBytes(NativePath(path), maxBytes);
}

} // namespace platform
