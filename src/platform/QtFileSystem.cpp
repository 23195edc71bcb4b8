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

FileResult<> QtFileSystem::removeFile(const std::string& path) {
    std::error_code code;
    if (path.empty() || !std::filesystem::remove(NativePath(path), code))
        return FileFailed(SystemReason(code ? code.value() : ENOENT));
    return {};
}

bool QtFileSystem::exists(const std::string& path) const {
    std::error_code code;
    return !path.empty() && std::filesystem::exists(NativePath(path), code);
}

bool QtFileSystem::isFolder(const std::string& path) const {
    std::error_code code;
    return !path.empty() && std::filesystem::is_directory(NativePath(path), code);
}

FileResult<> QtFileSystem::createFolder(const std::string& path) {
    if (path.empty())
        return FileFailed(SystemReason(ENOENT));
    std::error_code code;
    std::filesystem::create_directories(NativePath(path), code);
    if (!isFolder(path))
        return FileFailed(SystemReason(code ? code.value() : ENOTDIR));
    return {};
}

bool QtFileSystem::isWritableFolder(const std::string& path) const {
    if (!isFolder(path))
        return false;
    // Permission bits do not tell about read-only mounts or access lists;
    // creating a file does. The probe is removed when it goes away.
    ReplacingFile probe(NativePath(path) / ".probe");
    return probe.open().ok();
}

FileResult<> QtFileSystem::writeNewFile(const std::string& path, const std::string& bytes) {
    if (path.empty())
        return FileFailed(SystemReason(ENOENT));
    NewFile file(NativePath(path));
    if (FileResult<> created = file.create(); !created)
        return created;
    if (FileResult<> written = file.write(bytes); !written)
        return written;
    return file.close();
}

FileResult<> QtFileSystem::replaceFile(const std::string& path, const std::string& bytes) {
    if (path.empty())
        return FileFailed(SystemReason(ENOENT));
    return ReplacingFile::writeAll(NativePath(path), bytes);
}

FileResult<std::string> QtFileSystem::readFile(const std::string& path, uint64_t maxBytes) const {
    return ReadFileBytes(NativePath(path), maxBytes);
}

} // namespace platform
