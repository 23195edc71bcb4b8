#include "app/Messages.h"
#include "app/Session.h"
#include "engine/FormulaLibrary.h"
#include "platform/ProgramVersion.h"
#include "platform/QtFileDialogs.h"
#include "platform/QtFileSystem.h"
#include "platform/QtLocaleNumbers.h"
#include "platform/QtMessageBox.h"
#include "platform/QtProcessStarter.h"
#include "platform/QtTranslations.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QPixmap>
#include <QStringList>
#include <QTextStream>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

// Writes one line about a wrong command line to stderr.
int usageError(const QString& text) {
    QTextStream(stderr) << "melodynet: " << text << '\n';
    return 2;
}

} // namespace

int main(int argc, char* argv[]) {
    // Answered before the window system is opened, so that they work without a display.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0)
        return platform::printVersion("melodynet");
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        const bool written = std::fputs("Usage: melodynet [--screenshot FILE]\n"
                                        "Opens the melody prediction window.\n"
                                        "  --screenshot FILE  save a PNG picture of the started window and quit\n"
                                        "  --help             show this text\n"
                                        "  --version          show the version\n",
                                        stdout) >= 0 &&
                             std::fflush(stdout) == 0;
        return written ? 0 : 1;
    }
    QApplication app(argc, argv);
    platform::InstallQtTranslations(app);
    QApplication::setApplicationName(QStringLiteral("melodynet"));
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setFont(frmMain::windowFont());
    QApplication::setWindowIcon(frmMain::windowIconImages());

    // --screenshot FILE: save a picture of the started window and quit.
    QString screenshot;
    const QStringList arguments = QApplication::arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--screenshot")) {
            if (i + 1 >= arguments.size())
                return usageError(QStringLiteral("--screenshot needs a file name"));
            screenshot = arguments[++i];
        } else {
            return usageError(QStringLiteral("unknown argument: ") + arguments[i]);
        }
    }

    platform::QtMessageBox messages(nullptr, frmMain::applicationTitle());
    std::string error;
    std::shared_ptr<const FormulaLibrary> library = FormulaLibrary::loadBesideProgram(&error);
    if (!library) {
        messages.show(std::string(app::messages::FormulaLibraryMissing) + "\n" + error,
                      platform::MessageIcon::Critical);
        return 1;
    }

    platform::QtFileDialogs dialogs(nullptr);
    platform::QtProcessStarter starter;
    platform::QtFileSystem files;
    platform::QtLocaleNumbers locale;
    app::Session session(library, files, starter, locale);
    frmMain window(session, messages, dialogs, files);
    messages.setParent(&window);
    dialogs.setParent(&window);
    window.show();

    if (!screenshot.isEmpty()) {
        if (!window.grab().save(screenshot, "PNG"))
            return usageError(QStringLiteral("cannot write ") + screenshot);
        return 0;
    }
    return QApplication::exec();
}
