#include "app/Session.h"
#include "engine/FormulaLibrary.h"
#include "engine/mdMain.h"
#include "melody/CommandFiles.h"
#include "numbers/NumberText.h"
#include "platform/DynamicLibrary.h"
#include "support/PlatformFakes.h"
#include "ui/NoteNameTips.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QGroupBox>
#include <QHelpEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <QStyleOptionGroupBox>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QWindow>

#include <cmath>
#include <memory>

namespace {

const char* const DefaultCommandText = "l8 o1 c# f# a c# f# a d f# g# p8 f# g#";
const QString Untrained = "W:Нейронная сеть не обучена.";
const QString Advice = "I:Рекомендуется выполнять операцию многократно, пока не будет достигнут результат.";

// Answers the file dialogs with prepared paths and records what was asked.
struct FakeFileDialogs : platform::FileDialogs {
    std::optional<std::string> openFile(const platform::FileDialogOptions& o) override {
        return ++calls, last = o, openAnswer;
    }
    std::optional<std::string> saveFile(const platform::FileDialogOptions& o) override {
        return ++calls, last = o, saveAnswer;
    }
    std::optional<std::string> openAnswer, saveAnswer;
    platform::FileDialogOptions last;
    int calls = 0;
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

// One window on fakes for every service, "/tmp" its working folder.
struct Rig {
    Rig() { files.folders.insert("/tmp"); }
    template <typename T = QWidget>
    T* control(const QString& name) const {
        return window.findChild<T*>(name);
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
    std::string history() const { return files.program + "/History"; }
    // Every field's text and enabled state and the network's parameters, for "nothing changed" checks.
    QStringList snapshot() const {
        QStringList list;
        for (auto* f : window.findChildren<QLineEdit*>())
            list << f->objectName() + '=' + f->text() + (f->isEnabled() ? "" : " (off)");
        return list << QString::asprintf("%d-%d %g %g changed %d trained %d melody %d", state.InputCount,
                                         state.HiddenCount, state.Alpha, state.LearnStep, int(state.NSChanged),
                                         int(window.NSTrained()), state.MelodyLen);
    }

    MemoryFileSystem files;
    FakeStarter starter{files};
    PlainLocaleNumbers numbers;
    app::Session session{FormulaLibrary::loadFrom(platform::executableFolder()).value(), files, starter, numbers};
    mdMain& state = (session.state().SetSeed(12345), session.state());
    FakeMessageBox messages;
    FakeFileDialogs dialogs;
    frmMain window{session, messages, dialogs, files};
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

} // namespace

class TestFrmMain : public QObject {
    Q_OBJECT

private slots:
    // The texts and enabled states after the start-up are in the table of controls.
    // Hovering over a melody field names its notes as the command text does.
    void noteNameTips_data() {
        QTest::addColumn<QString>("melody");
        QTest::addColumn<QString>("tip");
        QTest::newRow("default") << "3, 8, 11, 3, 8, 11, 4, 8, 10, 1, 8, 10"
                                 << "c#1 f#1 a1 c#1 f#1 a1 d1 f#1 g#1 p f#1 g#1";
        QTest::newRow("octaves and pauses") << "2, 13, 14, 26, 49, 0, 1"
                                            << "c1 b1 c2 c3 b4 p p";
        QTest::newRow("empty") << ""
                               << "";
    }

    void noteNameTips() {
        QFETCH(QString, melody);
        QFETCH(QString, tip);
        Rig rig;
        rig.type("Text1(0)", melody);
        QLineEdit* field = rig.field("Text1(0)");
        QCOMPARE(NoteNameTips::tipFor(*field), tip);
        QCOMPARE(field->toolTip(), QString()); // the field's own tip stays as it is
        rig.window.show();
        QHelpEvent hover(QEvent::ToolTip, QPoint(5, 5), field->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(field, &hover);
        QCOMPARE(QToolTip::text(), tip);
        QToolTip::hideText();
    }

    // Disabled text, such as the command-text fields, reads at a contrast of at least 4.5:1.
    void disabledTextContrast() {
        Rig rig;
        const QPalette palette = rig.field("Text2(0)")->palette();
        const auto luminance = [](const QColor& c) {
            const auto channel = [](double v) {
                v /= 255.0;
                return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
            };
            return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
        };
        for (const auto role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
            for (const auto background : {QPalette::Base, QPalette::Window, QPalette::Button}) {
                const double a = luminance(palette.color(QPalette::Disabled, role));
                const double b = luminance(palette.color(QPalette::Disabled, background));
                const double ratio = (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
                QVERIFY2(ratio >= 4.5, qPrintable(QStringLiteral("%1 on %2: %3").arg(role).arg(background).arg(ratio)));
            }
    }

    void startUp() {
        Rig rig;
        frmMain& w = rig.window;
        QCOMPARE(rig.snapshot().last(), "8-3 1 1 changed 1 trained 0 melody 11");
        QCOMPARE(rig.state.NoteLen, 8);
        QCOMPARE(rig.state.PauseLen, 8);
        QVERIFY(rig.state.OutNeuron);
        QCOMPARE(w.focusWidget(), rig.field("Text1(0)"));
        QCOMPARE(w.windowTitle(), QStringLiteral("Предсказание нот - Лабораторная работа по ЖБХ"));
        QCOMPARE(frmMain::applicationTitle(), QStringLiteral("Предсказание нот"));
        QCOMPARE(w.size(), QSize(530, 393));
        QCOMPARE(w.minimumSize(), w.maximumSize());
        QVERIFY(w.windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(w.windowIcon().availableSizes().contains(QSize(16, 16)));
        QVERIFY(w.windowIcon().availableSizes().contains(QSize(32, 32)));
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
        rig.window.show();
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
        frmMain& w = rig.window;
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

    void typing_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shownField");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("network"); // the last line of the snapshot
        // The rules are the session's; here a field keeps what was typed while the value is
        // corrected, and the fields that follow from it show the new values.
        auto row = [](const char* name, const char* field, const char* typed, const char* shownField, const char* shown,
                      const char* network) { QTest::newRow(name) << field << typed << shownField << shown << network; };
        row("input 1", "txtInput", "1", "txtHidden", "1", "2-1 1 1 changed 1 trained 0 melody 11");
        row("input 16", "txtInput", "16", "txtHidden", "4", "16-4 1 1 changed 1 trained 0 melody 11");
        row("hidden 0", "txtHidden", "0", "txtInput", "8", "8-1 1 1 changed 1 trained 0 melody 11");
        row("melody", "Text1(0)", "1, 3, 15", "Text2(0)", "l8  p8 o1 c# o2 c#", "8-3 1 1 changed 1 trained 0 melody 2");
        row("note length", "Text5", "16", "Text2(0)", "l16 o1 c# f# a c# f# a d f# g# p8 f# g#",
            "8-3 1 1 changed 1 trained 0 melody 11");
        row("pause", "Text7", "4", "Text2(0)", "l8 o1 c# f# a c# f# a d f# g# p4 f# g#",
            "8-3 1 1 changed 1 trained 0 melody 11");
    }

    void typing() {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, shownField);
        Rig rig;
        rig.type(field, typed);
        QCOMPARE(rig.text(field), typed);
        QTEST(rig.text(shownField), "shown");
        QTEST(rig.snapshot().last(), "network");
        QVERIFY(rig.messages.shown.isEmpty());
    }

    // "Создать новую" on the fresh network, clicks on the background and typing into the
    // continuation list change nothing.
    void inertActions() {
        Rig rig;
        frmMain& w = rig.window;
        w.show();
        const QStringList before = rig.snapshot();
        rig.click("Command9");
        QTest::mouseClick(&w, Qt::LeftButton, {}, QPoint(3, 3));
        QTest::mouseDClick(rig.control("Frame4"), Qt::LeftButton, {}, QPoint(400, 70));
        rig.type("Text1(1)", "9, 9");
        QCOMPARE(rig.snapshot().replaceInStrings("Text1(1)=9, 9", "Text1(1)="), before);
        QVERIFY(rig.messages.shown.isEmpty());
        QVERIFY(rig.starter.calls.empty());
    }

    // A melody past the buffer is told once, not at every keystroke while it stays past it.
    void longMelodyIsToldOnce() {
        Rig rig;
        const QString long1100 = QString("3, ").repeated(1099) + "3";
        rig.type("Text1(0)", long1100);
        rig.type("Text1(0)", long1100 + ", 4");
        // Nothing takes the keyboard while the typing goes on; the box comes once it pauses.
        QVERIFY(rig.messages.shown.isEmpty());
        QTRY_COMPARE(rig.messages.shown, QStringList({"I:Мелодия вмещает не более 1024 нот, а в тексте их 1101: "
                                                      "взяты первые 1024."}));
        QCOMPARE(rig.text("Text6"), QStringLiteral("1024"));
        rig.type("Text1(0)", long1100 + ", 5"); // still cut: told already
        rig.type("Text1(0)", "3, 8");
        rig.type("Text1(0)", long1100);
        rig.type("Text1(0)", "3, 8"); // cut, and mended before the pause: nothing to tell
        QVERIFY(!rig.window.findChild<QTimer*>("truncationNotice")->isActive());
        QCOMPARE(rig.messages.shown.size(), 1);
        rig.type("Text1(0)", long1100);
        QTRY_COMPARE(rig.messages.shown.size(), 2);
    }

    void play_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("fullHistory");
        QTest::addColumn<bool>("fails");
        QTest::addColumn<QString>("written"); // 000.cmd afterwards
        QTest::addColumn<QString>("message"); // of each click: the icon and a part of the text
        auto row = [](const char* name, const char* button, bool full, bool fails, QString written, const char* m) {
            QTest::newRow(name) << QString(button) << full << fails << written << QString::fromUtf8(m);
        };
        const QString text(DefaultCommandText);
        row("Command1 all", "Command1", false, false, text + " \r\n", "");
        row("Command3 continuation", "Command3", false, false, "\r\n", "");
        row("full History", "Command2", true, false, "x", "N:Пожалуйста, почистите папку с историей команд");
        row("player missing", "Command2", false, true, text + "\r\n", "W:no such program");
    }

    // Two clicks: each writes the next command file and starts the player beside the program on it.
    void play() {
        QFETCH(QString, button);
        QFETCH(bool, fullHistory);
        QFETCH(QString, message);
        Rig rig;
        for (int n = 0; fullHistory && n < CmdFileCount; ++n)
            rig.files.files[rig.history() + "/" + CmdFileName(n)] = "x";
        QFETCH(bool, fails);
        rig.starter.fail = fails;
        rig.click(button);
        rig.click(button);
        QTEST(QString::fromStdString(rig.files.files[rig.history() + "/000.cmd"]), "written");
        QCOMPARE(rig.messages.shown.size(), message.isEmpty() ? 0 : 2);
        for (const QString& shown : rig.messages.shown) {
            QVERIFY2(shown.startsWith(message.left(2)), qPrintable(shown));
            QVERIFY2(shown.contains(message.mid(2)), qPrintable(shown));
        }
        QCOMPARE(rig.starter.calls.size(), size_t(fullHistory || fails ? 0 : 2));
        for (size_t n = 0; n < rig.starter.calls.size(); ++n) {
            QCOMPARE(rig.starter.calls[n].program, rig.files.program + '/' + PlayerFileName());
            QCOMPARE(rig.starter.calls[n].arguments, std::vector<std::string>{CmdFileName(int(n))});
        }
    }

    // Too large a network is refused; then the advised, locked training, a prediction without
    // a warning, and after "Создать новую" the untrained prediction: a warning, then the note.
    void training() {
        Rig rig;
        frmMain& w = rig.window;
        rig.type("txtInput", "9e9");
        rig.click("Command4");
        QCOMPARE(rig.messages.shown.size(), 1);
        QVERIFY(rig.messages.shown[0].startsWith("W:"));
        QCOMPARE(rig.shape(), "+++");
        QVERIFY(rig.control("Command4")->isEnabled());
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
        QCOMPARE(recorder.log, QStringList(locked).replaceInStrings(QRegularExpression("$"), "-") +
                                   QStringList(locked).replaceInStrings(QRegularExpression("$"), "+"));
        QVERIFY(!lockedDuringBox);
        QCOMPARE(rig.messages.shown, QStringList({Advice}));
        QVERIFY(w.NSTrained());
        QCOMPARE(rig.shape(), "---");
        QVERIFY(QApplication::overrideCursor() == nullptr);

        rig.messages.onShow = nullptr;
        rig.click("Command5");
        QCOMPARE(rig.messages.shown.size(), 2);
        QVERIFY(rig.messages.shown[1].startsWith("N:"));

        rig.click("Command9");
        QVERIFY(!w.NSTrained());
        QCOMPARE(rig.shape(), "+++");
        rig.messages.shown.clear();
        rig.click("Command5");
        QCOMPARE(rig.messages.shown.size(), 2);
        QCOMPARE(rig.messages.shown[0], Untrained);
        QVERIFY(rig.messages.shown[1].startsWith("N:"));
        QCOMPARE(rig.shape(), "---");
    }

    // A click that would run for hours shows its dialog; "Отмена", clicked
    // with the mouse through the dialog's own window, stops it after the
    // current iteration, and so does closing the window, which then closes;
    // nothing typed meanwhile reaches the window.
    void longTrainingIsCancelled_data() {
        QTest::addColumn<bool>("closeWindow");
        QTest::newRow("Отмена clicked") << false;
        QTest::newRow("window closed") << true;
    }

    void longTrainingIsCancelled() {
        QFETCH(bool, closeWindow);
        Rig rig;
        frmMain& w = rig.window;
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
            QTimer::singleShot(0, created, [&rig, &w, created, closeWindow] {
                QTest::keyClicks(rig.field("Text1(0)"), "5");
                if (closeWindow) {
                    w.windowHandle()->close();
                    return;
                }
                created->show();
                QVERIFY(QTest::qWaitForWindowExposed(created));
                const auto* button = created->findChild<QPushButton*>(); // "Отмена"
                QTest::mouseClick(created->windowHandle(), Qt::LeftButton, {},
                                  button->mapTo(created, button->rect().center()));
            });
        });
        rig.click("Command4");
        QVERIFY(dialog != nullptr);
        QCOMPARE(rig.text("Text1(0)"), melody);
        const app::LearningReport& report = rig.session.lastReport();
        QVERIFY(report.cancelled);
        QVERIFY(report.iterationsRun >= 1);
        QVERIFY(report.iterationsRun < report.iterationsPerWindow);
        QCOMPARE(rig.messages.shown, QStringList({Advice}));
        QVERIFY(rig.control("Command4")->isEnabled());
        QCoreApplication::processEvents();
        QCOMPARE(w.isVisible(), !closeWindow);
    }

    // A player that fails soon after its start is told in a message box with
    // what it said; a window closed meanwhile is not told at all.
    void playerFailureIsTold() {
        platform::ProcessStarter::EarlyFailure ended;
        {
            Rig rig;
            rig.click("Command2");
            QCOMPARE(rig.starter.calls.size(), size_t(1));
            QVERIFY(rig.messages.shown.isEmpty());
            QVERIFY(rig.starter.watched);
            rig.starter.watched(3, "Play: no audio device: none\n");
            QCOMPARE(rig.messages.shown,
                     QStringList({"W:Проигрыватель не смог сыграть мелодию:\nPlay: no audio device: none"}));
            rig.starter.watched(-1, "");
            QCOMPARE(rig.messages.shown.last(), "W:Проигрыватель не смог сыграть мелодию:\nаварийное завершение");
            ended = rig.starter.watched;
        }
        ended(1, "too late");
    }

    void continueMelody_data() {
        QTest::addColumn<QString>("count");
        QTest::addColumn<int>("messages"); // after the untrained warning
        QTest::newRow("default 12") << "12" << 0;
        QTest::newRow("2000 is cut to the buffer") << "2000" << 1;
    }

    void continueMelody() {
        QFETCH(QString, count);
        QFETCH(int, messages);
        Rig rig;
        rig.type("Text6", count);
        rig.click("Command8");
        QCOMPARE(rig.messages.shown.size(), 1 + messages);
        QCOMPARE(rig.messages.shown[0], Untrained);
        QCOMPARE(rig.text("Text1(1)").split(", ").size(), rig.state.ContLen);
        QVERIFY(rig.text("Text2(1)").startsWith("l8"));
        QCOMPARE(rig.text("Text6"), count);
    }

    void saveNetwork_data() {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<int>("replace"); // -1: no file there; 1/0: the extended file exists, answer yes/no
        QTest::newRow("no dot gets .qvl") << "/tmp/net" << -1;
        QTest::newRow("extended name exists, replace") << "/tmp/net" << 1;
        QTest::newRow("extended name exists, keep") << "/tmp/net" << 0;
        QTest::newRow("cancelled") << "" << -1;
    }

    // Every row ends with a cancelled load, which changes nothing.
    void saveNetwork() {
        QFETCH(QString, chosen);
        QFETCH(int, replace);
        Rig rig;
        const std::string written = "/tmp/net.qvl";
        if (!chosen.isEmpty())
            rig.dialogs.saveAnswer = chosen.toStdString();
        if (replace >= 0)
            rig.files.files[written] = "old\r\n";
        rig.messages.answer = replace != 0;
        rig.click("mnSave");
        QCOMPARE(rig.dialogs.last.title, std::string("Сохранение нейронной сети"));
        QCOMPARE(rig.dialogs.last.initialFolder, std::string("/tmp"));
        QVERIFY(rig.dialogs.last.overwritePrompt);
        rig.click("mnOpen");
        QCOMPARE(rig.dialogs.calls, 2);
        const QString question = "?:Файл «/tmp/net.qvl» уже существует.\nЗаменить его?";
        QCOMPARE(rig.messages.shown, replace >= 0 ? QStringList({question}) : QStringList());

        const bool saved = !chosen.isEmpty() && replace != 0;
        QCOMPARE(rig.shape(), saved ? "---" : "+++");
        if (saved)
            QVERIFY(rig.files.files.at(written).starts_with(" 8\r\n 3\r\n"));
        else
            QCOMPARE(rig.files.files.count(written), size_t(replace == 0));
    }

    void loadNetwork_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("texts"); // txtInput, txtHidden, txtAlpha, Text3
        // 8 inputs, 5 hidden: 5 + 10 + 40 lines.
        QByteArray eightFive = " 8\r\n 5\r\n .5\r\n .25\r\n .125\r\n" + QByteArray(" .0625\r\n").repeated(5);
        for (int k = 0; k < 5; ++k)
            eightFive += "-.5\r\n" + QByteArray(" .75\r\n").repeated(8);
        QTest::newRow("8-5") << eightFive << QStringList({"8", "5", ".5", ".25"});
        // More input neurons than three typed characters can name.
        QTest::newRow("1000-1") << " 1000\r\n 1\r\n 1\r\n 1\r\n 0\r\n .5\r\n 0\r\n" +
                                       QByteArray(" .001\r\n").repeated(1000)
                                << QStringList({"1000", "1", "1", "1"});
    }

    // Loaded while txtInput shows 16: the fields show the file's shape and values.
    void loadNetwork() {
        QFETCH(QByteArray, file);
        Rig rig;
        rig.type("txtInput", "16");
        rig.type("Text3", "3");
        rig.files.files["/tmp/net.qvl"] = file.toStdString();
        rig.dialogs.openAnswer = "/tmp/net.qvl";
        rig.click("mnOpen");
        QCOMPARE(rig.dialogs.last.title, std::string("Загрузка нейронной сети"));
        QTEST(QStringList({rig.text("txtInput"), rig.text("txtHidden"), rig.text("txtAlpha"), rig.text("Text3")}),
              "texts");
        QCOMPARE(rig.shape(), "---");
        // A loaded network counts as trained: no warning before the prediction.
        rig.click("Command5");
        QCOMPARE(rig.messages.shown.size(), 1);
    }

    void loadBrokenFile() {
        Rig rig;
        rig.files.files["/tmp/broken.qvl"] = " 8\r\n 3\r\n x\r\n";
        rig.dialogs.openAnswer = "/tmp/broken.qvl";
        const QStringList before = rig.snapshot();
        rig.click("mnOpen");
        QCOMPARE(rig.messages.shown.size(), 1);
        QVERIFY(rig.messages.shown[0].startsWith("W:"));
        QCOMPARE(rig.snapshot(), before);
    }
};

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
