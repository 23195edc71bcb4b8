#include "platform/QtFileSystem.h"

#include "platform/DynamicLibrary.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryFile>

namespace platform {

namespace {

QString toQt(const std::string& path) {
    return QString::fromStdString(path);
}

std::string fromQt(const QString& path) {
    return QDir::toNativeSeparators(path).toStdString();
}

bool writeAll(QIODevice& device, const std::string& bytes) {
    return device.write(bytes.data(), static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size());
}

} // namespace

std::string QtFileSystem::programFolder() const {
    return fromQt(QString::fromStdU16String(executableFolder().u16string()));
}

std::string QtFileSystem::userDataFolder() const {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    if (!folder.isEmpty())
        QDir().mkpath(folder);
    return fromQt(folder);
}

std::string QtFileSystem::currentFolder() const {
    return fromQt(QDir::currentPath());
}

std::string QtFileSystem::temporaryFolder() const {
    return fromQt(QDir::tempPath());
}

bool QtFileSystem::removeFile(const std::string& path) {
    return QFile::remove(toQt(path));
}

bool QtFileSystem::exists(const std::string& path) const {
    return !path.empty() && QFileInfo::exists(toQt(path));
}

bool QtFileSystem::isFolder(const std::string& path) const {
    return !path.empty() && QFileInfo(toQt(path)).isDir();
}

bool QtFileSystem::createFolder(const std::string& path) {
    return !path.empty() && QDir().mkpath(toQt(path));
}

bool QtFileSystem::isWritableFolder(const std::string& path) const {
    if (!isFolder(path))
        return false;
    // Permission bits do not tell about read-only mounts or access lists;
    // creating a file does.
    QTemporaryFile probe(QDir(toQt(path)).filePath(QStringLiteral(".probe-XXXXXX")));
    return probe.open();
}

bool QtFileSystem::writeNewFile(const std::string& path, const std::string& bytes, std::string& error) {
    QFile file(toQt(path));
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        error = file.errorString().toStdString();
        return false;
    }
    if (!writeAll(file, bytes) || !file.flush()) {
        error = file.errorString().toStdString();
        file.close();
        file.remove();
        return false;
    }
    file.close();
    if (file.error() != QFileDevice::NoError) {
        error = file.errorString().toStdString();
        file.remove();
        return false;
    }
    return true;
}

bool QtFileSystem::replaceFile(const std::string& path, const std::string& bytes, std::string& error) {
    QSaveFile file(toQt(path));
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString().toStdString();
        return false;
    }
    if (!writeAll(file, bytes)) {
        error = file.errorString().toStdString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        error = file.errorString().toStdString();
        return false;
    }
    return true;
}

std::optional<std::string> QtFileSystem::readFile(const std::string& path, std::string& error) const {
    QFile file(toQt(path));
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString().toStdString();
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        error = file.errorString().toStdString();
        return std::nullopt;
    }
    return bytes.toStdString();
}

} // namespace platform
