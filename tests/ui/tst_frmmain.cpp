#include "WindowRig.h"

#include <QGroupBox>
#include <QHelpEvent>
#include <QLabel>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTimer>
#include <QToolTip>
#include <QWindow>

#include <cmath>

// The window's wiring: every rule it hands on is tested in tst_session and below.
class TestFrmMain : public QObject {
    Q_OBJECT

private slots:
    // The window as it opens: its caption, the title of its message boxes, a fixed size, the derived fields showing
    // the session's values; every caption fits the room the style leaves it, a frame's title above its controls;
    // hovering over a melody field names its notes; disabled text, such as the command texts, reads at 4.5:1 or more.
    void startUp() {
        WindowRig rig;
        frmMain& w = rig.window;
        QCOMPARE(w.windowTitle(), QStringLiteral("Предсказание нот - Лабораторная работа по ЖБХ"));
        QCOMPARE(frmMain::applicationTitle(), QStringLiteral("Предсказание нот"));
        QCOMPARE(w.size(), QSize(530, 393));
        QVERIFY(w.minimumSize() == w.maximumSize() && !(w.windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(w.windowIcon().availableSizes(), QList<QSize>({QSize(16, 16), QSize(32, 32)}));
        QCOMPARE(w.focusWidget(), rig.field("Text1(0)"));
        QVERIFY(rig.control<QPushButton>("Command1")->isDefault());
        QCOMPARE(rig.text("txtHidden") + rig.text("Text6"), QStringLiteral("312"));
        QCOMPARE(rig.text("Text2(0)").toStdString(), rig.session.CommandText(app::MelodyPart::Beginning));
        QVERIFY(rig.field("Text1(1)")->isReadOnly() && !rig.field("Text2(0)")->isEnabled());
        QVERIFY(rig.messages.shown.empty());
        w.show();
        for (auto* button : w.findChildren<QPushButton*>()) {
            QStyleOptionButton option;
            option.initFrom(button);
            const int room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).width();
            QVERIFY2(button->fontMetrics().horizontalAdvance(button->text()) <= room, qPrintable(button->text()));
        }
        for (auto* label : w.findChildren<QLabel*>())
            QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->width(),
                     qPrintable(label->text()));
        for (auto* frame : w.findChildren<QGroupBox*>()) {
            QVERIFY(frame->fontMetrics().horizontalAdvance(frame->title()) < frame->width());
            for (auto* child : frame->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
                QVERIFY2(frame->contentsRect().top() <= child->y(), qPrintable(child->objectName()));
        }
        rig.type("Text1(0)", "2, 13, 1");
        QLineEdit* field = rig.field("Text1(0)");
        QHelpEvent hover(QEvent::ToolTip, QPoint(5, 5), field->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(field, &hover);
        QCOMPARE(QToolTip::text(), QStringLiteral("c1 b1 p"));
        QToolTip::hideText();
        const auto light = [palette = rig.field("Text2(0)")->palette()](QPalette::ColorRole role) {
            const QColor c = palette.color(QPalette::Disabled, role);
            const auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
            return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF()) + 0.05;
        };
        for (const auto text : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
            for (const auto back : {QPalette::Base, QPalette::Window, QPalette::Button})
                QVERIFY(std::max(light(text), light(back)) / std::min(light(text), light(back)) >= 4.5);
    }

    // Tab visits the controls in the window's order, the disabled command texts skipped; Enter in a field presses
    // the default button, on a focused button that one; typing stops at the field's length, a text the program
    // writes stays whole.
    void keyboard() {
        WindowRig rig;
        rig.window.show();
        QApplication::setActiveWindow(&rig.window);
        QVERIFY(QTest::qWaitForWindowActive(&rig.window));
        rig.field("Text1(0)")->setFocus();
        const QStringList expected = {"Text1(1)",  "Command1", "Text5",    "Text6",  "Text7",    "Command2", "Command3",
                                      "Command5",  "Command4", "mnSave",   "mnOpen", "Command8", "Text3",    "txtInput",
                                      "txtHidden", "txtAlpha", "Command9", "Text4",  "Text1(0)"};
        QStringList visited;
        for (qsizetype i = 0; i < expected.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(visited, expected);
        QSignalSpy play(rig.control<QPushButton>("Command1"), &QPushButton::clicked),
            fresh(rig.control<QPushButton>("Command9"), &QPushButton::clicked);
        QTest::keyClick(rig.field("Text1(0)"), Qt::Key_Return);
        rig.control("Command9")->setFocus();
        QTest::keyClick(rig.control("Command9"), Qt::Key_Return);
        QVERIFY(play.count() == 1 && fresh.count() == 1);
        for (const auto& [name, length] :
             {std::pair{"txtInput", 3}, {"txtHidden", 2}, {"Text5", 2}, {"Text6", 4}, {"Text7", 2}}) {
            QLineEdit* field = rig.field(name);
            field->clear();
            QTest::keyClicks(field, QString(length + 2, QLatin1Char('1')));
            QCOMPARE(field->text().size(), length);
            field->setText(QString(length + 2, QLatin1Char('2')));
            QCOMPARE(field->text().size(), length + 2);
        }
    }

    // Each field hands its text to the session, and the fields that follow from it show the session's values; a
    // network loaded while the fields name another shows the file's shape and values.
    void fieldsReachTheSession() {
        WindowRig rig;
        QVERIFY(!rig.session.Save("/tmp/net.qvl").failure);
        rig.type("txtInput", "16");
        QCOMPARE(rig.text("txtHidden"), QStringLiteral("4"));
        rig.type("txtHidden", "5");
        rig.type("txtAlpha", "2");
        rig.type("Text3", "3");
        const app::NetworkShape shape = rig.session.shape();
        QCOMPARE(QList<double>({double(shape.inputCount), double(shape.hiddenCount), shape.alpha, shape.learnStep}),
                 QList<double>({16, 5, 2, 3}));
        rig.type("Text1(0)", "1, 3, 15");
        rig.type("Text5", "16");
        rig.type("Text7", "4");
        const std::string command = rig.session.CommandText(app::MelodyPart::Beginning);
        QVERIFY2(command.starts_with("l16 ") && command.find("p4") != std::string::npos, command.c_str());
        QCOMPARE(rig.text("Text2(0)").toStdString(), command);
        QCOMPARE(rig.text("Text6"), QStringLiteral("3"));
        QVERIFY(rig.messages.shown.empty());
        rig.dialogs.answer = "/tmp/net.qvl";
        rig.click("mnOpen");
        QCOMPARE(rig.dialogs.last.title, std::string("Загрузка нейронной сети"));
        QCOMPARE(QStringList({rig.text("txtInput"), rig.text("txtHidden"), rig.text("txtAlpha"), rig.text("Text3")}),
                 QStringList({"8", "3", "1", "1"}));
        QVERIFY(!rig.field("txtInput")->isEnabled());
    }

    // A melody past the buffer is told once the typing pauses, not at every keystroke while it stays past it.
    void longMelodyIsToldOnce() {
        WindowRig rig;
        const QString long1100 = QString("3, ").repeated(1099) + "3";
        rig.type("Text1(0)", long1100);
        rig.type("Text1(0)", long1100 + ", 4");
        QVERIFY(rig.messages.shown.empty());
        QTRY_COMPARE(rig.shown(), QStringList({"I:Мелодия вмещает не более 1024 нот, а в тексте их 1101: "
                                               "взяты первые 1024."}));
        rig.type("Text1(0)", long1100 + ", 5"); // still cut: told already
        rig.type("Text1(0)", "3, 8");
        rig.type("Text1(0)", long1100);
        rig.type("Text1(0)", "3, 8"); // cut, and mended before the pause: nothing to tell
        QVERIFY(!rig.window.findChild<QTimer*>("truncationNotice")->isActive());
        QCOMPARE(rig.messages.shown.size(), size_t(1));
        rig.type("Text1(0)", long1100);
        QTRY_COMPARE(rig.messages.shown.size(), size_t(2));
    }

    // The three buttons play their parts; a full History is told without an icon, other failures as warnings, and a
    // player that fails soon after its start with what it said, unless the window has closed meanwhile.
    void play() {
        platform::ProcessStarter::EarlyFailure ended;
        {
            WindowRig rig;
            const std::string history = rig.files.program + "/History/";
            using enum app::MelodyPart;
            for (int n = 0; const app::MelodyPart part : {Whole, Beginning, Continuation}) {
                rig.click(QString("Command%1").arg(++n));
                QCOMPARE(rig.files.files[history + "00" + char('0' + n - 1) + ".cmd"],
                         rig.session.CommandText(part) + "\r\n");
            }
            QVERIFY(rig.messages.shown.empty());
            rig.starter.watched(3, "Play: no audio device: none\n");
            QCOMPARE(rig.shown().join('|'), "W:Проигрыватель не смог сыграть мелодию:\nPlay: no audio device: none");
            rig.starter.watched(-1, "");
            QCOMPARE(rig.shown().last(), "W:Проигрыватель не смог сыграть мелодию:\nаварийное завершение");
            ended = rig.starter.watched;
            rig.starter.fail = true;
            rig.click("Command2");
            QVERIFY2(rig.shown().last().startsWith("W:"), qPrintable(rig.shown().last()));
            for (int n = 0; n < 1000; ++n)
                rig.files.files[history + QString::asprintf("%03d.cmd", n).toStdString()] = "x";
            rig.click("Command2");
            QVERIFY2(rig.shown().last().startsWith("N:Пожалуйста, почистите"), qPrintable(rig.shown().last()));
        }
        ended(1, "too late");
    }

    // A network too large is refused; then the advised, locked training, a prediction without a warning, and after
    // "Создать новую" the untrained prediction and continuation: a warning, then the note or the notes.
    void training() {
        WindowRig rig;
        rig.type("txtInput", "9e9");
        rig.click("Command4");
        QVERIFY(rig.messages.shown.size() == 1 && rig.messages.shown[0].starts_with("W:Слишком большая"));
        QVERIFY(rig.field("txtInput")->isEnabled() && rig.control("Command4")->isEnabled());
        rig.type("txtInput", "8");
        rig.type("Text4", "400");
        rig.messages.shown.clear();
        const QStringList locked = {"Text3",    "Text4",    "Command4", "Command9",
                                    "Command5", "Command8", "mnSave",   "mnOpen"};
        QStringList lockedWhileTraining;
        connect(&rig.window, &frmMain::trainingDialogCreated, &rig.window, [&] {
            for (const QString& name : locked)
                if (!rig.control(name)->isEnabled())
                    lockedWhileTraining << name;
        });
        bool lockedDuringBox = true;
        rig.messages.onShow = [&] { lockedDuringBox = !rig.control("Command4")->isEnabled(); };
        rig.click("Command4");
        QCOMPARE(lockedWhileTraining, locked);
        QVERIFY(!lockedDuringBox && QApplication::overrideCursor() == nullptr);
        QCOMPARE(rig.shown(), QStringList({"I:Рекомендуется выполнять операцию многократно, пока не будет "
                                           "достигнут результат."}));
        QVERIFY(rig.window.NSTrained());
        rig.messages.shown.clear();
        rig.click("Command5");
        QCOMPARE(rig.shown(), QStringList({QString("N:%1").arg(rig.session.lastPrediction())}));
        rig.click("Command9");
        rig.click("Command5");
        QCOMPARE(rig.shown().mid(1, 1), QStringList({"W:Нейронная сеть не обучена."}));
        rig.messages.shown.clear();
        rig.type("Text6", "5");
        rig.click("Command8");
        QCOMPARE(rig.shown(), QStringList({"W:Нейронная сеть не обучена."}));
        QCOMPARE(rig.text("Text1(1)").split(", ").size(), 5);
        QCOMPARE(rig.text("Text2(1)").toStdString(), rig.session.CommandText(app::MelodyPart::Continuation));
    }

    // A click that would run for hours shows its dialog; "Отмена", clicked with the mouse through the dialog's own
    // window, stops it after the current iteration, and so does closing the window, which then closes; nothing
    // typed meanwhile reaches the window.
    void longTrainingIsCancelled_data() {
        QTest::addColumn<bool>("closeWindow");
        QTest::newRow("Отмена clicked") << false;
        QTest::newRow("window closed") << true;
    }

    void longTrainingIsCancelled() {
        QFETCH(bool, closeWindow);
        WindowRig rig;
        frmMain& w = rig.window;
        w.show();
        rig.typeMelody(80, 7); // windows the network cannot all reach exactly, so the click would not end early
        rig.type("txtInput", "64");
        rig.type("Text4", "1e99");
        const QString melody = rig.text("Text1(0)");
        connect(&w, &frmMain::trainingDialogCreated, &w, [&](QWidget* dialog) {
            QTimer::singleShot(0, dialog, [&rig, &w, dialog, closeWindow] {
                QTest::keyClicks(rig.field("Text1(0)"), "5");
                if (closeWindow)
                    return void(w.windowHandle()->close());
                dialog->show();
                QVERIFY(QTest::qWaitForWindowExposed(dialog));
                const auto* button = dialog->findChild<QPushButton*>(); // "Отмена"
                QTest::mouseClick(dialog->windowHandle(), Qt::LeftButton, {},
                                  button->mapTo(dialog, button->rect().center()));
            });
        });
        rig.click("Command4");
        QCOMPARE(rig.text("Text1(0)"), melody);
        const app::LearningReport& report = rig.session.lastReport();
        QVERIFY(report.cancelled && report.iterationsRun >= 1 && report.iterationsRun < report.iterationsPerWindow);
        QCoreApplication::processEvents();
        QCOMPARE(w.isVisible(), !closeWindow);
    }

    void saveNetwork_data() {
        QTest::addColumn<bool>("chosen");
        QTest::addColumn<int>("replace"); // -1: no file there; 1/0: the extended file exists, answer yes/no
        QTest::newRow("extended name exists, replace") << true << 1;
        QTest::newRow("extended name exists, keep") << true << 0;
        QTest::newRow("cancelled") << false << -1;
    }

    // The window asks before it replaces the file that the extension rule named.
    void saveNetwork() {
        QFETCH(bool, chosen);
        QFETCH(int, replace);
        WindowRig rig;
        if (chosen)
            rig.dialogs.answer = "/tmp/net";
        if (replace >= 0)
            rig.files.files["/tmp/net.qvl"] = "old\r\n";
        rig.messages.answer = replace != 0;
        rig.click("mnSave");
        QCOMPARE(rig.dialogs.last.title, std::string("Сохранение нейронной сети"));
        QVERIFY(rig.dialogs.last.initialFolder == "/tmp" && rig.dialogs.last.overwritePrompt);
        const QString question = "?:Файл «/tmp/net.qvl» уже существует.\nЗаменить его?";
        QCOMPARE(rig.shown(), replace >= 0 ? QStringList({question}) : QStringList());
        const bool saved = chosen && replace != 0;
        QCOMPARE(rig.field("txtInput")->isEnabled(), !saved);
        if (replace >= 0)
            QCOMPARE(rig.files.files.at("/tmp/net.qvl").starts_with(" 8\r\n 3\r\n"), saved);
    }
};

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
