#include "platform/QtProcessStarter.h"

#include "platform/NativePath.h"
#include "platform/NewFile.h"
#include "platform/SignalCleanup.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTimer>

#include <array>
#include <cerrno>
#include <cstdio>

#include <filesystem>
#include <optional>
#include <system_error>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
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

// The failure of starting `program`: the program and the system's reason,
// which the user reads (the system's words, in the user's language).
base::Failed<FileFailure> NotStarted(const std::string& program, const std::string& reason) {
    return FileFailed(program + ": " + reason);
}

// Whether `program` is a file that can be started.
FileResult<> IsProgram(const std::string& program) {
    std::error_code code;
    const std::filesystem::path native = NativePath(program);
    if (!std::filesystem::exists(native, code))
        return NotStarted(program, SystemReason(ENOENT));
    if (!std::filesystem::is_regular_file(native, code) ||
        (std::filesystem::status(native, code).permissions() & AnyExec) == std::filesystem::perms::none)
        return NotStarted(program, SystemReason(EACCES));
    return {};
}

} // namespace

FileResult<> QtProcessStarter::startDetached(const std::string& program, const std::vector<std::string>& arguments,
                                             const std::string& workingFolder) {
    if (FileResult<> runnable = IsProgram(program); !runnable)
        return runnable;

    // Qt passes on only texts it can convert back to the same bytes.
    const std::optional<QString> path = Unchanged(program);
    const std::optional<QString> folder = Unchanged(workingFolder);
    if (!path || !folder)
        return NotStarted(path ? workingFolder : program, SystemReason(EILSEQ));
    QStringList list;
    for (const std::string& argument : arguments) {
        const std::optional<QString> converted = Unchanged(argument);
        if (!converted)
            return NotStarted(argument, SystemReason(EILSEQ));
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
    if (!process.startDetached())
        return NotStarted(program, process.errorString().toStdString());
    return {};
}

FileResult<> QtProcessStarter::startWatched(const std::string& program, const std::vector<std::string>& arguments,
                                            const std::string& workingFolder, int watchMs, EarlyFailure failed) {
#ifdef Q_OS_WIN
    (void)watchMs;
    (void)failed;
    return startDetached(program, arguments, workingFolder);
#else
    if (QCoreApplication::instance() == nullptr)
        return startDetached(program, arguments, workingFolder);
    if (FileResult<> runnable = IsProgram(program); !runnable)
        return runnable;
    // Everything the child needs is made before the fork: after it only
    // calls that are safe in a copy of a threaded program may run.
    std::vector<std::string> texts{program};
    texts.insert(texts.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);
    std::FILE* said = std::tmpfile();
    if (said == nullptr)
        return NotStarted(program, SystemReason(errno));
    const int saidFd = ::fileno(said);
    const pid_t child = ::fork();
    if (child < 0) {
        const int code = errno;
        std::fclose(said);
        return NotStarted(program, SystemReason(code));
    }
    if (child == 0) {
        const int nothing = ::open("/dev/null", O_RDONLY);
        if ((!workingFolder.empty() && ::chdir(workingFolder.c_str()) != 0) || nothing < 0 || ::dup2(nothing, 0) < 0 ||
            ::dup2(saidFd, 2) < 0)
            ::_exit(127);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    auto* timer = new QTimer(QCoreApplication::instance());
    QElapsedTimer clock;
    clock.start();
    QObject::connect(timer, &QTimer::timeout, timer, [timer, child, said, clock, watchMs, failed] {
        int status = 0;
        const pid_t ended = ::waitpid(child, &status, WNOHANG);
        if (ended == 0) {
            // Past the watch the child is only reaped once it ends.
            if (clock.elapsed() > watchMs)
                timer->setInterval(1000);
            return;
        }
        const bool early = clock.elapsed() <= watchMs;
        timer->stop();
        timer->deleteLater();
        const int exitCode = ended == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::string text;
        if (early && exitCode != 0 && std::fseek(said, 0, SEEK_SET) == 0) {
            std::array<char, 4096> chunk{};
            // What a failing player says fits in far less; a flood is cut.
            while (text.size() < 64 * 1024) {
                const size_t count = std::fread(chunk.data(), 1, chunk.size(), said);
                text.append(chunk.data(), count);
                if (count < chunk.size())
                    break;
            }
        }
        std::fclose(said);
        // Last: telling may show a message box, whose own event loop must not see this timer again.
        if (early && exitCode != 0 && failed)
            failed(exitCode, text);
    });
    timer->start(50);
    return {};
#endif
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
