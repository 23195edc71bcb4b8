#include "app/Messages.h"
#include "cli/CliCommands.h"
#include "platform/ProgramVersion.h"

#include <QCoreApplication>
#ifdef MELODYNET_CLI_PICTURES
#include <QGuiApplication>
#endif

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#ifdef MELODYNET_CLI_PICTURES
namespace {

// Text in pictures needs the fonts of a GUI application; one without a
// display is made only when a picture is asked for, so that the other
// commands start as quickly as before.
bool WantsPicture(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments)
        if (argument.starts_with("--plot") || argument.starts_with("--roll"))
            return true;
    return false;
}

// Qt's notes about the missing display (no runtime folder and the like)
// are not the user's concern; real failures are reported by the commands.
void QuietQtNotes(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::cerr << "melodynet-cli: " << message.toStdString() << '\n';
}

} // namespace
#endif

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    if (arguments.size() == 1 && arguments.front() == "--version")
        return platform::printVersion("melodynet-cli");
    // Qt's process and file classes expect an application object.
    std::unique_ptr<QCoreApplication> app;
#ifdef MELODYNET_CLI_PICTURES
    if (WantsPicture(arguments)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qInstallMessageHandler(QuietQtNotes);
        app = std::make_unique<QGuiApplication>(argc, argv);
    }
#endif
    if (!app)
        app = std::make_unique<QCoreApplication>(argc, argv);
    // Shares the window's data folder, where History lives when the
    // program's own folder cannot be written.
    QCoreApplication::setApplicationName(QStringLiteral("melodynet"));
    const int status = RunCli(arguments, std::cout, std::cerr);
    // Results that did not reach their reader (a full disk, a closed pipe)
    // make the run a failure.
    if (!std::cout.flush()) {
        Fail(std::cerr, CliFailure, app::messages::cli::OutputNotWritten);
        return status == CliSuccess ? CliFailure : status;
    }
    return status;
}
