#include "ui/TrainingView.h"

#include "plot/PianoRollPainter.h"
#include "ui/PianoRollWidget.h"
#include "ui/ViewActions.h"

#include "WindowRig.h"

#include <QAction>
#include <QLineSeries>
#include <QMenu>
#include <QSignalSpy>
#include <QTimer>

namespace {

// The window with the view's actions.
struct Rig : WindowRig {
    ViewActions actions{window, session, messages};
    TrainingView& view() { return actions.view(); }
    const RollData& roll() { return view().roll()->data(); }
    QList<QPointF> errors() { return view().errorSeries()->points(); }
};

// Rows: the melody's length, the network's inputs, words the summary shows.
using Awkward = std::tuple<int, int, QString>;
// Rows: the column clicked, the button ("Delete": a left click, then the key), the note's code, the melody after.
using RollEdit = std::tuple<int, QString, int, QString>;

} // namespace

class TestTrainingView : public QObject {
    Q_OBJECT

private slots:
    // Each click of "Научить" adds its report to the two series and the roll, and tells `updated`; "Создать новую"
    // clears them; the roll follows the melody typed.
    void viewFollowsTheWindow() {
        Rig rig;
        rig.type("Text4", "2000");
        QSignalSpy updated(&rig.view(), &TrainingView::updated);
        for (int click = 1; click <= 2; ++click) {
            const qsizetype before = updated.count();
            rig.click("Command4");
            const app::LearningReport& report = rig.session.lastReport();
            QVERIFY(updated.count() > before);
            QCOMPARE(rig.errors(), rig.errors().mid(0, click - 1) << QPointF(click, report.meanError));
            QCOMPARE(rig.view().exactSeries()->points().last(), QPointF(click, report.exact));
            QCOMPARE(rig.roll().windows.back().predicted, report.windows.back().predicted);
        }
        const QString summary = rig.view().summary();
        QVERIFY2(summary.contains("Нажатий «Научить»: 2.") && summary.contains("часть окон остановилась"),
                 qPrintable(summary));
        rig.click("Command9");
        QVERIFY(rig.errors().isEmpty() && rig.roll().windows.empty());
        // Typing changes the roll at once; predictions of an older beginning are not drawn; the continuation follows.
        rig.click("Command4");
        rig.type("Text1(0)", "3, 8, 11, 3, 8, 11, 4, 8, 10, 1, 8, 12");
        QVERIFY(rig.roll().beginning.back() == 12 && rig.roll().windows.empty());
        QVERIFY(rig.view().summary().contains(QStringLiteral("предсказания сети не показаны")));
        rig.type("Text1(0)", "3, 8, 11, 3, 8, 11, 4, 8, 10, 1, 8, 10");
        QVERIFY(!rig.roll().windows.empty());
        rig.type("Text6", "5");
        rig.click("Command8");
        QCOMPARE(QString::fromStdString(CodeListText(rig.roll().continuation.data(), 5)), rig.text("Text1(1)"));
        // A longer beginning overwrites the buffer, not the continuation shown.
        rig.type("Text1(0)", "3, 8, 11, 3, 8, 11, 4, 8, 10, 1, 8, 10, 20, 21, 22");
        QCOMPARE(QString::fromStdString(CodeListText(rig.roll().continuation.data(), 5)), rig.text("Text1(1)"));
    }

    // Melodies and networks at the edges keep the view whole and readable; however long the words, they scroll in
    // a fixed place under the roll, with the prediction by name, and the view keeps its size.
    void awkwardInput_data() {
        QTest::addColumn<Awkward>("row");
        QTest::newRow("empty melody") << Awkward{0, 8, "Окон для обучения нет"};
        QTest::newRow("999 inputs") << Awkward{5, 999, "из 1 нот"};
        QTest::newRow("1024 notes") << Awkward{1024, 8, "из 1016 нот"};
    }

    void awkwardInput() {
        QFETCH(Awkward, row);
        const auto& [notes, inputs, summary] = row;
        Rig rig;
        rig.typeMelody(notes, 1);
        rig.type("txtInput", QString::number(inputs));
        rig.type("Text4", "100");
        rig.view().show();
        const auto* area = rig.view().findChild<QWidget*>("summaryArea");
        const int height = area->height(), viewHeight = rig.view().height();
        rig.view().resize(320, viewHeight); // narrow: the words wrap to many lines
        rig.click("Command4");
        rig.click("Command5");
        QApplication::processEvents();
        const QString words = rig.view().summary();
        QVERIFY2(words.contains(summary) && words.contains("= "), qPrintable(words));
        QVERIFY(area->height() == height && rig.view().height() == viewHeight);
        QVERIFY(rig.view().roll()->parentWidget()->parentWidget()->geometry().bottom() < area->geometry().top());
        QCOMPARE(rig.roll().columns(), int32_t(rig.session.beginning().size()));
        QVERIFY(rig.view().roll()->minimumWidth() >= notes * PianoRollWidget::MinColumnWidth);
        QVERIFY(!rig.view().grab().isNull());
    }

    // The actions sit in the window's context menus, after the fields' own entries; Ctrl+L shows the view.
    void contextMenus_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("editing"); // the field's own entries come first
        QTest::newRow("button in a frame") << "Command1" << false;
        QTest::newRow("beginning field") << "Text1(0)" << true;
        QTest::newRow("continuation field") << "Text1(1)" << true;
    }

    void contextMenus() {
        QFETCH(QString, target);
        QFETCH(bool, editing);
        Rig rig;
        rig.window.show();
        // The entries of the menu the target opens ("-" for a separator), read and closed as soon as it shows.
        QStringList entries;
        QTimer::singleShot(0, [&entries] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                for (QAction* action : menu->actions())
                    entries << (action->isSeparator() ? QStringLiteral("-") : action->text());
                menu->close();
            }
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(4, 4), rig.control(target)->mapToGlobal(QPoint(4, 4)));
        QApplication::sendEvent(rig.control(target), &event);
        QCOMPARE(entries.mid(entries.size() - 3),
                 QStringList({"Ход обучения", "Учить до результата", "Продолжить в звуках мелодии"}));
        QCOMPARE(entries.size() > 4, editing);
        if (editing)
            QCOMPARE(entries[entries.size() - 4], QStringLiteral("-"));
        QApplication::setActiveWindow(&rig.window);
        QTest::keyClick(&rig.window, Qt::Key_L, Qt::ControlModifier);
        QVERIFY(rig.view().isVisible());
        QCOMPARE(rig.view().windowTitle(), QStringLiteral("Ход обучения"));
    }

    // "Учить до результата" from the view's button: the curve and the summary follow its epochs, and the message
    // says why it ended; "Продолжить в звуках мелодии" then writes a continuation of the beginning's notes only.
    void viewButtons() {
        Rig rig;
        rig.click("Command4"); // one click first
        rig.messages.shown.clear();
        QSignalSpy ended(&rig.actions, &ViewActions::trainUntilEnded);
        QTest::mouseClick(rig.view().findChild<QPushButton*>("trainUntil"), Qt::LeftButton);
        QCOMPARE(ended.count(), 1);
        QCOMPARE(ended.at(0).at(0).value<app::TrainUntilEnd>(), app::TrainUntilEnd::AllLearnable);
        QCOMPARE(rig.messages.shown.size(), size_t(1));
        QVERIFY2(rig.shown()[0].startsWith("I:Результат достигнут"), qPrintable(rig.shown()[0]));
        QCOMPARE(rig.errors().size(), qsizetype(rig.session.learningCurve().size()));
        QVERIFY2(rig.view().summary().contains("«Учить до результата»: эпох"), qPrintable(rig.view().summary()));
        QTest::mouseClick(rig.view().findChild<QPushButton*>("continueInMelodyNotes"), Qt::LeftButton);
        const QStringList codes = rig.text("Text1(1)").split(", ");
        QVERIFY(codes.size() >= 8);
        for (const QString& code : codes)
            QVERIFY2(QStringList({"3", "8", "11", "4", "10", "1"}).contains(code), qPrintable(code));
    }

    // Clicks in the roll write the beginning as typing would: the command text follows and Ctrl+Z undoes them.
    void writingInTheRoll_data() {
        QTest::addColumn<RollEdit>("row");
        QTest::newRow("left click sets a note") << RollEdit{1, "left", 5, "3, 5, 11"};
        QTest::newRow("right click makes a pause") << RollEdit{0, "right", 9, "1, 8, 11"};
        QTest::newRow("after the last note adds one") << RollEdit{3, "left", 13, "3, 8, 11, 13"};
        QTest::newRow("Delete removes the note clicked") << RollEdit{0, "Delete", 3, "8, 11"};
    }

    void writingInTheRoll() {
        QFETCH(RollEdit, row);
        const auto& [column, how, code, melody] = row;
        Rig rig;
        rig.type("Text1(0)", "3, 8, 11");
        rig.view().show();
        auto* roll = rig.view().findChild<PianoRollWidget*>("pianoRoll");
        const QRectF cell = PianoRollPainter::cell(roll->rect(), roll->data(), column, uint8_t(code));
        QTest::mouseClick(roll, how == "right" ? Qt::RightButton : Qt::LeftButton, {}, cell.center().toPoint());
        if (how == "Delete")
            QTest::keyClick(roll, Qt::Key_Delete);
        QCOMPARE(rig.text("Text1(0)"), melody);
        QCOMPARE(rig.text("Text2(0)").toStdString(), rig.session.CommandText(app::MelodyPart::Beginning));
        rig.field("Text1(0)")->undo();
        QCOMPARE(rig.text("Text1(0)"), QStringLiteral("3, 8, 11"));
    }
};

QTEST_MAIN(TestTrainingView)
#include "tst_trainingview.moc"
