#include "app/Messages.h"
#include "app/Session.h"
#include "engine/FormulaLibrary.h"
#include "platform/ProgramVersion.h"
#include "platform/QtChoiceDialog.h"
#include "platform/QtFileDialogs.h"
#include "platform/QtFileSystem.h"
#include "platform/QtLocaleNumbers.h"
#include "platform/QtMessageBox.h"
#include "platform/QtProcessStarter.h"
#include "platform/QtTranslations.h"
#include "ui/GuardedApplication.h"
#include "ui/MelodyFileActions.h"
#include "ui/TrainingView.h"
#include "ui/ViewActions.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QStringList>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

// Writes one line about a wrong command line to stderr.
int usageError(const QString& text) {
    QTextStream(stderr) << "melodynet: " << text << '\n';
    return 2;
}

// The main window with the training view beside it, as one picture.
QPixmap bothWindows(QWidget& window, QWidget& view) {
    const QPixmap left = window.grab();
    const QPixmap right = view.grab();
    constexpr int Gap = 8;
    QPixmap both(left.width() + Gap + right.width(), std::max(left.height(), right.height()));
    both.fill(Qt::white);
    QPainter painter(&both);
    painter.drawPixmap(0, 0, left);
    painter.drawPixmap(left.width() + Gap, 0, right);
    return both;
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
    GuardedApplication app(argc, argv);
    platform::InstallQtTranslations(app);
    QApplication::setApplicationName(QStringLiteral("melodynet"));
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setFont(frmMain::windowFont());
    QApplication::setWindowIcon(frmMain::windowIconImages());

    // --screenshot FILE: save a picture of the started window and quit.
    // --screenshot-view FILE [--clicks N]: the same with the training view
    // beside it, after N training clicks (default 1) from a fixed seed.
    QString screenshot;
    QString viewScreenshot;
    int clicks = 1;
    const QStringList arguments = QApplication::arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--screenshot")) {
            if (i + 1 >= arguments.size())
                return usageError(QStringLiteral("--screenshot needs a file name"));
            screenshot = arguments[++i];
        } else if (arguments[i] == QLatin1String("--screenshot-view")) {
            if (i + 1 >= arguments.size())
                return usageError(QStringLiteral("--screenshot-view needs a file name"));
            viewScreenshot = arguments[++i];
        } else if (arguments[i] == QLatin1String("--clicks")) {
            bool ok = false;
            clicks = i + 1 < arguments.size() ? arguments[++i].toInt(&ok) : 0;
            if (!ok || clicks < 0 || clicks > 100000)
                return usageError(QStringLiteral("--clicks needs a count from 0 to 100000"));
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
    if (!viewScreenshot.isEmpty())
        session.state().SetSeed(1);
    frmMain window(session, messages, dialogs, files);
    platform::QtChoiceDialog choices(&window);
    MelodyFileActions fileActions(window, session, dialogs, messages, files, choices);
    ViewActions viewActions(window, session, messages);
    messages.setParent(&window);
    app.setMessages(&messages);
    dialogs.setParent(&window);
    window.show();

    if (!screenshot.isEmpty()) {
        if (!window.grab().save(screenshot, "PNG"))
            return usageError(QStringLiteral("cannot write ") + screenshot);
        return 0;
    }
    if (!viewScreenshot.isEmpty()) {
        viewActions.showView();
        for (int click = 0; click < clicks; ++click)
            session.Train(window.trainingIterations());
        QApplication::processEvents();
        if (!bothWindows(window, viewActions.view()).save(viewScreenshot, "PNG"))
            return usageError(QStringLiteral("cannot write ") + viewScreenshot);
        return 0;
    }
    return QApplication::exec();
}
