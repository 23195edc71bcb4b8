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
#include <QImageWriter>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <variant>

namespace {

// Writes one line about a wrong command line to stderr.
int usageError(const std::string& text) {
    std::fprintf(stderr, "melodynet: %s\n", text.c_str());
    return 2;
}

constexpr const char* Usage = "Использование: melodynet [--screenshot ФАЙЛ]\n"
                              "Открывает окно предсказания нот.\n"
                              "  --screenshot ФАЙЛ  сохранить снимок открытого окна в PNG и выйти\n"
                              "  -h, --help         показать этот текст\n"
                              "  --version          показать версию\n";

// What the command line asks for.
struct Arguments {
    bool help = false;
    bool version = false;
    // --screenshot FILE: a picture of the started window, then quit.
    // --screenshot-view FILE [--clicks N]: the same with the training view
    // beside it, after N training clicks (default 1) from a fixed seed.
    std::optional<std::string> screenshot;
    std::optional<std::string> viewScreenshot;
    int clicks = 1;
};

// Reads the command line; the reason it cannot, in one line, otherwise.
std::variant<Arguments, std::string> parseArguments(int argc, char* argv[]) {
    Arguments parsed;
    const auto value = [&](int& i, std::optional<std::string>& into) -> std::optional<std::string> {
        const std::string name = argv[i];
        if (into)
            return "параметр " + name + " указан дважды";
        if (i + 1 >= argc || argv[i + 1][0] == '\0')
            return name + ": нужно имя файла";
        if (argv[i + 1][0] == '-')
            return name + ": нужно имя файла, а не параметр «" + argv[i + 1] + "»";
        into = argv[++i];
        return std::nullopt;
    };
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        std::optional<std::string> problem;
        if (argument == "--help" || argument == "-h") {
            parsed.help = true;
        } else if (argument == "--version") {
            parsed.version = true;
        } else if (argument == "--screenshot") {
            problem = value(i, parsed.screenshot);
        } else if (argument == "--screenshot-view") {
            problem = value(i, parsed.viewScreenshot);
        } else if (argument == "--clicks") {
            char* end = nullptr;
            const long clicks = i + 1 < argc ? std::strtol(argv[i + 1], &end, 10) : -1;
            if (i + 1 >= argc || end == argv[i + 1] || *end != '\0' || clicks < 0 || clicks > 100000)
                return std::string("--clicks: нужно число от 0 до 100000");
            parsed.clicks = static_cast<int>(clicks);
            ++i;
        } else {
            return "неизвестный параметр: " + argument;
        }
        if (problem)
            return *problem;
    }
    return parsed;
}

// Saves a picture, or says why it cannot: exit status 1 then.
int savePicture(const QPixmap& picture, const std::string& path) {
    QImageWriter writer(QString::fromLocal8Bit(path.c_str()), "PNG");
    if (writer.write(picture.toImage()))
        return 0;
    std::fprintf(stderr, "melodynet: не удалось записать снимок «%s»: %s\n", path.c_str(),
                 writer.errorString().toLocal8Bit().constData());
    return 1;
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
    // Read before the window system is opened, so that they work without a display.
    const std::variant<Arguments, std::string> read = parseArguments(argc, argv);
    if (const auto* problem = std::get_if<std::string>(&read))
        return usageError(*problem);
    const Arguments& arguments = std::get<Arguments>(read);
    if (arguments.help)
        return std::fputs(Usage, stdout) >= 0 && std::fflush(stdout) == 0 ? 0 : 1;
    if (arguments.version)
        return platform::printVersion("melodynet");
    GuardedApplication app(argc, argv);
    platform::InstallQtTranslations(app);
    QApplication::setApplicationName(QStringLiteral("melodynet"));
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setFont(frmMain::windowFont());
    QApplication::setWindowIcon(frmMain::windowIconImages());

    platform::QtMessageBox messages(nullptr, frmMain::applicationTitle());
    FormulaLibrary::Loading library = FormulaLibrary::loadBesideProgram();
    if (!library) {
        messages.show(std::string(app::messages::FormulaLibraryMissing) + "\n" +
                          app::messages::FormulaLibraryReason(library.error()),
                      platform::MessageIcon::Critical);
        return 1;
    }

    platform::QtFileDialogs dialogs(nullptr);
    platform::QtProcessStarter starter;
    platform::QtFileSystem files;
    platform::QtLocaleNumbers locale;
    app::Session session(*library, files, starter, locale);
    if (arguments.viewScreenshot)
        session.state().SetSeed(1);
    frmMain window(session, messages, dialogs, files);
    platform::QtChoiceDialog choices(&window);
    MelodyFileActions fileActions(window, session, dialogs, messages, files, choices);
    ViewActions viewActions(window, session, messages);
    messages.setParent(&window);
    app.setMessages(&messages);
    dialogs.setParent(&window);
    window.show();

    if (arguments.screenshot)
        return savePicture(window.grab(), *arguments.screenshot);
    if (arguments.viewScreenshot) {
        viewActions.showView();
        for (int click = 0; click < arguments.clicks; ++click)
            session.Train(window.trainingIterations());
        QApplication::processEvents();
        return savePicture(bothWindows(window, viewActions.view()), *arguments.viewScreenshot);
    }
    return QApplication::exec();
}
