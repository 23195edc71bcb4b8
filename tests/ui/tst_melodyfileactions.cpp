#include "ui/MelodyFileActions.h"

#include "engine/FormulaLibrary.h"
#include "numbers/NumberText.h"
#include "platform/DynamicLibrary.h"
#include "support/PlatformFakes.h"
#include "ui/frmMain.h"

#include <QAction>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
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
    app::Session session{FormulaLibrary::loadFrom(platform::executableFolder()), files, starter, locale};
    Dialogs dialogs;
    Messages messages;
    frmMain window{session, messages, dialogs, files};
    MelodyFileActions actions{window, session, dialogs, messages, files};
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
    }

    // A dropped file replaces the beginning; a broken one changes nothing and says why.
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
            QCOMPARE(rig.text("Text1(0)"), taken && message.isEmpty() ? QStringLiteral("27, 1, 30") : before);
            QCOMPARE(rig.messages.shown.size(), message.isEmpty() ? 0 : 1);
            if (!message.isEmpty())
                QVERIFY2(rig.messages.shown[0].startsWith(message), qPrintable(rig.messages.shown[0]));
            rig.field("Text1(0)")->setText(before);
        }
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
