#include "FakeFileDialogs.h"
#include "FakeFileSystem.h"
#include "FakeMessageBox.h"
#include "FakeProcessStarter.h"

#include "engine/FormulaLibrary.h"
#include "engine/mdMain.h"
#include "melody/CommandFiles.h"
#include "platform/QtLocaleNumbers.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <QStyleOptionGroupBox>
#include <QTest>

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

using platform::MessageIcon;

const char* const DefaultCommandText = "l8 o1 c# f# a c# f# a d f# g# p8 f# g#";

// One window with fakes for every service.
struct Rig {
    explicit Rig(std::shared_ptr<const FormulaLibrary> library, QLocale locale = QLocale::c(),
                 bool programReadOnly = false)
        : numbers(locale), state(std::move(library)) {
        files.programReadOnly = programReadOnly;
    }

    frmMain& open() {
        state.SetSeed(12345);
        window = std::make_unique<frmMain>(state, messages, dialogs, starter, files, numbers);
        return *window;
    }

    template <typename T = QWidget>
    T* control(const char* name) const {
        T* found = window->findChild<T*>(QString::fromUtf8(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }
    QLineEdit* field(const char* name) const { return control<QLineEdit>(name); }
    QPushButton* button(const char* name) const { return control<QPushButton>(name); }
    std::string text(const char* name) const { return field(name)->text().toStdString(); }
    void type(const char* name, const char* text) { field(name)->setText(QString::fromUtf8(text)); }

    FakeFileSystem files;
    FakeMessageBox messages;
    FakeFileDialogs dialogs;
    FakeProcessStarter starter;
    platform::QtLocaleNumbers numbers;
    mdMain state;
    std::unique_ptr<frmMain> window;
};

// Records enable and disable changes of the watched controls in their order.
class EnableRecorder : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::EnabledChange) {
            auto* widget = static_cast<QWidget*>(watched);
            log << (widget->objectName() + (widget->isEnabled() ? QStringLiteral("+") : QStringLiteral("-")));
        }
        return false;
    }
    QStringList log;
};

QString readText(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("<missing>");
    return QString::fromUtf8(file.readAll());
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
    void initTestCase();

    void startUp();
    void startUpWithExistingHistory();
    void startUpWithReadOnlyProgramFolder();
    void windowFrame();
    void controls_data();
    void controls();
    void textsFit();
    void tabOrder();
    void enterPressesButtons();

    void inputCount_data();
    void inputCount();
    void hiddenCount_data();
    void hiddenCount();
    void hiddenAfterInput();
    void realParameters_data();
    void realParameters();
    void setNewNS();
    void newNetworkAfterStart();
    void backgroundClicksDoNothing();

    void melodyFields_data();
    void melodyFields();
    void continuationFieldIsDisplayOnly();

    void playButtons_data();
    void playButtons();
    void playWithFullHistory();
    void playFailureIsReported();

    void training();
    void trainingRefusesTooLargeShape();
    void newNetworkAfterTraining();
    void predictNote();
    void continueMelody_data();
    void continueMelody();

    void saveNetwork_data();
    void saveNetwork();
    void saveCancelled();
    void loadNetwork();
    void loadWideNetwork();
    void loadBrokenFile_data();
    void loadBrokenFile();

private:
    std::shared_ptr<const FormulaLibrary> library_;
};

void TestFrmMain::initTestCase() {
    library_ = FormulaLibrary::loadBesideProgram();
}

// ---------------------------------------------------------------- start-up

void TestFrmMain::startUp() {
    Rig rig(library_);
    frmMain& w = rig.open();

    QCOMPARE(rig.text("txtInput"), std::string("8"));
    QCOMPARE(rig.text("txtHidden"), std::string("3"));
    QCOMPARE(rig.text("txtAlpha"), std::string("1"));
    QCOMPARE(rig.text("Text3"), std::string("1"));
    QCOMPARE(rig.text("Text4"), std::string("10000"));
    QCOMPARE(rig.text("Text6"), std::string("12"));
    QCOMPARE(rig.text("Text2(0)"), std::string(DefaultCommandText));
    QCOMPARE(rig.text("Text1(1)"), std::string());
    QCOMPARE(rig.text("Text2(1)"), std::string());
    for (const char* name : {"txtInput", "txtHidden", "txtAlpha", "Text3", "Text4"})
        QVERIFY2(rig.field(name)->isEnabled(), name);

    QCOMPARE(rig.state.InputCount, 8);
    QCOMPARE(rig.state.HiddenCount, 3);
    QCOMPARE(rig.state.Alpha, 1.0);
    QCOMPARE(rig.state.LearnStep, 1.0);
    QVERIFY(rig.state.NSChanged);
    QVERIFY(!w.NSTrained());
    QCOMPARE(rig.state.MelodyLen, 11);
    QCOMPARE(int(rig.state.NoteLen), 8);
    QCOMPARE(rig.state.PauseLen, 8);
    QCOMPARE(rig.state.ContLen, 0);
    QVERIFY(rig.state.OutNeuron);
    QVERIFY(!rig.state.OutNeuron->AutoOperate());
    QVERIFY(rig.state.HiddenLayer.size() <= 1); // layers are built lazily

    const std::string history = JoinPath(rig.files.programFolder(), "History");
    QVERIFY(QFileInfo(QString::fromStdString(history)).isDir());
    QCOMPARE(w.historyFolder(), history);
    QCOMPARE(w.focusWidget(), rig.field("Text1(0)"));
    QVERIFY(rig.messages.shown.empty());
}

void TestFrmMain::startUpWithExistingHistory() {
    Rig rig(library_);
    const std::string history = JoinPath(rig.files.programFolder(), "History");
    QVERIFY(QDir().mkpath(QString::fromStdString(history)));
    writeText(JoinPath(history, "000.cmd"), "l8 o1 c\r\n");

    frmMain& w = rig.open();
    QCOMPARE(w.historyFolder(), history);
    QCOMPARE(readText(JoinPath(history, "000.cmd")), QStringLiteral("l8 o1 c\r\n"));
    QCOMPARE(rig.text("txtHidden"), std::string("3"));
    QCOMPARE(rig.text("Text2(0)"), std::string(DefaultCommandText));
    QVERIFY(rig.messages.shown.empty());
}

void TestFrmMain::startUpWithReadOnlyProgramFolder() {
    Rig rig(library_, QLocale::c(), true);
    frmMain& w = rig.open();
    QCOMPARE(w.historyFolder(), JoinPath(rig.files.userDataFolder(), "History"));
    QCOMPARE(rig.state.InputCount, 8);
    QVERIFY(rig.messages.shown.empty());
}

// ---------------------------------------------------------------- layout

void TestFrmMain::windowFrame() {
    Rig rig(library_);
    frmMain& w = rig.open();
    QCOMPARE(w.windowTitle(), QStringLiteral("Предсказание нот - Лабораторная работа по ЖБХ"));
    QCOMPARE(frmMain::applicationTitle(), QStringLiteral("Предсказание нот"));
    QCOMPARE(w.size(), QSize(530, 393));
    QCOMPARE(w.minimumSize(), w.maximumSize());
    QVERIFY(w.windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
    const QList<QSize> sizes = w.windowIcon().availableSizes();
    QVERIFY(sizes.contains(QSize(16, 16)));
    QVERIFY(sizes.contains(QSize(32, 32)));
    QVERIFY(rig.button("Command1")->isDefault());
}

void TestFrmMain::controls_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<int>("maxLength");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("readOnly");

    const QString frame = QStringLiteral("QGroupBox"), button = QStringLiteral("QPushButton"),
                  field = QStringLiteral("QLineEdit"), label = QStringLiteral("QLabel"),
                  window = QStringLiteral("frmMain");
    const int none = 32767;
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
    Q_UNUSED(window);
}

void TestFrmMain::controls() {
    QFETCH(QString, kind);
    QFETCH(QString, parent);
    QFETCH(QString, text);
    QFETCH(QString, toolTip);
    QFETCH(QRect, twips);
    QFETCH(int, maxLength);
    QFETCH(bool, enabled);
    QFETCH(bool, readOnly);

    Rig rig(library_);
    rig.open();
    QWidget* control = rig.control(QTest::currentDataTag());
    QCOMPARE(QString::fromLatin1(control->metaObject()->className()), kind);
    QCOMPARE(control->parentWidget()->objectName(), parent);
    const QRect expected(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15);
    QCOMPARE(control->geometry(), expected);
    QCOMPARE(control->toolTip(), toolTip);
    QCOMPARE(control->isEnabled(), enabled);

    if (auto* f = qobject_cast<QLineEdit*>(control)) {
        QCOMPARE(f->text(), text);
        if (maxLength < 32767) {
            // The limit holds for typing only; a text the program writes stays whole.
            f->clear();
            QTest::keyClicks(f, QString(maxLength + 2, QLatin1Char('1')));
            QCOMPARE(f->text().size(), maxLength);
            f->setText(QString(maxLength + 2, QLatin1Char('2')));
            QCOMPARE(f->text().size(), maxLength + 2);
        }
        QCOMPARE(f->isReadOnly(), readOnly);
        QVERIFY(f->focusPolicy() & Qt::TabFocus);
    } else if (auto* b = qobject_cast<QPushButton*>(control)) {
        QCOMPARE(b->text(), text);
        QVERIFY(b->focusPolicy() & Qt::TabFocus);
    } else if (auto* l = qobject_cast<QLabel*>(control)) {
        QCOMPARE(l->text(), text);
        QCOMPARE(l->focusPolicy(), Qt::NoFocus);
    } else if (auto* g = qobject_cast<QGroupBox*>(control)) {
        QCOMPARE(g->title(), text);
        QCOMPARE(g->focusPolicy(), Qt::NoFocus);
    }
}

void TestFrmMain::textsFit() {
    Rig rig(library_);
    frmMain& w = rig.open();
    w.show();
    for (auto* b : w.findChildren<QPushButton*>()) {
        QStyleOptionButton option;
        option.initFrom(b);
        option.text = b->text();
        const QRect contents = b->style()->subElementRect(QStyle::SE_PushButtonContents, &option, b);
        QVERIFY2(b->fontMetrics().horizontalAdvance(b->text()) <= contents.width(), qPrintable(b->objectName()));
    }
    for (auto* l : w.findChildren<QLabel*>()) {
        QVERIFY2(l->fontMetrics().horizontalAdvance(l->text()) <= l->contentsRect().width(),
                 qPrintable(l->objectName()));
    }
    for (auto* f : w.findChildren<QLineEdit*>()) {
        QStyleOptionFrame option;
        option.initFrom(f);
        option.lineWidth = f->hasFrame() ? f->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, f) : 0;
        const QRect contents = f->style()->subElementRect(QStyle::SE_LineEditContents, &option, f);
        const int drawable = contents.width() - f->textMargins().left() - f->textMargins().right() - 4;
        QVERIFY2(f->fontMetrics().horizontalAdvance(f->text()) <= drawable, qPrintable(f->objectName()));
    }
    for (auto* g : w.findChildren<QGroupBox*>()) {
        QStyleOptionGroupBox option;
        option.initFrom(g);
        option.text = g->title();
        option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
        const QRect title = g->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, g);
        QVERIFY2(g->fontMetrics().horizontalAdvance(g->title()) <= title.width(), qPrintable(g->objectName()));
        QVERIFY2(title.right() < g->width(), qPrintable(g->objectName()));
        for (auto* child : g->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            QVERIFY2(title.bottom() < child->y(), qPrintable(child->objectName()));
    }
}

void TestFrmMain::tabOrder() {
    Rig rig(library_);
    frmMain& w = rig.open();
    w.show();
    QApplication::setActiveWindow(&w);
    QVERIFY(QTest::qWaitForWindowActive(&w));
    rig.field("Text1(0)")->setFocus();

    // Table order by tab position; Text2(0) and Text2(1) are disabled and skipped.
    const QStringList expected = {"Text1(1)", "Command1", "Text5",    "Text6",    "Text7",     "Command2",
                                  "Command3", "Command5", "Command4", "mnSave",   "mnOpen",    "Command8",
                                  "Text3",    "txtInput", "txtHidden", "txtAlpha", "Command9", "Text4",
                                  "Text1(0)"};
    QStringList visited;
    for (qsizetype i = 0; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(visited, expected);
}

void TestFrmMain::enterPressesButtons() {
    Rig rig(library_);
    frmMain& w = rig.open();
    w.show();
    QApplication::setActiveWindow(&w);
    QVERIFY(QTest::qWaitForWindowActive(&w));

    QSignalSpy play(rig.button("Command1"), &QPushButton::clicked);
    QSignalSpy fresh(rig.button("Command9"), &QPushButton::clicked);
    rig.field("Text1(0)")->setFocus();
    QTest::keyClick(rig.field("Text1(0)"), Qt::Key_Return);
    QCOMPARE(play.count(), 1);
    rig.button("Command9")->setFocus();
    QTest::keyClick(rig.button("Command9"), Qt::Key_Return);
    QCOMPARE(fresh.count(), 1);
    QCOMPARE(play.count(), 1);
}

// ---------------------------------------------------------------- parameters

void TestFrmMain::inputCount_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("inputCount");
    QTest::addColumn<int>("hiddenCount");

    QTest::newRow("8") << "8" << 8 << 3;
    QTest::newRow("1") << "1" << 2 << 1;
    QTest::newRow("0") << "0" << 2 << 1;
    QTest::newRow("-5") << "-5" << 2 << 1;
    QTest::newRow("empty") << "" << 2 << 1;
    QTest::newRow("abc") << "abc" << 2 << 1;
    QTest::newRow("3.5 to even 4") << "3.5" << 4 << 2;
    QTest::newRow("2.5 to even 2") << "2.5" << 2 << 1;
    QTest::newRow("3") << "3" << 3 << 1;
    QTest::newRow("4 exact power") << "4" << 4 << 2;
    QTest::newRow("7") << "7" << 7 << 2;
    QTest::newRow("16 exact power") << "16" << 16 << 4;
    QTest::newRow("512 exact power") << "512" << 512 << 9;
    QTest::newRow("999") << "999" << 999 << 9;
    QTest::newRow("1e3") << "1e3" << 1000 << 9;
    QTest::newRow("9e9 saturates") << "9e9" << std::numeric_limits<int32_t>::max() << 30;
    QTest::newRow("-99 limited") << "-99" << 2 << 1;
}

void TestFrmMain::inputCount() {
    QFETCH(QString, typed);
    QFETCH(int, inputCount);
    QFETCH(int, hiddenCount);

    Rig rig(library_);
    rig.open();
    rig.type("txtHidden", "7");
    rig.type("txtInput", "9"); // so that every row is a change
    rig.field("txtInput")->setText(typed);
    QCOMPARE(rig.state.InputCount, inputCount);
    QCOMPARE(rig.state.HiddenCount, hiddenCount);
    QCOMPARE(rig.field("txtHidden")->text(), QString::number(hiddenCount));
    QCOMPARE(rig.field("txtInput")->text(), typed);
    QVERIFY(rig.messages.shown.empty());
}

void TestFrmMain::hiddenCount_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("hiddenCount");
    QTest::newRow("0") << "0" << 1;
    QTest::newRow("-3") << "-3" << 1;
    QTest::newRow("ab") << "ab" << 1;
    QTest::newRow("5") << "5" << 5;
    QTest::newRow(".5 to even 0") << ".5" << 1;
    QTest::newRow("-1") << "-1" << 1;
    QTest::newRow("99") << "99" << 99;
}

void TestFrmMain::hiddenCount() {
    QFETCH(QString, typed);
    QFETCH(int, hiddenCount);
    Rig rig(library_);
    rig.open();
    rig.field("txtHidden")->setText(typed);
    QCOMPARE(rig.state.HiddenCount, hiddenCount);
    QCOMPARE(rig.state.InputCount, 8);
    QCOMPARE(rig.field("txtHidden")->text(), typed);
}

void TestFrmMain::hiddenAfterInput() {
    Rig rig(library_);
    rig.open();
    rig.type("txtHidden", "5");
    QCOMPARE(rig.state.HiddenCount, 5);
    rig.type("txtInput", "16");
    QCOMPARE(rig.state.HiddenCount, 4);
    QCOMPARE(rig.text("txtHidden"), std::string("4"));
}

void TestFrmMain::realParameters_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("alpha");
    QTest::addColumn<double>("learnStep");

    const QLocale c = QLocale::c(), german(QLocale::German);
    QTest::newRow("alpha 0.5") << c << "txtAlpha" << "0.5" << 0.5 << 1.0;
    QTest::newRow("step 2") << c << "Text3" << "2" << 1.0 << 2.0;
    QTest::newRow("step -1") << c << "Text3" << "-1" << 1.0 << -1.0;
    QTest::newRow("alpha comma locale 2,5") << german << "txtAlpha" << "2,5" << 2.5 << 1.0;
    QTest::newRow("step comma locale 0,25") << german << "Text3" << "0,25" << 1.0 << 0.25;
    QTest::newRow("step falls back to the leading number") << german << "Text3" << "3x" << 1.0 << 3.0;
}

void TestFrmMain::realParameters() {
    QFETCH(QLocale, locale);
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(double, alpha);
    QFETCH(double, learnStep);
    Rig rig(library_, locale);
    rig.open();
    rig.field(field.toUtf8().constData())->setText(typed);
    QCOMPARE(rig.state.Alpha, alpha);
    QCOMPARE(rig.state.LearnStep, learnStep);
    QCOMPARE(rig.field(field.toUtf8().constData())->text(), typed);
}

void TestFrmMain::setNewNS() {
    Rig rig(library_);
    frmMain& w = rig.open();
    w.SetNewNS(false);
    QVERIFY(!rig.state.NSChanged);
    for (const char* name : {"txtInput", "txtHidden", "txtAlpha"})
        QVERIFY2(!rig.field(name)->isEnabled(), name);
    QVERIFY(rig.field("Text3")->isEnabled());
    QVERIFY(rig.field("Text4")->isEnabled());

    w.SetNewNS(true);
    QVERIFY(rig.state.NSChanged);
    for (const char* name : {"txtInput", "txtHidden", "txtAlpha"})
        QVERIFY2(rig.field(name)->isEnabled(), name);
    QCOMPARE(rig.text("txtInput"), std::string("8"));
    QCOMPARE(rig.text("txtHidden"), std::string("3"));
    QCOMPARE(rig.text("txtAlpha"), std::string("1"));
}

namespace {

// Texts and enabled states of every field, for "nothing changed" checks.
QStringList snapshot(const frmMain& w) {
    QStringList list;
    for (auto* f : w.findChildren<QLineEdit*>())
        list << f->objectName() + '=' + f->text() + (f->isEnabled() ? "" : " (off)");
    return list;
}

} // namespace

void TestFrmMain::newNetworkAfterStart() {
    Rig rig(library_);
    frmMain& w = rig.open();
    const QStringList before = snapshot(w);
    QTest::mouseClick(rig.button("Command9"), Qt::LeftButton);
    QCOMPARE(snapshot(w), before);
    QVERIFY(rig.state.NSChanged);
    QVERIFY(!w.NSTrained());
    QVERIFY(rig.messages.shown.empty());
}

void TestFrmMain::backgroundClicksDoNothing() {
    Rig rig(library_);
    frmMain& w = rig.open();
    w.show();
    const QStringList before = snapshot(w);
    QTest::mouseClick(&w, Qt::LeftButton, {}, QPoint(3, 3));
    QTest::mouseDClick(rig.control("Frame4"), Qt::LeftButton, {}, QPoint(400, 70));
    QCOMPARE(snapshot(w), before);
    QVERIFY(rig.state.NSChanged);
    QVERIFY(rig.messages.shown.empty());
    QVERIFY(rig.starter.starts.empty());
}

// ---------------------------------------------------------------- melody

void TestFrmMain::melodyFields_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("commandText");
    QTest::addColumn<QString>("notes");

    QTest::newRow("melody 1,3,15") << "Text1(0)" << "1, 3, 15" << "l8  p8 o1 c# o2 c#" << "3";
    QTest::newRow("empty melody") << "Text1(0)" << "" << "l8 " << "1";
    QTest::newRow("trailing comma") << "Text1(0)" << "3, 8," << "l8 o1 c# f# p8" << "3";
    QTest::newRow("note length 16") << "Text5" << "16" << "l16 o1 c# f# a c# f# a d f# g# p8 f# g#" << "12";
    QTest::newRow("note length 65 falls back") << "Text5" << "65" << DefaultCommandText << "12";
    QTest::newRow("pause 4") << "Text7" << "4" << "l8 o1 c# f# a c# f# a d f# g# p4 f# g#" << "12";
    QTest::newRow("pause 0 falls back") << "Text7" << "0" << DefaultCommandText << "12";
}

void TestFrmMain::melodyFields() {
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, commandText);
    QFETCH(QString, notes);
    Rig rig(library_);
    rig.open();
    rig.field(field.toUtf8().constData())->setText(typed);
    QCOMPARE(rig.field("Text2(0)")->text(), commandText);
    QCOMPARE(rig.field("Text6")->text(), notes);
    QCOMPARE(rig.field(field.toUtf8().constData())->text(), typed);
}

void TestFrmMain::continuationFieldIsDisplayOnly() {
    Rig rig(library_);
    frmMain& w = rig.open();
    rig.type("Text6", "5");
    const QStringList before = snapshot(w);
    rig.type("Text1(1)", "9, 9");
    QStringList after = snapshot(w);
    after.replaceInStrings(QStringLiteral("Text1(1)=9, 9"), QStringLiteral("Text1(1)="));
    QCOMPARE(after, before);
    QCOMPARE(rig.state.MelodyLen, 11);
}

// ---------------------------------------------------------------- play buttons

void TestFrmMain::playButtons_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("played");
    QTest::newRow("Command1 all") << "Command1" << QString(DefaultCommandText) + ' ';
    QTest::newRow("Command2 beginning") << "Command2" << QString(DefaultCommandText);
    QTest::newRow("Command3 empty continuation") << "Command3" << QString();
}

void TestFrmMain::playButtons() {
    QFETCH(QString, button);
    QFETCH(QString, played);
    Rig rig(library_);
    rig.open();
    QTest::mouseClick(rig.button(button.toUtf8().constData()), Qt::LeftButton);

    const std::string history = JoinPath(rig.files.programFolder(), "History");
    QCOMPARE(readText(JoinPath(history, "000.cmd")), played + "\r\n");
    QCOMPARE(rig.starter.starts.size(), size_t{1});
    QCOMPARE(rig.starter.starts[0].program, JoinPath(rig.files.programFolder(), PlayerFileName()));
    QCOMPARE(rig.starter.starts[0].arguments, std::vector<std::string>{"000.cmd"});
    QVERIFY(rig.messages.shown.empty());

    QTest::mouseClick(rig.button(button.toUtf8().constData()), Qt::LeftButton);
    QCOMPARE(rig.starter.starts.size(), size_t{2});
    QCOMPARE(rig.starter.starts[1].arguments, std::vector<std::string>{"001.cmd"});
}

void TestFrmMain::playWithFullHistory() {
    Rig rig(library_);
    rig.open();
    const std::string history = JoinPath(rig.files.programFolder(), "History");
    for (int n = 0; n < CmdFileCount; ++n)
        writeText(JoinPath(history, CmdFileName(n)), "x");
    QTest::mouseClick(rig.button("Command2"), Qt::LeftButton);
    QCOMPARE(rig.messages.shown.size(), size_t{1});
    QCOMPARE(rig.messages.shown[0].text, std::string("Пожалуйста, почистите папку с историей команд"));
    QVERIFY(rig.starter.starts.empty());
    QCOMPARE(readText(JoinPath(history, "000.cmd")), QStringLiteral("x"));
}

void TestFrmMain::playFailureIsReported() {
    Rig rig(library_);
    rig.open();
    rig.starter.failure = "no such program";
    QTest::mouseClick(rig.button("Command2"), Qt::LeftButton);
    QCOMPARE(rig.messages.shown.size(), size_t{1});
    QCOMPARE(rig.messages.shown[0].icon, MessageIcon::Warning);
    QVERIFY(rig.messages.shown[0].text.find("no such program") != std::string::npos);
}

// ---------------------------------------------------------------- training and prediction

void TestFrmMain::training() {
    Rig rig(library_);
    frmMain& w = rig.open();
    rig.type("Text4", "400");

    EnableRecorder recorder;
    const char* const locked[] = {"Text3", "Text4", "Command4", "Command9", "Command5", "Command8", "mnSave", "mnOpen"};
    for (const char* name : locked)
        rig.control(name)->installEventFilter(&recorder);
    bool lockedDuringBox = true;
    rig.messages.onShow = [&](const FakeMessageBox::Shown&) { lockedDuringBox = !rig.control("Command4")->isEnabled(); };

    QTest::mouseClick(rig.button("Command4"), Qt::LeftButton);

    QStringList expected;
    for (const char* name : locked)
        expected << QString::fromLatin1(name) + '-';
    for (const char* name : locked)
        expected << QString::fromLatin1(name) + '+';
    QCOMPARE(recorder.log, expected);
    QVERIFY(!lockedDuringBox);
    QCOMPARE(rig.messages.shown.size(), size_t{1});
    QCOMPARE(rig.messages.shown[0].text,
             std::string("Рекомендуется выполнять операцию многократно, пока не будет достигнут результат."));
    QCOMPARE(rig.messages.shown[0].icon, MessageIcon::Information);
    QVERIFY(w.NSTrained());
    QVERIFY(!rig.state.NSChanged);
    QCOMPARE(int(rig.state.HiddenLayer.size()), 1 + 3);
    for (const char* name : {"txtInput", "txtHidden", "txtAlpha"})
        QVERIFY2(!rig.field(name)->isEnabled(), name);
    QVERIFY(QApplication::overrideCursor() == nullptr);

    // A second click trains on and advises no more.
    QTest::mouseClick(rig.button("Command4"), Qt::LeftButton);
    QCOMPARE(rig.messages.shown.size(), size_t{1});
}

void TestFrmMain::trainingRefusesTooLargeShape() {
    Rig rig(library_);
    frmMain& w = rig.open();
    rig.type("txtInput", "9e9");
    QTest::mouseClick(rig.button("Command4"), Qt::LeftButton);
    QCOMPARE(rig.messages.shown.size(), size_t{1});
    QCOMPARE(rig.messages.shown[0].icon, MessageIcon::Warning);
    QVERIFY(rig.state.NSChanged);
    QVERIFY(rig.field("txtInput")->isEnabled());
    QVERIFY(rig.button("Command4")->isEnabled());
    QVERIFY(!w.NSTrained());
}

void TestFrmMain::newNetworkAfterTraining() {
    Rig rig(library_);
    frmMain& w = rig.open();
    rig.type("Text4", "40");
    QTest::mouseClick(rig.button("Command4"), Qt::LeftButton);
    QVERIFY(w.NSTrained());
    QTest::mouseClick(rig.button("Command9"), Qt::LeftButton);
    QVERIFY(!w.NSTrained());
    QVERIFY(rig.state.NSChanged);
    for (const char* name : {"txtInput", "txtHidden", "txtAlpha"})
        QVERIFY2(rig.field(name)->isEnabled(), name);
    rig.messages.shown.clear();
    QTest::mouseClick(rig.button("Command5"), Qt::LeftButton);
    QCOMPARE(rig.messages.shown.size(), size_t{2});
    QCOMPARE(rig.messages.shown[0].text, std::string("Нейронная сеть не обучена."));
}

void TestFrmMain::predictNote() {
    Rig rig(library_);
    frmMain& w = rig.open();
    QTest::mouseClick(rig.button("Command5"), Qt::LeftButton);
    QCOMPARE(rig.messages.shown.size(), size_t{2});
    QCOMPARE(rig.messages.shown[0].text, std::string("Нейронная сеть не обучена."));
    QCOMPARE(rig.messages.shown[0].icon, MessageIcon::Warning);
    QCOMPARE(rig.messages.shown[1].icon, MessageIcon::None);
    bool ok = false;
    const int code = QString::fromStdString(rig.messages.shown[1].text).toInt(&ok);
    QVERIFY(ok);
    QVERIFY(code >= 1 && code <= 49);
    QVERIFY(!rig.state.NSChanged);
    QVERIFY(!rig.field("txtInput")->isEnabled());
    QVERIFY(!w.NSTrained());

    rig.type("Text4", "40");
    QTest::mouseClick(rig.button("Command4"), Qt::LeftButton);
    rig.messages.shown.clear();
    QTest::mouseClick(rig.button("Command5"), Qt::LeftButton);
    QCOMPARE(rig.messages.shown.size(), size_t{1});
    QCOMPARE(rig.messages.shown[0].icon, MessageIcon::None);
}

void TestFrmMain::continueMelody_data() {
    QTest::addColumn<QString>("count");
    QTest::addColumn<int>("contLen");
    QTest::addColumn<int>("messages"); // after the untrained warning
    QTest::newRow("default 12") << "12" << 12 << 0;
    QTest::newRow("0 notes") << "0" << 0 << 0;
    QTest::newRow("negative") << "-4" << 0 << 0;
    QTest::newRow("not a number") << "x" << 0 << 0;
    QTest::newRow("1012 fills the buffer") << "1012" << 1012 << 0;
    QTest::newRow("2000 is cut to the buffer") << "2000" << 1012 << 1;
}

void TestFrmMain::continueMelody() {
    QFETCH(QString, count);
    QFETCH(int, contLen);
    QFETCH(int, messages);
    Rig rig(library_);
    rig.open();
    rig.field("Text6")->setText(count);
    QTest::mouseClick(rig.button("Command8"), Qt::LeftButton);

    QCOMPARE(int(rig.messages.shown.size()), 1 + messages);
    QCOMPARE(rig.messages.shown[0].text, std::string("Нейронная сеть не обучена."));
    QCOMPARE(rig.state.ContLen, contLen);
    const QString listed = rig.field("Text1(1)")->text();
    QCOMPARE(listed.isEmpty() ? 0 : int(listed.split(QStringLiteral(", ")).size()), contLen);
    for (const QString& item : listed.split(QStringLiteral(", "), Qt::SkipEmptyParts)) {
        const int code = item.toInt();
        QVERIFY(code >= 1 && code <= 49);
    }
    QVERIFY(rig.field("Text2(1)")->text().startsWith(QStringLiteral("l8")));
    QCOMPARE(rig.state.MelodyLen, 11);
    QCOMPARE(rig.field("Text6")->text(), count);
    QCOMPARE(rig.field("Text2(0)")->text(), QString(DefaultCommandText));
}

// ---------------------------------------------------------------- network files

void TestFrmMain::saveNetwork_data() {
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("written");
    QTest::newRow("no dot gets .qvl") << "cwd/net" << "cwd/net.qvl";
    QTest::newRow("extension kept") << "cwd/net.txt" << "cwd/net.txt";
    QTest::newRow("dot in folder only") << "cwd/a.b/net" << "cwd/a.b/net";
}

void TestFrmMain::saveNetwork() {
    QFETCH(QString, chosen);
    QFETCH(QString, written);
    Rig rig(library_);
    rig.open();
    QDir().mkpath(QString::fromStdString(rig.files.path(QStringLiteral("cwd/a.b"))));
    rig.dialogs.saveAnswer = rig.files.path(chosen);
    QTest::mouseClick(rig.button("mnSave"), Qt::LeftButton);

    QCOMPARE(rig.dialogs.saveCalls, 1);
    QCOMPARE(rig.dialogs.lastOptions.title, std::string("Сохранение нейронной сети"));
    QCOMPARE(rig.dialogs.lastOptions.initialFolder, rig.files.currentFolder());
    QVERIFY(rig.dialogs.lastOptions.overwritePrompt);
    QVERIFY(rig.messages.shown.empty());
    const QStringList lines = readText(rig.files.path(written)).split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 35 + 1);
    QCOMPARE(lines.mid(0, 4), QStringList({" 8", " 3", " 1", " 1"}));
    QVERIFY(!rig.state.NSChanged);
    QVERIFY(!rig.field("txtInput")->isEnabled());
}

void TestFrmMain::saveCancelled() {
    Rig rig(library_);
    rig.open();
    QTest::mouseClick(rig.button("mnSave"), Qt::LeftButton);
    QTest::mouseClick(rig.button("mnOpen"), Qt::LeftButton);
    QCOMPARE(rig.dialogs.saveCalls, 1);
    QCOMPARE(rig.dialogs.openCalls, 1);
    QVERIFY(rig.state.NSChanged);
    QVERIFY(rig.field("txtInput")->isEnabled());
    QVERIFY(rig.messages.shown.empty());
    QVERIFY(QDir(QString::fromStdString(rig.files.currentFolder())).isEmpty());
}

void TestFrmMain::loadNetwork() {
    Rig rig(library_);
    frmMain& w = rig.open();
    rig.type("Text3", "3");
    // 8 inputs, 5 hidden: 5 + 10 + 40 lines.
    QByteArray file = " 8\r\n 5\r\n .5\r\n .25\r\n .125\r\n";
    for (int k = 0; k < 5; ++k)
        file += " .0625\r\n";
    for (int k = 0; k < 5; ++k) {
        file += "-.5\r\n";
        for (int j = 0; j < 8; ++j)
            file += " .75\r\n";
    }
    writeText(rig.files.path(QStringLiteral("cwd/eight-five.qvl")), file);
    rig.dialogs.openAnswer = rig.files.path(QStringLiteral("cwd/eight-five.qvl"));
    QTest::mouseClick(rig.button("mnOpen"), Qt::LeftButton);

    QCOMPARE(rig.dialogs.lastOptions.title, std::string("Загрузка нейронной сети"));
    QVERIFY(rig.messages.shown.empty());
    QCOMPARE(rig.text("txtInput"), std::string("8"));
    QCOMPARE(rig.text("txtHidden"), std::string("5"));
    QCOMPARE(rig.text("txtAlpha"), std::string("0.5"));
    QCOMPARE(rig.text("Text3"), std::string("0.25"));
    QCOMPARE(rig.state.InputCount, 8);
    QCOMPARE(rig.state.HiddenCount, 5);
    QCOMPARE(rig.state.Alpha, 0.5);
    QCOMPARE(rig.state.LearnStep, 0.25);
    QCOMPARE(int(rig.state.HiddenLayer.size()), 1 + 5);
    QCOMPARE(rig.state.OutNeuron->Displacing(), 0.125);
    QCOMPARE(rig.state.HiddenLayer[5]->iWeight(8), 0.75);
    QVERIFY(!rig.state.NSChanged);
    QVERIFY(!rig.field("txtInput")->isEnabled());
    QVERIFY(w.NSTrained());

    // A loaded network counts as trained: no warning before the prediction.
    QTest::mouseClick(rig.button("Command5"), Qt::LeftButton);
    QCOMPARE(rig.messages.shown.size(), size_t{1});
}

void TestFrmMain::loadWideNetwork() {
    // More input neurons than three typed characters can name ("1e3" can).
    Rig rig(library_);
    rig.open();
    QByteArray file = " 1000\r\n 1\r\n 1\r\n 1\r\n 0\r\n .5\r\n 0\r\n";
    for (int j = 0; j < 1000; ++j)
        file += " .001\r\n";
    writeText(rig.files.path(QStringLiteral("cwd/wide.qvl")), file);
    rig.dialogs.openAnswer = rig.files.path(QStringLiteral("cwd/wide.qvl"));
    QTest::mouseClick(rig.button("mnOpen"), Qt::LeftButton);

    QVERIFY(rig.messages.shown.empty());
    QCOMPARE(rig.text("txtInput"), std::string("1000"));
    QCOMPARE(rig.text("txtHidden"), std::string("1"));
    QCOMPARE(rig.state.InputCount, 1000);
    QCOMPARE(rig.state.HiddenCount, 1);
    QCOMPARE(int(rig.state.InLayer.size()), 1 + 1000);
}

void TestFrmMain::loadBrokenFile_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("not a number") << QByteArray(" 8\r\n 3\r\n x\r\n");
    QTest::newRow("ends early") << QByteArray(" 8\r\n 3\r\n 1\r\n 1\r\n 0\r\n");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("input count below 2") << QByteArray(" 1\r\n 1\r\n 1\r\n 1\r\n 0\r\n 0\r\n 0\r\n 0\r\n");
}

void TestFrmMain::loadBrokenFile() {
    QFETCH(QByteArray, file);
    Rig rig(library_);
    frmMain& w = rig.open();
    writeText(rig.files.path(QStringLiteral("cwd/broken.qvl")), file);
    rig.dialogs.openAnswer = rig.files.path(QStringLiteral("cwd/broken.qvl"));
    const QStringList before = snapshot(w);
    QTest::mouseClick(rig.button("mnOpen"), Qt::LeftButton);

    QCOMPARE(rig.messages.shown.size(), size_t{1});
    QCOMPARE(rig.messages.shown[0].icon, MessageIcon::Warning);
    QCOMPARE(snapshot(w), before);
    QCOMPARE(rig.state.InputCount, 8);
    QCOMPARE(rig.state.HiddenCount, 3);
    QVERIFY(rig.state.NSChanged);
    QVERIFY(!w.NSTrained());
}

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
