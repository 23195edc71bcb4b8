#include "platform/QtProcessStarter.h"

#include <QFileInfo>
#include <QProcess>
#include <QStringList>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace platform {

bool QtProcessStarter::startDetached(const std::string& program, const std::vector<std::string>& arguments,
                                     const std::string& workingFolder, std::string& error) {
    const QString path = QString::fromStdString(program);
    const QFileInfo info(path);
    if (!info.exists()) {
        error = "the program " + program + " does not exist";
        return false;
    }
    if (!info.isFile() || !info.isExecutable()) {
        error = "the file " + program + " is not an executable program";
        return false;
    }

    QStringList list;
    for (const std::string& argument : arguments)
        list << QString::fromStdString(argument);

    QProcess process;
    process.setProgram(path);
    process.setArguments(list);
    if (!workingFolder.empty())
        process.setWorkingDirectory(QString::fromStdString(workingFolder));
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
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        result.errorOutput = process.readAllStandardError().toStdString();
        return result;
    }
    result.finished = process.exitStatus() == QProcess::NormalExit;
    result.exitCode = process.exitCode();
    result.errorOutput = process.readAllStandardError().toStdString();
    return result;
}

} // namespace platform
