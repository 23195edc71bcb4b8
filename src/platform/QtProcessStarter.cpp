#include "platform/QtProcessStarter.h"

#include "platform/NativePath.h"
#include "platform/SignalCleanup.h"

#include <QFile>
#include <QProcess>
#include <QStringList>

#include <filesystem>
#include <optional>
#include <system_error>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace platform {

namespace {

constexpr std::filesystem::perms AnyExec =
    std::filesystem::perms::owner_exec | std::filesystem::perms::group_exec | std::filesystem::perms::others_exec;

// `text` as QProcess takes it, or nullopt when the conversion would change its
// bytes (a name that is not UTF-8): starting the program with another name
// would be worse than not starting it.
std::optional<QString> Unchanged(const std::string& text) {
    const QString converted = QFile::decodeName(QByteArray::fromStdString(text));
    if (QFile::encodeName(converted).toStdString() != text)
        return std::nullopt;
    return converted;
}

} // namespace

bool QtProcessStarter::startDetached(const std::string& program, const std::vector<std::string>& arguments,
                                     const std::string& workingFolder, std::string& error) {
    std::error_code code;
    const std::filesystem::path native = NativePath(program);
    if (!std::filesystem::exists(native, code)) {
        error = "the program " + program + " does not exist";
        return false;
    }
    if (!std::filesystem::is_regular_file(native, code) ||
        (std::filesystem::status(native, code).permissions() & AnyExec) == std::filesystem::perms::none) {
        error = "the file " + program + " is not an executable program";
        return false;
    }

    const std::optional<QString> path = Unchanged(program);
    const std::optional<QString> folder = Unchanged(workingFolder);
    if (!path || !folder) {
        error = "the path " + (path ? workingFolder : program) + " is not valid UTF-8 and cannot be passed on";
        return false;
    }
    QStringList list;
    for (const std::string& argument : arguments) {
        const std::optional<QString> converted = Unchanged(argument);
        if (!converted) {
            error = "the argument " + argument + " is not valid UTF-8 and cannot be passed on";
            return false;
        }
        list << *converted;
    }

    QProcess process;
    process.setProgram(*path);
    process.setArguments(list);
    if (!workingFolder.empty())
        process.setWorkingDirectory(*folder);
#ifdef Q_OS_WIN
    process.setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments* args) {
        args->startupInfo->dwFlags |= STARTF_USESHOWWINDOW;
        args->startupInfo->wShowWindow = SW_SHOWMINIMIZED;
    });
#endif
    if (!process.startDetached()) {
        error = "the program " + program + " could not be started: " + process.errorString().toStdString();
        return false;
    }
    return true;
}

ProcessRun QtProcessStarter::run(const std::string& program, const std::vector<std::string>& arguments, int timeoutMs) {
    ProcessRun result;
    QStringList list;
    for (const std::string& argument : arguments)
        list << QString::fromStdString(argument);
    QProcess process;
    process.setProgram(QString::fromStdString(program));
    process.setArguments(list);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted()) {
        result.error = process.errorString().toStdString();
        return result;
    }
    result.started = true;
    // A run that ends by a signal does not leave the program working on alone.
    const SignalCleanup stopping(static_cast<long long>(process.processId()));
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        result.errorOutput = process.readAllStandardError().toStdString();
        return result;
    }
    result.finished = true;
    // A program that crashed has no exit code of its own.
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.errorOutput = process.readAllStandardError().toStdString();
    return result;
}

} // namespace platform
