#include "app/Session.h"
#include "engine/FormulaLibrary.h"
#include "numbers/NumberText.h"
#include "platform/QtFileSystem.h"
#include "platform/QtProcessStarter.h"
#include "plot/PianoRollPainter.h"
#include "ui/PianoRollWidget.h"
#include "ui/TrainingView.h"
#include "ui/ViewActions.h"
#include "ui/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QLineSeries>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

// Records the message boxes as "<icon letter>:<text>".
struct LoggedMessages : platform::MessageBox {
    void show(const std::string& text, platform::MessageIcon icon) override {
        shown << QString("NIWC"[int(icon)]) + ':' + QString::fromStdString(text);
    }
    bool ask(const std::string&) override { return false; }
    QStringList shown;
};

// No file is ever chosen.
struct NoFileDialogs : platform::FileDialogs {
    std::optional<std::string> openFile(const platform::FileDialogOptions&) override { return std::nullopt; }
    std::optional<std::string> saveFile(const platform::FileDialogOptions&) override { return std::nullopt; }
};

// The main window with the view's actions on a session of fixed seed.
struct Rig {
    Rig() : session(FormulaLibrary::loadBesideProgram().value(), files, starter, numbers) {
        session.state().SetSeed(12345);
        window = std::make_unique<frmMain>(session, messages, dialogs, files);
        actions = std::make_unique<ViewActions>(*window, session, messages);
    }
    TrainingView& view() { return actions->view(); }
    QLineEdit* field(const char* name) { return window->findChild<QLineEdit*>(name); }
    void click(const char* name) { QTest::mouseClick(window->findChild<QPushButton*>(name), Qt::LeftButton); }
    // The curve's points as (click, mean error, exact).
    QList<QPointF> errors() { return view().errorSeries()->points(); }
    QList<QPointF> exact() { return view().exactSeries()->points(); }

    platform::QtFileSystem files;
    platform::QtProcessStarter starter;
    PlainLocaleNumbers numbers;
    app::Session session;
    LoggedMessages messages;
    NoFileDialogs dialogs;
    std::unique_ptr<frmMain> window;
    std::unique_ptr<ViewActions> actions;
};

// The entries of the context menu that `target` opens ("-" for a separator); the menu is closed as soon as it shows.
QStringList contextMenuOf(QWidget* target) {
    QStringList seen;
    QTimer::singleShot(0, [&seen] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (QAction* action : menu->actions())
                seen << (action->isSeparator() ? QStringLiteral("-") : action->text());
            menu->close();
        }
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(4, 4), target->mapToGlobal(QPoint(4, 4)));
    QApplication::sendEvent(target, &event);
    return seen;
}

} // namespace

class TestTrainingView : public QObject {
    Q_OBJECT

private slots:
    // Each click of "Научить" adds its report to the two series and tells `updated`.
    void curveFollowsTheClicks() {
        const int clicks = 3;
        Rig rig;
        rig.field("Text4")->setText("2000");
        QSignalSpy updated(&rig.view(), &TrainingView::updated);
        for (int click = 1; click <= clicks; ++click) {
            const qsizetype before = updated.count();
            rig.click("Command4");
            QVERIFY(updated.count() > before);
            const app::LearningReport& report = rig.session.lastReport();
            QCOMPARE(rig.errors().size(), click);
            QCOMPARE(rig.errors().last(), QPointF(click, report.meanError));
            QCOMPARE(rig.exact().last(), QPointF(click, report.exact));
            // The roll shows this click's predictions.
            const RollData& roll = rig.view().roll()->data();
            QCOMPARE(roll.windows.size(), report.windows.size());
            QCOMPARE(roll.windows.back().predicted, report.windows.back().predicted);
        }
        QVERIFY(rig.view().summary().contains(QStringLiteral("Нажатий «Научить»: %1.").arg(clicks)));
        // The advice stays the window's, once.
        QCOMPARE(rig.messages.shown.filter("Рекомендуется").size(), 1);

        rig.click("Command9");
        QVERIFY(rig.errors().isEmpty());
        QVERIFY(rig.view().roll()->data().windows.empty());
    }

    // Typing changes the roll at once; predictions of an older beginning are not drawn; the continuation follows.
    void rollFollowsTheMelody() {
        Rig rig;
        rig.click("Command4");
        QVERIFY(!rig.view().roll()->data().windows.empty());
        QSignalSpy updated(&rig.view(), &TrainingView::updated);
        rig.field("Text1(0)")->setText("3, 8, 11, 3, 8, 11, 4, 8, 10, 1, 8, 12");
        QVERIFY(updated.count() >= 1);
        QCOMPARE(rig.view().roll()->data().beginning.back(), uint8_t{12});
        QVERIFY(rig.view().roll()->data().windows.empty());
        QVERIFY(rig.view().summary().contains(QStringLiteral("предсказания сети не показаны")));
        rig.field("Text1(0)")->setText("3, 8, 11, 3, 8, 11, 4, 8, 10, 1, 8, 10");
        QVERIFY(!rig.view().roll()->data().windows.empty());

        rig.field("Text6")->setText("5");
        rig.click("Command8");
        const RollData& roll = rig.view().roll()->data();
        QCOMPARE(roll.continuation.size(), size_t{5});
        QCOMPARE(QString::fromStdString(CodeListText(roll.continuation.data(), 5)), rig.field("Text1(1)")->text());
        // A longer beginning overwrites the buffer, not the continuation shown.
        rig.field("Text1(0)")->setText("3, 8, 11, 3, 8, 11, 4, 8, 10, 1, 8, 10, 20, 21, 22");
        QCOMPARE(QString::fromStdString(CodeListText(rig.view().roll()->data().continuation.data(), 5)),
                 rig.field("Text1(1)")->text());
    }

    // Melodies and networks at the edges keep the view whole and readable.
    void awkwardInput_data() {
        QTest::addColumn<QString>("melody");
        QTest::addColumn<QString>("inputs");
        QTest::addColumn<QString>("summary");
        QString long1024;
        for (int i = 0; i < 1024; ++i)
            long1024 += QString::number(2 + i % 48) + ", ";
        QTest::newRow("empty melody") << ""
                                      << "8"
                                      << "Окон для обучения нет";
        QTest::newRow("999 inputs") << "3, 8, 11, 3, 8"
                                    << "999"
                                    << "из 1 нот";
        QTest::newRow("1024 notes") << long1024 << "8"
                                    << "из 1016 нот";
    }

    void awkwardInput() {
        QFETCH(QString, melody);
        QFETCH(QString, inputs);
        QFETCH(QString, summary);
        Rig rig;
        rig.field("Text1(0)")->setText(melody);
        rig.field("txtInput")->setText(inputs);
        rig.field("Text4")->setText("100");
        rig.view().show();
        rig.click("Command4");
        QVERIFY2(rig.view().summary().contains(summary), qPrintable(rig.view().summary()));
        const PianoRollWidget& roll = *rig.view().roll();
        QCOMPARE(roll.data().columns(), rig.session.state().MelodyLen + 1);
        // At least a few pixels per note, however long the melody.
        QVERIFY(roll.minimumWidth() >= roll.data().columns() * PianoRollWidget::MinColumnWidth);
        QVERIFY(!rig.view().grab().isNull());
    }

    // The actions sit in the window's context menu; Ctrl+L shows the view beside the window.
    void actionsInTheWindow() {
        Rig rig;
        const QList<QAction*> actions = rig.window->actions();
        QCOMPARE(actions.size(), 3);
        QCOMPARE(actions[0]->text(), QStringLiteral("Ход обучения"));
        QCOMPARE(actions[0]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_L));
        QCOMPARE(actions[1]->text(), QStringLiteral("Учить до результата"));
        QCOMPARE(actions[2]->text(), QStringLiteral("Продолжить в звуках мелодии"));
        rig.window->show();
        QApplication::setActiveWindow(rig.window.get());
        QTest::keyClick(rig.window.get(), Qt::Key_L, Qt::ControlModifier);
        QVERIFY(rig.view().isVisible());
        QCOMPARE(rig.view().windowTitle(), QStringLiteral("Ход обучения"));
    }

    void contextMenus_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("editing"); // the field's own entries come first
        QTest::newRow("button in a frame") << "Command1" << false;
        QTest::newRow("beginning field") << "Text1(0)" << true;
        QTest::newRow("continuation field") << "Text1(1)" << true;
    }

    // The background (reached through a button) and the two melody fields offer the view's actions.
    void contextMenus() {
        QFETCH(QString, target);
        QFETCH(bool, editing);
        Rig rig;
        rig.window->show();
        const QStringList entries = contextMenuOf(rig.window->findChild<QWidget*>(target));
        QCOMPARE(entries.mid(entries.size() - 3),
                 QStringList({"Ход обучения", "Учить до результата", "Продолжить в звуках мелодии"}));
        QCOMPARE(entries.size() > 4, editing);
        if (editing)
            QCOMPARE(entries[entries.size() - 4], QStringLiteral("-"));
    }

    // "Учить до результата" from the view's button: the curve and the summary follow its epochs, and the message says
    // why it ended.
    void trainUntilResult() {
        Rig rig;
        rig.click("Command4"); // one click first
        rig.messages.shown.clear();
        QSignalSpy ended(rig.actions.get(), &ViewActions::trainUntilEnded);
        QTest::mouseClick(rig.view().findChild<QPushButton*>("trainUntil"), Qt::LeftButton);
        QCOMPARE(ended.count(), 1);
        QCOMPARE(ended.at(0).at(0).value<app::TrainUntilEnd>(), app::TrainUntilEnd::AllLearnable);
        QCOMPARE(rig.messages.shown.size(), 1);
        QVERIFY2(rig.messages.shown[0].startsWith("I:Результат достигнут"), qPrintable(rig.messages.shown[0]));
        QCOMPARE(rig.errors().size(), qsizetype(rig.session.learningCurve().size()));
        QVERIFY(rig.session.learningCurve().back().epoch);
        QVERIFY2(rig.view().summary().contains("Нажатий «Научить»: 1.") &&
                     rig.view().summary().contains("«Учить до результата»: эпох"),
                 qPrintable(rig.view().summary()));
        // Again, once exact: nothing to learn, and it says so.
        QTest::mouseClick(rig.view().findChild<QPushButton*>("trainUntil"), Qt::LeftButton);
        QVERIFY2(rig.messages.shown.last().contains("учить нечего"), qPrintable(rig.messages.shown.last()));
    }

    // Clicks in the roll write the beginning as typing would: the command text follows and Ctrl+Z undoes them.
    void writingInTheRoll_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("right");
        QTest::addColumn<bool>("remove");
        QTest::addColumn<QString>("melody");
        QTest::newRow("left click sets a note") << 1 << 5 << false << false << "3, 5, 11, 3, 8, 11, 4, 8, 10, 1, 8, 10";
        QTest::newRow("right click makes a pause")
            << 0 << 9 << true << false << "1, 8, 11, 3, 8, 11, 4, 8, 10, 1, 8, 10";
        QTest::newRow("after the last note adds one")
            << 12 << 13 << false << false << "3, 8, 11, 3, 8, 11, 4, 8, 10, 1, 8, 10, 13";
        QTest::newRow("Delete removes the note clicked")
            << 2 << 11 << false << true << "3, 8, 3, 8, 11, 4, 8, 10, 1, 8, 10";
    }

    void writingInTheRoll() {
        QFETCH(int, column);
        QFETCH(int, code);
        QFETCH(bool, right);
        QFETCH(bool, remove);
        QFETCH(QString, melody);
        Rig rig;
        rig.view().show();
        auto* roll = rig.view().findChild<PianoRollWidget*>("pianoRoll");
        const QString typed = rig.field("Text1(0)")->text();
        const QPoint spot =
            PianoRollPainter::cell(roll->rect(), roll->data(), column, uint8_t(code)).center().toPoint();
        QTest::mouseClick(roll, right ? Qt::RightButton : Qt::LeftButton, {}, spot);
        if (remove)
            QTest::keyClick(roll, Qt::Key_Delete);
        QCOMPARE(rig.field("Text1(0)")->text(), melody);
        QCOMPARE(rig.field("Text2(0)")->text().toStdString(), rig.session.CommandText(app::MelodyPart::Beginning));
        QCOMPARE(rig.session.state().MelodyLen + 1, melody.count(',') + 1);
        rig.field("Text1(0)")->undo();
        QCOMPARE(rig.field("Text1(0)")->text(), typed);
    }

    // However long the words, they scroll in a fixed place under the roll and the view keeps its size.
    void summaryKeepsItsPlace() {
        Rig rig;
        rig.view().show();
        const QSize size = rig.view().size();
        const auto* area = rig.view().findChild<QWidget*>("summaryArea");
        const int height = area->height();
        rig.view().resize(320, size.height()); // narrow: the words wrap to many lines
        rig.click("Command4");
        rig.click("Command5");
        QApplication::processEvents();
        QVERIFY2(rig.view().summary().contains("часть окон остановилась раньше"), qPrintable(rig.view().summary()));
        QVERIFY2(rig.view().summary().contains("= "), qPrintable(rig.view().summary())); // the prediction by name
        QCOMPARE(area->height(), height);
        QCOMPARE(rig.view().height(), size.height());
        const auto* roll = rig.view().findChild<QWidget*>("pianoRoll")->parentWidget()->parentWidget();
        QVERIFY(roll->geometry().bottom() < area->geometry().top());
    }

    // "Продолжить в звуках мелодии" writes the continuation field with the beginning's notes only.
    void continueInMelodyNotes() {
        Rig rig;
        QTest::mouseClick(rig.view().findChild<QPushButton*>("trainUntil"), Qt::LeftButton);
        QTest::mouseClick(rig.view().findChild<QPushButton*>("continueInMelodyNotes"), Qt::LeftButton);
        const QStringList codes = rig.field("Text1(1)")->text().split(", ");
        QVERIFY(codes.size() >= 8);
        const QStringList own = {"3", "8", "11", "4", "10", "1"};
        for (const QString& code : codes)
            QVERIFY2(own.contains(code), qPrintable(code));
    }
};

QTEST_MAIN(TestTrainingView)
#include "tst_trainingview.moc"
