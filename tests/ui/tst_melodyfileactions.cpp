#include "ui/MelodyFileActions.h"

#include "platform/QtChoiceDialog.h"
#include "ui/TrainingView.h"

#include "WindowRig.h"

#include <QAction>
#include <QDropEvent>
#include <QFile>
#include <QInputDialog>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

namespace {

// The window with the file actions added.
struct Rig : WindowRig {
    FakeChoiceDialog choices;
    MelodyFileActions actions{window, session, dialogs, messages, files, choices};
};

// Rows: the file dropped, its bytes (none: the melody exported), whether the drop is taken, the message told.
using Dropped = std::tuple<QString, std::string, bool, QString>;
// Rows: the track answered (-1: cancelled), the melody then, how the view names the track.
using TrackChoice = std::tuple<int, QString, QString>;

} // namespace

class TestMelodyFileActions : public QObject {
    Q_OBJECT

private slots:
    // The whole melody goes out as MIDI and comes back in as the beginning, through the field's own handling; the WAV
    // file is rendered by the player, whose failure is told with its own words.
    void saveAndOpen() {
        Rig rig;
        QVERIFY(rig.window.actions().contains(rig.actions.openAction()));
        rig.type("Text6", "4");
        rig.click("Command8");
        const QString whole = rig.text("Text1(0)") + ", " + rig.text("Text1(1)");
        rig.messages.shown.clear();
        rig.dialogs.answer = "/tmp/song";
        rig.actions.saveMidiAction()->trigger();
        QVERIFY(rig.files.files["/tmp/song.mid"].starts_with("MThd") && rig.messages.shown.empty());
        rig.dialogs.answer = "/tmp/song.mid";
        rig.actions.openAction()->trigger();
        QCOMPARE(rig.dialogs.last.title, std::string("Открытие MIDI-файла"));
        QCOMPARE(rig.text("Text1(0)"), whole);
        QCOMPARE(rig.text("Text6"), QStringLiteral("16"));

        rig.dialogs.answer = "/tmp/out";
        rig.actions.saveWavAction()->trigger();
        QCOMPARE(rig.starter.calls.size(), size_t(1));
        QCOMPARE(rig.starter.calls[0].arguments.at(1), "/tmp/out.wav");
        QVERIFY(rig.messages.shown.empty());
        rig.starter.runResult = {true, true, 1, "Play: disk full", ""};
        rig.actions.saveWavAction()->trigger();
        QCOMPARE(rig.shown(), QStringList({"W:Проигрыватель не записал файл «/tmp/out.wav»: Play: disk full"}));
    }

    void droppedFiles_data() {
        QTest::addColumn<Dropped>("row");
        QTest::newRow("a melody") << Dropped{"/tmp/a.mid", "", true, ""};
        QTest::newRow("not MIDI inside") << Dropped{
            "/tmp/b.MID", "3, 8, 11", true, "W:Не удалось прочитать мелодию из файла «/tmp/b.MID»: это не MIDI-файл"};
        QTest::newRow("not a MIDI name") << Dropped{"/tmp/c.txt", "3, 8, 11", false, ""};
    }

    // A dropped file replaces the beginning once the drop has ended; a broken one changes nothing and says why.
    void droppedFiles() {
        QFETCH(Dropped, row);
        const auto& [path, bytes, taken, message] = row;
        Rig rig;
        rig.type("Text1(0)", "27, 1, 30");
        QVERIFY(!rig.session.ExportMidi(app::MelodyPart::Beginning, "/tmp/a.mid"));
        rig.type("Text1(0)", "3");
        if (!bytes.empty())
            rig.files.files[path.toStdString()] = bytes;
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        for (QWidget* target : std::initializer_list<QWidget*>{&rig.window, rig.field("Text1(0)")}) {
            rig.messages.shown.clear();
            QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QCOMPARE(QCoreApplication::sendEvent(target, &enter) && enter.isAccepted() &&
                         QCoreApplication::sendEvent(target, &dropped) && dropped.isAccepted(),
                     taken);
            // The drop ends before the file is read and anything is told.
            QVERIFY(rig.messages.shown.empty() && rig.text("Text1(0)") == "3");
            QCoreApplication::sendPostedEvents();
            QCOMPARE(rig.text("Text1(0)"), taken && message.isEmpty() ? QStringLiteral("27, 1, 30") : "3");
            QVERIFY(rig.shown().size() == !message.isEmpty() && rig.shown().value(0).left(message.size()) == message);
            rig.field("Text1(0)")->undo(); // the field's own undo brings back what was typed
            QCOMPARE(rig.text("Text1(0)"), QStringLiteral("3"));
        }
    }

    void trackChoice_data() {
        QTest::addColumn<TrackChoice>("row");
        QTest::newRow("the import's choice") << TrackChoice{1, "33, 35, 37, 38", "дорожка 3 из 3."};
        QTest::newRow("the bass instead") << TrackChoice{0, "2, 9, 7, 2", "дорожка 2 из 3 «Track 1»."};
        QTest::newRow("cancelled") << TrackChoice{-1, "3", ""};
    }

    // A file with several tracks of notes asks which to take, the import's choice first chosen; the training view
    // names the track taken.
    void trackChoice() {
        QFETCH(TrackChoice, row);
        const auto& [answer, melody, named] = row;
        Rig rig;
        TrainingView view(rig.session);
        rig.type("Text1(0)", "3");
        QFile file(QStringLiteral(MIDI_DATA_DIR "/bass_first.mid"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        rig.files.files["/tmp/b.mid"] = file.readAll().toStdString();
        if (answer >= 0)
            rig.choices.answer = static_cast<size_t>(answer);
        rig.dialogs.answer = "/tmp/b.mid";
        rig.actions.openAction()->trigger();
        QCOMPARE(rig.choices.shown.size(), size_t(1));
        QVERIFY(rig.choices.shown[0].title == "Выбор дорожки" && rig.choices.shown[0].preselected == 1);
        QCOMPARE(rig.text("Text1(0)"), melody);
        QVERIFY(rig.messages.shown.empty());
        QCOMPARE(view.summary().contains("Мелодия взята из файла «/tmp/b.mid»: " + named), !named.isEmpty());
    }

    // The real dialog shows the lines with the preselected one current and gives back an index, or none.
    void qtChoiceDialog_data() {
        QTest::addColumn<QString>("pick"); // the line chosen in the dialog, empty: cancelled
        QTest::addColumn<int>("chosen");   // -1: nullopt
        QTest::newRow("another line") << "3. c" << 2;
        QTest::newRow("cancelled") << "" << -1;
    }

    void qtChoiceDialog() {
        QFETCH(QString, pick);
        QFETCH(int, chosen);
        platform::QtChoiceDialog dialog(nullptr);
        QString current;
        QTimer::singleShot(0, [&] {
            auto* shown = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
            QVERIFY(shown);
            current = shown->textValue();
            shown->setTextValue(pick);
            shown->done(pick.isEmpty() ? QDialog::Rejected : QDialog::Accepted);
        });
        const std::optional<size_t> result = dialog.choose({"Выбор", "Какую?", {"1. a", "2. b", "3. c"}, 1});
        QCOMPARE(current, QStringLiteral("2. b"));
        QCOMPARE(result ? int(*result) : -1, chosen);
        QVERIFY(!dialog.choose({"Выбор", "Какую?", {}, 0}));
    }
};

QTEST_MAIN(TestMelodyFileActions)
#include "tst_melodyfileactions.moc"
