#include "app/Session.h"
#include "engine/FormulaLibrary.h"
#include "engine/mdMain.h"
#include "melody/CommandFiles.h"
#include "platform/QtFileSystem.h"
#include "platform/QtLocaleNumbers.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <QStyleOptionGroupBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <limits>
#include <memory>

namespace {

const char* const DefaultCommandText = "l8 o1 c# f# a c# f# a d f# g# p8 f# g#";
const QString Untrained = "W:Нейронная сеть не обучена.";

// Answers the file dialogs with prepared paths and records what was asked.
struct FakeFileDialogs : platform::FileDialogs {
    std::optional<std::string> openFile(const platform::FileDialogOptions& o) override {
        return ++openCalls, lastOptions = o, openAnswer;
    }
    std::optional<std::string> saveFile(const platform::FileDialogOptions& o) override {
        return ++saveCalls, lastOptions = o, saveAnswer;
    }
    std::optional<std::string> openAnswer, saveAnswer;
    platform::FileDialogOptions lastOptions;
    int openCalls = 0, saveCalls = 0;
};

// Logs every message box as "<icon>:<text>" (N, I, W or C; a question is "?"), and runs
// `onShow` while a message would be open.
struct FakeMessageBox : platform::MessageBox {
    void show(const std::string& text, platform::MessageIcon icon) override {
        shown << QString("NIWC"[int(icon)]) + ':' + QString::fromStdString(text);
        if (onShow)
            onShow();
    }
    bool ask(const std::string& text) override { return shown << "?:" + QString::fromStdString(text), answer; }
    QStringList shown;
    std::function<void()> onShow;
    bool answer = true;
};

// Logs program starts as "<program> <arguments>"; fails with `failure` when it is not empty.
struct FakeProcessStarter : platform::ProcessStarter {
    bool startDetached(const std::string& program, const std::vector<std::string>& arguments, const std::string&,
                       std::string& error) override {
        starts << QString::fromStdString(program + ' ' + arguments.at(0));
        error = failure;
        return failure.empty();
    }
    platform::ProcessRun run(const std::string& program, const std::vector<std::string>& arguments, int) override {
        starts << QString::fromStdString(program + ' ' + arguments.at(0));
        return {true, true, 0, "", ""};
    }
    QStringList starts;
    std::string failure;
};

// The real file system inside a temporary folder holding the program folder, the user's data
// folder and the working directory. The program folder can be made to look read-only.
struct FakeFileSystem : platform::QtFileSystem {
    FakeFileSystem() {
        for (const char* sub : {"program", "cwd", "data"})
            QDir(dir.path()).mkpath(QString::fromLatin1(sub));
    }
    std::string path(const QString& relative) const { return QDir(dir.path()).filePath(relative).toStdString(); }
    std::string programFolder() const override { return path("program"); }
    std::string userDataFolder() const override { return path("data"); }
    std::string currentFolder() const override { return path("cwd"); }
    bool isWritableFolder(const std::string& folder) const override {
        return !(programReadOnly && folder.starts_with(programFolder())) && QtFileSystem::isWritableFolder(folder);
    }
    QTemporaryDir dir;
    bool programReadOnly = false;
};

// One window with fakes for every service.
struct Rig {
    explicit Rig(QLocale locale = QLocale::c())
        : numbers(locale), session(library(), files, starter, numbers), state(session.state()) {}
    static std::shared_ptr<const FormulaLibrary> library() {
        static const auto loaded = FormulaLibrary::loadBesideProgram();
        return loaded;
    }
    frmMain& open() {
        state.SetSeed(12345);
        window = std::make_unique<frmMain>(session, messages, dialogs, files);
        return *window;
    }
    template <typename T = QWidget>
    T* control(const QString& name) const {
        return window->findChild<T*>(name);
    }
    QLineEdit* field(const QString& name) const { return control<QLineEdit>(name); }
    QString text(const QString& name) const { return field(name)->text(); }
    void type(const QString& name, const QString& text) { field(name)->setText(text); }
    void click(const QString& name) { QTest::mouseClick(control<QPushButton>(name), Qt::LeftButton); }
    // Enabled states of txtInput, txtHidden and txtAlpha, "+" or "-" each.
    QString shape() const {
        QString s;
        for (const char* name : {"txtInput", "txtHidden", "txtAlpha"})
            s += field(name)->isEnabled() ? '+' : '-';
        return s;
    }
    std::string history() const { return JoinPath(files.programFolder(), "History"); }
    // Every field's text and enabled state and the network's parameters, for "nothing changed" checks.
    QStringList snapshot() const {
        QStringList list;
        for (auto* f : window->findChildren<QLineEdit*>())
            list << f->objectName() + '=' + f->text() + (f->isEnabled() ? "" : " (off)");
        return list << QString("%1-%2 %3 %4 changed %5 trained %6 melody %7")
                           .arg(state.InputCount)
                           .arg(state.HiddenCount)
                           .arg(state.Alpha)
                           .arg(state.LearnStep)
                           .arg(state.NSChanged)
                           .arg(window->NSTrained())
                           .arg(state.MelodyLen);
    }
    std::string path(const char* relative) const { return files.path(QString::fromUtf8(relative)); }

    FakeFileSystem files;
    FakeMessageBox messages;
    FakeFileDialogs dialogs;
    FakeProcessStarter starter;
    platform::QtLocaleNumbers numbers;
    app::Session session;
    mdMain& state;
    std::unique_ptr<frmMain> window;
};

// Records enable and disable changes of the watched controls in their order.
struct EnableRecorder : QObject {
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::EnabledChange)
            log << watched->objectName() + (static_cast<QWidget*>(watched)->isEnabled() ? '+' : '-');
        return false;
    }
    QStringList log;
};

QString readText(const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QStringLiteral("<missing>");
}

void writeText(const std::string& path, const QByteArray& bytes) {
    QFile file(QString::fromStdString(path));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class TestFrmMain : public QObject {
    Q_OBJECT

private slots:
    void startUp_data() {
        QTest::addColumn<bool>("historyExists");
        QTest::addColumn<bool>("programReadOnly");
        QTest::newRow("fresh") << false << false;
        QTest::newRow("History exists") << true << false;
        QTest::newRow("program folder read-only") << false << true;
    }

    // The texts and enabled states after the start-up are in the table of controls.
    void startUp() {
        QFETCH(bool, historyExists);
        QFETCH(bool, programReadOnly);
        Rig rig;
        rig.files.programReadOnly = programReadOnly;
        if (historyExists) {
            QVERIFY(QDir().mkpath(QString::fromStdString(rig.history())));
            writeText(JoinPath(rig.history(), "000.cmd"), "l8 o1 c\r\n");
        }
        frmMain& w = rig.open();
        const mdMain& s = rig.state;
        QCOMPARE(rig.snapshot().last(), "8-3 1 1 changed 1 trained 0 melody 11");
        QVERIFY(s.NoteLen == 8 && s.PauseLen == 8 && s.OutNeuron && !s.OutNeuron->AutoOperate());
        QCOMPARE(w.focusWidget(), rig.field("Text1(0)"));
        QVERIFY(rig.messages.shown.isEmpty());

        const std::string history = programReadOnly ? JoinPath(rig.files.userDataFolder(), "History") : rig.history();
        QCOMPARE(rig.session.historyFolder(), history);
        QVERIFY(QFileInfo(QString::fromStdString(history)).isDir());
        if (historyExists)
            QCOMPARE(readText(JoinPath(history, "000.cmd")), QStringLiteral("l8 o1 c\r\n"));

        QCOMPARE(w.windowTitle(), QStringLiteral("Предсказание нот - Лабораторная работа по ЖБХ"));
        QCOMPARE(frmMain::applicationTitle(), QStringLiteral("Предсказание нот"));
        QVERIFY(w.size() == QSize(530, 393) && w.minimumSize() == w.maximumSize());
        QVERIFY((w.windowFlags() & Qt::WindowMinimizeButtonHint) && !(w.windowFlags() & Qt::WindowMaximizeButtonHint));
        const QList<QSize> sizes = w.windowIcon().availableSizes();
        QVERIFY(sizes.contains(QSize(16, 16)) && sizes.contains(QSize(32, 32)));
        QVERIFY(rig.control<QPushButton>("Command1")->isDefault());
    }

    void controls_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("toolTip");
        QTest::addColumn<QRect>("twips");
        QTest::addColumn<int>("maxLength");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("readOnly");

        const QString frame = "QGroupBox", button = "QPushButton", field = "QLineEdit", label = "QLabel";
        constexpr int none = 32767;
        auto row = [&](const char* name, const QString& kind, const char* parent, const char* text, const char* tip,
                       QRect r, int maxLength = 32767, bool enabled = true, bool readOnly = false) {
            QTest::newRow(name) << kind << QString::fromUtf8(parent) << QString::fromUtf8(text)
                                << QString::fromUtf8(tip) << r << maxLength << enabled << readOnly;
        };
        // Texts as shown after the start-up: txtHidden, Text6 and Text2(0) are rewritten by it.
        row("Frame4", frame, "frmMain", "Управление нейронной сетью", "", QRect(120, 120, 7695, 1215));
        row("Command5", button, "Frame4", "Предсказать ноту", "", QRect(240, 360, 1935, 255));
        row("Command8", button, "Frame4", "Продолжить мелодию", "", QRect(240, 720, 1935, 255));
        row("Text3", field, "Frame4", "1", "Шаг обучения", QRect(2760, 360, 615, 285));
        row("Command4", button, "Frame4", "Научить", "", QRect(2760, 720, 1215, 255));
        row("Text4", field, "Frame4", "10000", "Итераций обучения", QRect(3360, 360, 615, 285));
        row("txtInput", field, "Frame4", "8", "Нейронов во входном слое", QRect(4320, 360, 495, 285), 3);
        row("txtHidden", field, "Frame4", "3", "Нейронов в скрытом слое", QRect(4800, 360, 495, 285), 2);
        row("txtAlpha", field, "Frame4", "1", "Постоянная в функции активации", QRect(5280, 360, 495, 285));
        row("Command9", button, "Frame4", "Создать новую", "", QRect(4320, 720, 1455, 255));
        row("mnSave", button, "Frame4", "Сохранить", "", QRect(6120, 360, 1335, 255));
        row("mnOpen", button, "Frame4", "Загрузить", "", QRect(6120, 720, 1335, 255));
        row("Frame3", frame, "frmMain", "Управление мелодией", "", QRect(120, 1440, 7695, 1215));
        row("Label1", label, "Frame3", "Длительность ноты:", "", QRect(240, 360, 1560, 195));
        row("Text5", field, "Frame3", "8", "", QRect(2040, 315, 615, 285), 2);
        row("Label2", label, "Frame3", "Нот в продолжении:", "", QRect(240, 720, 1530, 195));
        row("Text6", field, "Frame3", "12", "", QRect(2040, 690, 615, 285), 4);
        row("Label3", label, "Frame3", "Пауза:", "", QRect(3240, 360, 510, 195));
        row("Text7", field, "Frame3", "8", "", QRect(3960, 315, 615, 285), 2);
        row("Command1", button, "Frame3", "Играть всё", "", QRect(3240, 720, 1335, 255));
        row("Command2", button, "Frame3", "Начало мелодии", "", QRect(5280, 360, 2175, 255));
        row("Command3", button, "Frame3", "Продолжение мелодии", "", QRect(5280, 720, 2175, 255));
        row("Frame1", frame, "frmMain", "Начало мелодии", "", QRect(120, 2760, 7695, 1455));
        row("Text1(0)", field, "Frame1", "3, 8, 11, 3, 8, 11, 4, 8, 10, 1, 8, 10", "", QRect(240, 360, 7215, 285));
        row("Text2(0)", field, "Frame1", DefaultCommandText, "", QRect(240, 840, 7215, 285), none, false);
        row("Frame2", frame, "frmMain", "Продолжение мелодии", "", QRect(120, 4320, 7695, 1455));
        row("Text1(1)", field, "Frame2", "", "", QRect(240, 360, 7215, 285), none, true, true);
        row("Text2(1)", field, "Frame2", "", "", QRect(240, 840, 7215, 285), none, false);
    }

    void controls() {
        QFETCH(QString, kind);
        QFETCH(QRect, twips);
        QFETCH(int, maxLength);
        Rig rig;
        rig.open().show();
        QWidget* control = rig.control(QString::fromUtf8(QTest::currentDataTag()));
        QCOMPARE(QString::fromLatin1(control->metaObject()->className()), kind);
        QTEST(control->parentWidget()->objectName(), "parent");
        QCOMPARE(control->geometry(), QRect(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15));
        QTEST(control->toolTip(), "toolTip");
        QTEST(control->isEnabled(), "enabled");
        QCOMPARE(bool(control->focusPolicy() & Qt::TabFocus), kind == "QLineEdit" || kind == "QPushButton");
        const QString caption = control->property(kind == "QGroupBox" ? "title" : "text").toString();
        QTEST(caption, "text");

        // The caption fits the room the style leaves for it.
        QStyle* style = control->style();
        int room = control->contentsRect().width();
        if (auto* b = qobject_cast<QPushButton*>(control)) {
            QStyleOptionButton option;
            option.initFrom(b);
            option.text = caption;
            room = style->subElementRect(QStyle::SE_PushButtonContents, &option, b).width();
        } else if (auto* f = qobject_cast<QLineEdit*>(control)) {
            QStyleOptionFrame option;
            option.initFrom(f);
            option.lineWidth = f->hasFrame() ? style->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, f) : 0;
            room = style->subElementRect(QStyle::SE_LineEditContents, &option, f).width() - f->textMargins().left() -
                   f->textMargins().right() - 4;
        } else if (auto* g = qobject_cast<QGroupBox*>(control)) {
            QStyleOptionGroupBox option;
            option.initFrom(g);
            option.text = caption;
            option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
            const QRect title = style->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, g);
            room = title.width();
            QVERIFY(title.right() < g->width());
            for (auto* child : g->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
                QVERIFY2(title.bottom() < child->y(), qPrintable(child->objectName()));
        }
        QVERIFY(control->fontMetrics().horizontalAdvance(caption) <= room);

        if (auto* f = qobject_cast<QLineEdit*>(control)) {
            QTEST(f->isReadOnly(), "readOnly");
            if (maxLength < 32767) {
                // The limit holds for typing only; a text the program writes stays whole.
                f->clear();
                QTest::keyClicks(f, QString(maxLength + 2, QLatin1Char('1')));
                QCOMPARE(f->text().size(), maxLength);
                f->setText(QString(maxLength + 2, QLatin1Char('2')));
                QCOMPARE(f->text().size(), maxLength + 2);
            }
        }
    }

    void keyboard() {
        Rig rig;
        frmMain& w = rig.open();
        w.show();
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        rig.field("Text1(0)")->setFocus();

        // Table order by tab position; Text2(0) and Text2(1) are disabled and skipped.
        const QStringList expected = {"Text1(1)",  "Command1", "Text5",    "Text6",  "Text7",    "Command2", "Command3",
                                      "Command5",  "Command4", "mnSave",   "mnOpen", "Command8", "Text3",    "txtInput",
                                      "txtHidden", "txtAlpha", "Command9", "Text4",  "Text1(0)"};
        QStringList visited;
        for (qsizetype i = 0; i < expected.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(visited, expected);

        // Enter in a field presses the default button; on a focused button it presses that one.
        QSignalSpy play(rig.control<QPushButton>("Command1"), &QPushButton::clicked),
            fresh(rig.control<QPushButton>("Command9"), &QPushButton::clicked);
        QTest::keyClick(rig.field("Text1(0)"), Qt::Key_Return);
        rig.control("Command9")->setFocus();
        QTest::keyClick(rig.control("Command9"), Qt::Key_Return);
        QVERIFY(play.count() == 1 && fresh.count() == 1);
    }

    void parameters_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("inputCount");
        QTest::addColumn<int>("hiddenCount");
        QTest::addColumn<double>("alpha");
        QTest::addColumn<double>("learnStep");

        const QLocale c = QLocale::c(), german(QLocale::German);
        auto input = [&](const char* name, const char* typed, int inputs, int hidden) {
            QTest::newRow(name) << c << "txtInput" << typed << inputs << hidden << 1.0 << 1.0;
        };
        // The rules themselves are the session's; here the field keeps what was typed while the
        // value is corrected, and the hidden field shows the count derived from the input count.
        input("8", "8", 8, 3);
        input("1", "1", 2, 1);
        input("16 after hidden 5", "16", 16, 4);
        auto other = [&](const char* name, QLocale locale, const char* field, const char* typed, int hidden,
                         double alpha, double step) {
            QTest::newRow(name) << locale << field << typed << 8 << hidden << alpha << step;
        };
        other("hidden 0", c, "txtHidden", "0", 1, 1.0, 1.0);
        other("alpha comma locale 2,5", german, "txtAlpha", "2,5", 3, 2.5, 1.0);
        other("step falls back to the leading number", german, "Text3", "3x", 3, 1.0, 3.0);
    }

    void parameters() {
        QFETCH(QLocale, locale);
        QFETCH(QString, field);
        QFETCH(QString, typed);
        Rig rig(locale);
        rig.open();
        if (field == "txtInput") {
            rig.type("txtInput", "9"); // so that every row is a change
            rig.type("txtHidden", "5");
        }
        rig.type(field, typed);
        QTEST(rig.state.InputCount, "inputCount");
        QTEST(rig.state.HiddenCount, "hiddenCount");
        QTEST(rig.state.Alpha, "alpha");
        QTEST(rig.state.LearnStep, "learnStep");
        QCOMPARE(rig.text(field), typed);
        if (field == "txtInput")
            QCOMPARE(rig.text("txtHidden"), QString::number(rig.state.HiddenCount));
        QVERIFY(rig.messages.shown.isEmpty());
    }

    void inertActions() {
        // "Создать новую" on the fresh network, clicks on the background and typing into the
        // continuation list change nothing; neither does locking and unlocking the shape.
        Rig rig;
        frmMain& w = rig.open();
        w.show();
        const QStringList before = rig.snapshot();
        rig.click("Command9");
        QTest::mouseClick(&w, Qt::LeftButton, {}, QPoint(3, 3));
        QTest::mouseDClick(rig.control("Frame4"), Qt::LeftButton, {}, QPoint(400, 70));
        rig.type("Text1(1)", "9, 9");
        QCOMPARE(rig.snapshot().replaceInStrings("Text1(1)=9, 9", "Text1(1)="), before);
        QVERIFY(rig.messages.shown.isEmpty() && rig.starter.starts.isEmpty());

        w.SetNewNS(false);
        QVERIFY(!rig.state.NSChanged && rig.shape() == "---");
        QVERIFY(rig.field("Text3")->isEnabled() && rig.field("Text4")->isEnabled());
        w.SetNewNS(true);
        rig.type("Text1(1)", "");
        QCOMPARE(rig.snapshot(), before);
    }

    void melodyFields_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("commandText");
        QTest::addColumn<QString>("notes");
        QTest::newRow("melody 1,3,15") << "Text1(0)"
                                       << "1, 3, 15"
                                       << "l8  p8 o1 c# o2 c#"
                                       << "3";
        QTest::newRow("empty melody") << "Text1(0)"
                                      << ""
                                      << "l8 "
                                      << "1";
        QTest::newRow("trailing comma") << "Text1(0)"
                                        << "3, 8,"
                                        << "l8 o1 c# f# p8"
                                        << "3";
        QTest::newRow("note length 16") << "Text5"
                                        << "16"
                                        << "l16 o1 c# f# a c# f# a d f# g# p8 f# g#"
                                        << "12";
        QTest::newRow("note length 65 falls back") << "Text5"
                                                   << "65" << DefaultCommandText << "12";
        QTest::newRow("pause 4") << "Text7"
                                 << "4"
                                 << "l8 o1 c# f# a c# f# a d f# g# p4 f# g#"
                                 << "12";
    }

    // A melody past the buffer is told once, not at every keystroke while it stays past it.
    void longMelodyIsToldOnce() {
        Rig rig;
        rig.open();
        const QString long1100 = QString("3, ").repeated(1099) + "3";
        rig.type("Text1(0)", long1100);
        rig.type("Text1(0)", long1100 + "0");
        QCOMPARE(rig.messages.shown, QStringList({"I:Мелодия вмещает не более 1024 нот, а в тексте их 1100: взяты "
                                                  "первые 1024."}));
        QCOMPARE(rig.text("Text6"), QStringLiteral("1024"));
        rig.type("Text1(0)", "3, 8");
        rig.type("Text1(0)", long1100);
        QCOMPARE(rig.messages.shown.size(), 2);
    }

    void melodyFields() {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        Rig rig;
        rig.open();
        rig.type(field, typed);
        QTEST(rig.text("Text2(0)"), "commandText");
        QTEST(rig.text("Text6"), "notes");
        QCOMPARE(rig.text(field), typed);
    }

    void play_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("fullHistory");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("written"); // 000.cmd afterwards
        QTest::addColumn<QString>("message"); // of each click: the icon and a part of the text
        const QString text(DefaultCommandText);
        QTest::newRow("Command1 all") << "Command1" << false << "" << text + " \r\n"
                                      << "";
        QTest::newRow("Command2 beginning") << "Command2" << false << "" << text + "\r\n"
                                            << "";
        QTest::newRow("Command3 empty continuation") << "Command3" << false << ""
                                                     << "\r\n"
                                                     << "";
        QTest::newRow("full History") << "Command2" << true << ""
                                      << "x" << QString("N:Пожалуйста, почистите папку с историей команд");
        QTest::newRow("player missing") << "Command2" << false << "no such program" << text + "\r\n"
                                        << "W:no such program";
    }

    // Two clicks: each writes the next command file and starts the player beside the program on it.
    void play() {
        QFETCH(QString, button);
        QFETCH(bool, fullHistory);
        QFETCH(QString, failure);
        QFETCH(QString, message);
        Rig rig;
        rig.open();
        for (int n = 0; fullHistory && n < CmdFileCount; ++n)
            writeText(JoinPath(rig.history(), CmdFileName(n)), "x");
        rig.starter.failure = failure.toStdString();
        rig.click(button);
        rig.click(button);
        QTEST(readText(JoinPath(rig.history(), "000.cmd")), "written");
        QCOMPARE(rig.messages.shown.size(), message.isEmpty() ? 0 : 2);
        for (const QString& shown : rig.messages.shown)
            QVERIFY2(shown.startsWith(message.left(2)) && shown.contains(message.mid(2)), qPrintable(shown));
        const QString player = QString::fromStdString(JoinPath(rig.files.programFolder(), PlayerFileName()));
        QCOMPARE(rig.starter.starts,
                 fullHistory ? QStringList() : QStringList({player + " 000.cmd", player + " 001.cmd"}));
    }

    // Too large a network is refused; then the advised, locked training, a prediction without
    // a warning, and after "Создать новую" the untrained prediction: a warning, then the note.
    void training() {
        Rig rig;
        frmMain& w = rig.open();
        rig.type("txtInput", "9e9");
        rig.click("Command4");
        QCOMPARE(rig.messages.shown.size(), 1);
        QVERIFY(rig.messages.shown[0].startsWith("W:"));
        QVERIFY(rig.state.NSChanged && rig.shape() == "+++" && !w.NSTrained() && rig.control("Command4")->isEnabled());
        rig.type("txtInput", "8");
        rig.type("Text4", "400");
        rig.messages.shown.clear();

        EnableRecorder recorder;
        const QStringList locked = {"Text3",    "Text4",    "Command4", "Command9",
                                    "Command5", "Command8", "mnSave",   "mnOpen"};
        for (const QString& name : locked)
            rig.control(name)->installEventFilter(&recorder);
        bool lockedDuringBox = true;
        rig.messages.onShow = [&] { lockedDuringBox = !rig.control("Command4")->isEnabled(); };
        rig.click("Command4");
        QStringList expected;
        for (const QChar sign : {'-', '+'})
            for (const QString& name : locked)
                expected << name + sign;
        QCOMPARE(recorder.log, expected);
        QVERIFY(!lockedDuringBox);
        QCOMPARE(rig.messages.shown,
                 QStringList({"I:Рекомендуется выполнять операцию многократно, пока не будет достигнут результат."}));
        QVERIFY(w.NSTrained() && !rig.state.NSChanged && rig.shape() == "---");
        QVERIFY(QApplication::overrideCursor() == nullptr);

        rig.messages.onShow = nullptr;
        rig.click("Command4");
        rig.click("Command5");
        QCOMPARE(rig.messages.shown.size(), 2);
        QVERIFY(rig.messages.shown[1].startsWith("N:"));

        rig.click("Command9");
        QVERIFY(!w.NSTrained() && rig.state.NSChanged && rig.shape() == "+++");
        rig.messages.shown.clear();
        rig.click("Command5");
        QCOMPARE(rig.messages.shown.size(), 2);
        QCOMPARE(rig.messages.shown[0], Untrained);
        const int code = rig.messages.shown[1].mid(2).toInt();
        QVERIFY(rig.messages.shown[1].startsWith("N:") && code >= 1 && code <= 49);
        QVERIFY(!rig.state.NSChanged && rig.shape() == "---" && !w.NSTrained());
    }

    // A click that would run for hours shows its dialog; "Отмена" stops it after the current
    // iteration, and nothing typed meanwhile reaches the window.
    void longTrainingIsCancelled() {
        Rig rig;
        frmMain& w = rig.open();
        w.show();
        // A melody whose windows the network cannot all reach exactly, so the click would not end early.
        QStringList codes;
        for (int i = 0; i < 80; ++i)
            codes << QString::number(2 + (i * 7) % 48);
        rig.type("Text1(0)", codes.join(", "));
        rig.type("txtInput", "64");
        rig.type("Text4", "1e99");
        const QString melody = rig.text("Text1(0)");
        QWidget* dialog = nullptr;
        connect(&w, &frmMain::trainingDialogCreated, &w, [&](QWidget* created) {
            dialog = created;
            QTimer::singleShot(0, created, [&rig, created] {
                QTest::keyClicks(rig.field("Text1(0)"), "5");
                created->findChild<QPushButton*>()->click(); // "Отмена"
            });
        });
        rig.click("Command4");
        QVERIFY(dialog != nullptr);
        QCOMPARE(rig.text("Text1(0)"), melody);
        const app::LearningReport& report = rig.session.lastReport();
        QVERIFY(report.cancelled);
        QVERIFY(report.iterationsRun >= 1);
        QVERIFY(report.iterationsRun < report.iterationsPerWindow);
        QCOMPARE(rig.messages.shown,
                 QStringList({"I:Рекомендуется выполнять операцию многократно, пока не будет достигнут результат."}));
        QVERIFY(rig.control("Command4")->isEnabled() && rig.field("Text4")->isEnabled());
    }

    void continueMelody_data() {
        QTest::addColumn<QString>("count");
        QTest::addColumn<int>("contLen");
        QTest::addColumn<int>("messages"); // after the untrained warning
        QTest::newRow("default 12") << "12" << 12 << 0;
        QTest::newRow("2000 is cut to the buffer") << "2000" << 1012 << 1;
    }

    void continueMelody() {
        QFETCH(QString, count);
        QFETCH(int, contLen);
        QFETCH(int, messages);
        Rig rig;
        rig.open();
        rig.type("Text6", count);
        rig.click("Command8");
        QCOMPARE(rig.messages.shown.size(), 1 + messages);
        QCOMPARE(rig.messages.shown[0], Untrained);
        QCOMPARE(rig.state.ContLen, contLen);
        const QStringList listed = rig.text("Text1(1)").split(", ", Qt::SkipEmptyParts);
        QCOMPARE(listed.size(), contLen);
        for (const QString& item : listed)
            QVERIFY2(item.toInt() >= 1 && item.toInt() <= 49, qPrintable(item));
        QVERIFY(rig.text("Text2(1)").startsWith("l8"));
        QVERIFY(rig.state.MelodyLen == 11 && rig.text("Text6") == count && rig.text("Text2(0)") == DefaultCommandText);
    }

    void saveNetwork_data() {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("written");
        QTest::addColumn<int>("replace"); // -1: no file there; 1/0: the extended file exists, answer yes/no
        QTest::newRow("no dot gets .qvl") << "cwd/net"
                                          << "cwd/net.qvl" << -1;
        QTest::newRow("extended name exists, replace") << "cwd/net"
                                                       << "cwd/net.qvl" << 1;
        QTest::newRow("extended name exists, keep") << "cwd/net"
                                                    << "cwd/net.qvl" << 0;
        QTest::newRow("extension kept") << "cwd/net.txt"
                                        << "cwd/net.txt" << -1;
        QTest::newRow("dot in folder only") << "cwd/a.b/net"
                                            << "cwd/a.b/net" << -1;
        QTest::newRow("cancelled") << ""
                                   << "" << -1;
    }

    // Every row ends with a cancelled load, which changes nothing.
    void saveNetwork() {
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        QFETCH(int, replace);
        Rig rig;
        rig.open();
        QDir().mkpath(QString::fromStdString(rig.path("cwd/a.b")));
        if (!chosen.isEmpty())
            rig.dialogs.saveAnswer = rig.files.path(chosen);
        if (replace >= 0)
            writeText(rig.files.path(written), "old\r\n");
        rig.messages.answer = replace != 0;
        rig.click("mnSave");
        QCOMPARE(rig.dialogs.lastOptions.title, std::string("Сохранение нейронной сети"));
        QCOMPARE(rig.dialogs.lastOptions.initialFolder, rig.files.currentFolder());
        QVERIFY(rig.dialogs.lastOptions.overwritePrompt);
        rig.click("mnOpen");
        QVERIFY(rig.dialogs.saveCalls == 1 && rig.dialogs.openCalls == 1);
        const QString question =
            QString("?:Файл «%1» уже существует.\nЗаменить его?").arg(rig.files.path(written).c_str());
        QCOMPARE(rig.messages.shown, replace >= 0 ? QStringList({question}) : QStringList());

        const bool saved = !chosen.isEmpty() && replace != 0;
        QVERIFY(rig.state.NSChanged != saved && rig.shape() == (saved ? "---" : "+++"));
        const QStringList lines = readText(rig.files.path(written)).split("\r\n");
        if (saved) {
            QCOMPARE(lines.size(), 35 + 1);
            QCOMPARE(lines.mid(0, 4), QStringList({" 8", " 3", " 1", " 1"}));
        } else if (replace == 0) {
            QCOMPARE(lines, QStringList({"old", ""}));
        } else {
            QVERIFY(QDir(QString::fromStdString(rig.files.currentFolder())).entryList(QDir::Files).isEmpty());
        }
    }

    void loadNetwork_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("texts"); // txtInput, txtHidden, txtAlpha, Text3
        // counts, Alpha, LearnStep, the output's bias, the last hidden neuron's weight from the last input
        QTest::addColumn<QList<double>>("values");
        // 8 inputs, 5 hidden: 5 + 10 + 40 lines, loaded while txtInput shows 16.
        QByteArray eightFive = " 8\r\n 5\r\n .5\r\n .25\r\n .125\r\n" + QByteArray(" .0625\r\n").repeated(5);
        for (int k = 0; k < 5; ++k)
            eightFive += "-.5\r\n" + QByteArray(" .75\r\n").repeated(8);
        QTest::newRow("8-5") << eightFive << QStringList({"8", "5", "0.5", "0.25"})
                             << QList<double>({8, 5, 0.5, 0.25, 0.125, 0.75});
        // More input neurons than three typed characters can name.
        QTest::newRow("1000-1") << " 1000\r\n 1\r\n 1\r\n 1\r\n 0\r\n .5\r\n 0\r\n" +
                                       QByteArray(" .001\r\n").repeated(1000)
                                << QStringList({"1000", "1", "1", "1"}) << QList<double>({1000, 1, 1, 1, 0, 0.001});
    }

    void loadNetwork() {
        QFETCH(QByteArray, file);
        QFETCH(QList<double>, values);
        Rig rig;
        frmMain& w = rig.open();
        rig.type("txtInput", "16");
        rig.type("Text3", "3");
        writeText(rig.path("cwd/net.qvl"), file);
        rig.dialogs.openAnswer = rig.path("cwd/net.qvl");
        rig.click("mnOpen");

        QCOMPARE(rig.dialogs.lastOptions.title, std::string("Загрузка нейронной сети"));
        QTEST(QStringList({rig.text("txtInput"), rig.text("txtHidden"), rig.text("txtAlpha"), rig.text("Text3")}),
              "texts");
        const mdMain& s = rig.state;
        QCOMPARE(QList<double>({double(s.InputCount), double(s.HiddenCount), s.Alpha, s.LearnStep,
                                s.OutNeuron->Displacing(), s.HiddenLayer.back()->iWeight(s.InputCount)}),
                 values);
        QCOMPARE(double(s.InLayer.size() + s.HiddenLayer.size()), values[0] + values[1] + 2);
        QVERIFY(!s.NSChanged && rig.shape() == "---" && w.NSTrained());
        // A loaded network counts as trained: no warning before the prediction.
        rig.click("Command5");
        QCOMPARE(rig.messages.shown.size(), 1);
    }

    void loadBrokenFile_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("not a number") << QByteArray(" 8\r\n 3\r\n x\r\n");
        QTest::newRow("input count below 2") << QByteArray(" 1\r\n 1\r\n 1\r\n 1\r\n 0\r\n 0\r\n 0\r\n 0\r\n");
    }

    void loadBrokenFile() {
        QFETCH(QByteArray, file);
        Rig rig;
        rig.open();
        writeText(rig.path("cwd/broken.qvl"), file);
        rig.dialogs.openAnswer = rig.path("cwd/broken.qvl");
        const QStringList before = rig.snapshot();
        rig.click("mnOpen");
        QCOMPARE(rig.messages.shown.size(), 1);
        QVERIFY(rig.messages.shown[0].startsWith("W:"));
        QCOMPARE(rig.snapshot(), before);
    }
};

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
