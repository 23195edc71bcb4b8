#include "ui/MelodyFileActions.h"

#include "engine/FormulaLibrary.h"
#include "numbers/NumberText.h"
#include "platform/DynamicLibrary.h"
#include "platform/QtChoiceDialog.h"
#include "support/PlatformFakes.h"
#include "ui/TrainingView.h"
#include "ui/frmMain.h"

#include <QAction>
#include <QDropEvent>
#include <QFile>
#include <QInputDialog>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

namespace {

struct Dialogs : platform::FileDialogs {
    std::optional<std::string> openFile(const platform::FileDialogOptions& o) override { return last = o, answer; }
    std::optional<std::string> saveFile(const platform::FileDialogOptions& o) override { return last = o, answer; }
    std::optional<std::string> answer;
    platform::FileDialogOptions last;
};

// Logs message boxes as "<icon>:<text>" (N, I, W or C).
struct Messages : platform::MessageBox {
    void show(const std::string& text, platform::MessageIcon icon) override {
        shown << QString("NIWC"[int(icon)]) + ':' + QString::fromStdString(text);
    }
    bool ask(const std::string&) override { return true; }
    QStringList shown;
};

// Answers the track choice with `answer` and keeps what it was shown.
struct Choices : platform::ChoiceDialog {
    std::optional<size_t> choose(const platform::ChoiceOptions& o) override {
        shown.push_back(o);
        return answer;
    }
    std::optional<size_t> answer;
    std::vector<platform::ChoiceOptions> shown;
};

QByteArray MidiData(const char* name) {
    QFile file(QStringLiteral(MIDI_DATA_DIR "/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The window on in-memory fakes, with the file actions added.
struct Rig {
    Rig() {
        files.folders.insert("/tmp");
        session.state().SetSeed(1);
    }
    QLineEdit* field(const char* name) const { return window.findChild<QLineEdit*>(name); }
    QString text(const char* name) const { return field(name)->text(); }

    MemoryFileSystem files;
    FakeStarter starter{files};
    PlainLocaleNumbers locale;
    app::Session session{FormulaLibrary::loadFrom(platform::executableFolder()).value(), files, starter, locale};
    Dialogs dialogs;
    Messages messages;
    Choices choices;
    frmMain window{session, messages, dialogs, files};
    MelodyFileActions actions{window, session, dialogs, messages, files, choices};
};

// Drops a file on `target` and says whether the drop was taken.
bool drop(QWidget* target, const QString& path) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &dropped);
    return dropped.isAccepted();
}

} // namespace

class TestMelodyFileActions : public QObject {
    Q_OBJECT

private slots:
    void menuHoldsTheActions() {
        Rig rig;
        const QList<QAction*> actions = rig.window.actions();
        for (QAction* action : {rig.actions.openAction(), rig.actions.saveMidiAction(), rig.actions.saveWavAction()})
            QVERIFY2(actions.contains(action), qPrintable(action->text()));
    }

    // The whole melody goes out and comes back in as the beginning, through the field's own handling.
    void saveAndOpenMidi() {
        Rig rig;
        rig.field("Text6")->setText("4");
        rig.window.findChild<QPushButton*>("Command8")->click();
        const QString whole = rig.text("Text1(0)") + ", " + rig.text("Text1(1)");
        rig.messages.shown.clear();
        rig.dialogs.answer = "/tmp/song";
        rig.actions.saveMidiAction()->trigger();
        QVERIFY(rig.files.files["/tmp/song.mid"].starts_with("MThd"));
        QVERIFY(rig.messages.shown.isEmpty());

        rig.dialogs.answer = "/tmp/song.mid";
        rig.actions.openAction()->trigger();
        QCOMPARE(rig.dialogs.last.title, std::string("Открытие MIDI-файла"));
        QCOMPARE(rig.text("Text1(0)"), whole);
        QCOMPARE(rig.text("Text6"), QStringLiteral("16"));
        QVERIFY(rig.text("Text2(0)").startsWith("l8 o1 c# f# a"));
    }

    void droppedFiles_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<QString>("message");
        QTest::newRow("a melody") << "/tmp/a.mid" << QByteArray() << true << "";
        QTest::newRow("not MIDI inside") << "/tmp/b.MID" << QByteArray("3, 8, 11") << true
                                         << "W:Не удалось прочитать мелодию из файла «/tmp/b.MID»: это не MIDI-файл";
        QTest::newRow("not a MIDI name") << "/tmp/c.txt" << QByteArray("3, 8, 11") << false << "";
        QByteArray rmid = QByteArray("RIFF\x04\0\0\0RMID", 12);
        QTest::newRow("RIFF without data")
            << "/tmp/d.rmi" << rmid << true << "W:Не удалось прочитать мелодию из файла «/tmp/d.rmi»: это не MIDI-файл";
    }

    // A dropped file replaces the beginning once the drop has ended; a broken one changes nothing and says why.
    void droppedFiles() {
        QFETCH(QString, path);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, taken);
        QFETCH(QString, message);
        Rig rig;
        if (bytes.isEmpty()) {
            rig.field("Text1(0)")->setText("27, 1, 30");
            QVERIFY(!rig.session.ExportMidi(app::MelodyPart::Beginning, path.toStdString()));
            rig.field("Text1(0)")->setText("3");
        } else {
            rig.files.files[path.toStdString()] = bytes.toStdString();
        }
        const QString before = rig.text("Text1(0)");
        for (QWidget* target : std::initializer_list<QWidget*>{&rig.window, rig.field("Text1(0)")}) {
            rig.messages.shown.clear();
            QCOMPARE(drop(target, path), taken);
            // The drop ends before the file is read and anything is told.
            QCOMPARE(rig.messages.shown.size(), 0);
            QCOMPARE(rig.text("Text1(0)"), before);
            QCoreApplication::sendPostedEvents();
            QCOMPARE(rig.text("Text1(0)"), taken && message.isEmpty() ? QStringLiteral("27, 1, 30") : before);
            QCOMPARE(rig.messages.shown.size(), message.isEmpty() ? 0 : 1);
            rig.field("Text1(0)")->undo(); // the field's own undo brings back what was typed
            QCOMPARE(rig.text("Text1(0)"), before);
            if (!message.isEmpty())
                QVERIFY2(rig.messages.shown[0].startsWith(message), qPrintable(rig.messages.shown[0]));
            rig.field("Text1(0)")->setText(before);
        }
    }

    void trackChoice_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("answer"); // -1: cancelled
        QTest::addColumn<int>("asked");  // choices shown
        QTest::addColumn<QString>("melody");
        QTest::addColumn<QString>("named");
        QTest::newRow("the import's choice") << "bass_first.mid" << 1 << 1 << "33, 35, 37, 38"
                                             << "дорожка 3 из 3.";
        QTest::newRow("the bass instead") << "bass_first.mid" << 0 << 1 << "2, 9, 7, 2"
                                          << "дорожка 2 из 3 «Track 1».";
        QTest::newRow("cancelled") << "bass_first.mid" << -1 << 1 << "3"
                                   << "";
        QTest::newRow("one track of notes") << "rests.mid" << -1 << 0 << "26, 1, 28, 30, 1, 31, 33"
                                            << "дорожка 1 из 1.";
    }

    // A file with several tracks of notes asks which to take, the import's
    // choice first chosen; the training view names the track taken.
    void trackChoice() {
        QFETCH(QString, file);
        QFETCH(int, answer);
        QFETCH(int, asked);
        QFETCH(QString, melody);
        QFETCH(QString, named);
        Rig rig;
        TrainingView view(rig.session);
        rig.field("Text1(0)")->setText("3");
        const std::string path = "/tmp/" + file.toStdString();
        rig.files.files[path] = MidiData(file.toLatin1().constData()).toStdString();
        if (answer >= 0)
            rig.choices.answer = static_cast<size_t>(answer);
        rig.dialogs.answer = path;
        rig.actions.openAction()->trigger();
        QCOMPARE(rig.choices.shown.size(), size_t(asked));
        if (asked > 0) {
            const platform::ChoiceOptions& shown = rig.choices.shown[0];
            QCOMPARE(shown.title, std::string("Выбор дорожки"));
            QCOMPARE(shown.items.size(), size_t(2));
            QCOMPARE(shown.preselected, size_t(1));
            QVERIFY2(shown.items[0].starts_with("2. «Track 1»: канал 2, программа 33 (Electric Bass (finger)), 4 нот"),
                     shown.items[0].c_str());
            QVERIFY(shown.label.find("«" + path + "»") != std::string::npos);
        }
        QCOMPARE(rig.text("Text1(0)"), melody);
        QVERIFY(rig.messages.shown.isEmpty());
        const QString summary = view.summary();
        if (named.isEmpty())
            QVERIFY2(!summary.contains(QStringLiteral("Мелодия взята")), qPrintable(summary));
        else
            QVERIFY2(summary.contains(QString::fromStdString("Мелодия взята из файла «" + path + "»: ") + named),
                     qPrintable(summary));
        rig.field("Text1(0)")->setText("3, 8");
        QVERIFY(!view.summary().contains(QStringLiteral("Мелодия взята")));
    }

    void qtChoiceDialog_data() {
        QTest::addColumn<QString>("pick"); // the line chosen in the dialog, empty: cancelled
        QTest::addColumn<int>("chosen");   // -1: nullopt
        QTest::newRow("as preselected") << "2. b" << 1;
        QTest::newRow("another line") << "3. c" << 2;
        QTest::newRow("cancelled") << "" << -1;
    }

    // The real dialog shows the lines with the preselected one current and gives back an index.
    void qtChoiceDialog() {
        QFETCH(QString, pick);
        QFETCH(int, chosen);
        platform::QtChoiceDialog dialog(nullptr);
        QString current;
        QTimer::singleShot(0, [&] {
            auto* shown = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
            QVERIFY(shown);
            current = shown->textValue();
            if (pick.isEmpty()) {
                shown->reject();
                return;
            }
            shown->setTextValue(pick);
            shown->accept();
        });
        const std::optional<size_t> result = dialog.choose({"Выбор", "Какую?", {"1. a", "2. b", "3. c"}, 1});
        QCOMPARE(current, QStringLiteral("2. b"));
        QCOMPARE(result ? int(*result) : -1, chosen);
        QVERIFY(!dialog.choose({"Выбор", "Какую?", {}, 0}));
    }

    // The WAV file is rendered by the player; its failure is told with its own words.
    void saveWav() {
        Rig rig;
        rig.dialogs.answer = "/tmp/out";
        rig.actions.saveWavAction()->trigger();
        QCOMPARE(rig.starter.calls.size(), size_t(1));
        const FakeStarter::Call& call = rig.starter.calls[0];
        QVERIFY(call.program.ends_with("Play"));
        QCOMPARE(std::vector(call.arguments.begin(), call.arguments.begin() + 2),
                 (std::vector<std::string>{"--wav", "/tmp/out.wav"}));
        QVERIFY2(call.complete, "the command file is written before the player runs");
        QVERIFY(rig.messages.shown.isEmpty());

        rig.starter.runResult = {true, true, 1, "Play: cannot write /tmp/out.wav: disk full\nmore", ""};
        rig.actions.saveWavAction()->trigger();
        QCOMPARE(rig.messages.shown, QStringList({"W:Проигрыватель не записал файл «/tmp/out.wav»: Play: cannot "
                                                  "write /tmp/out.wav: disk full"}));
    }
};

QTEST_MAIN(TestMelodyFileActions)
#include "tst_melodyfileactions.moc"
