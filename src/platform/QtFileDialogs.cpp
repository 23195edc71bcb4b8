#include "platform/QtFileDialogs.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QStringList>

namespace platform {

namespace {

QString filterText(const std::vector<FileFilter>& filters) {
    QStringList entries;
    for (const FileFilter& filter : filters) {
        QString pattern = QString::fromStdString(filter.pattern);
#ifndef Q_OS_WIN
        // Elsewhere "*.*" would hide every file without an extension, which
        // is not what "all files" promises.
        if (pattern == QLatin1String("*.*"))
            pattern = QStringLiteral("*");
#endif
        entries << QString::fromStdString(filter.description) + QStringLiteral(" (") + pattern + QLatin1Char(')');
    }
    return entries.join(QStringLiteral(";;"));
}

QString initialFolder(const FileDialogOptions& options) {
    return options.initialFolder.empty() ? QDir::currentPath()
                                         : QFile::decodeName(QByteArray::fromStdString(options.initialFolder));
}

std::optional<std::string> chosen(const QString& path) {
    const QString trimmed = path.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    return QFile::encodeName(QDir::toNativeSeparators(trimmed)).toStdString();
}

} // namespace

QtFileDialogs::QtFileDialogs(QWidget* parent) : parent_(parent) {}

std::optional<std::string> QtFileDialogs::openFile(const FileDialogOptions& options) {
    // The open dialog only ever returns existing files, which is all that
    // mustExist asks for.
    return chosen(QFileDialog::getOpenFileName(parent_.data(), QString::fromStdString(options.title),
                                               initialFolder(options), filterText(options.filters)));
}

std::optional<std::string> QtFileDialogs::saveFile(const FileDialogOptions& options) {
    QFileDialog::Options flags;
    if (!options.overwritePrompt)
        flags |= QFileDialog::DontConfirmOverwrite;
    return chosen(QFileDialog::getSaveFileName(parent_.data(), QString::fromStdString(options.title),
                                               initialFolder(options), filterText(options.filters), nullptr, flags));
}

} // namespace platform
