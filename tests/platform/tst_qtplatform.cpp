#include "platform/QtFileSystem.h"
#include "platform/QtLocaleNumbers.h"
#include "platform/QtProcessStarter.h"
#include "platform/SystemReason.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/resource.h>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <set>
#include <tuple>

namespace {

using platform::FileError;

// The bytes read, or nothing when reading failed.
std::optional<std::string> BytesOf(const platform::FileResult<std::string>& read) {
    return read ? std::optional(*read) : std::nullopt;
}

// Why a file operation failed; empty when it did not.
template <class T>
std::string ReasonOf(const platform::FileResult<T>& result) {
    return result ? std::string() : result.error().reason;
}

// What a file operation failed with; -1 when it did not.
template <class T>
int ErrorOf(const platform::FileResult<T>& result) {
    return result ? -1 : int(result.error().error);
}

// Whether a file operation failed as Failed, with a reason.
template <class T>
bool Failed(const platform::FileResult<T>& result) {
    return ErrorOf(result) == int(FileError::Failed) && !ReasonOf(result).empty();
}

// Limits the size of any file this process writes to `bytes` while it lives,
// so that writes fail as on a full disk, without root.
struct FileSizeLimit {
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, old.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &old); }
    rlimit old{};
};

} // namespace

class TestQtPlatform : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    std::string inside(const char* name) const { return dir.filePath(QString::fromUtf8(name)).toStdString(); }

private slots:
    // Names that are not UTF-8 are beyond QTemporaryDir's own removal.
    void cleanupTestCase() { std::filesystem::remove_all(dir.path().toStdString()); }

    // Numbers in the user's locale: read trimmed and only when finite; written
    // with 15 digits and no grouping, so that they read back.
    void numbers_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value"); // NaN: refused
        const QLocale c = QLocale::c(), german(QLocale::German);
        const double refused = std::nan("");
        QTest::newRow("trimmed") << c << "  -2 " << -2.0;
        QTest::newRow("comma locale") << german << "0,25" << 0.25;
        QTest::newRow("no grouping") << german << "12345,5" << 12345.5;
        QTest::newRow("15 digits") << c << "0.3" << 0.1 + 0.2;
        QTest::newRow("third") << c << "0.333333333333333" << 1.0 / 3.0;
        QTest::newRow("trailing letters") << c << "3x" << refused;
        QTest::newRow("beyond a double") << c << "1e999" << refused;
        QTest::newRow("nan text") << c << "nan" << refused;
        QTest::newRow("inf text") << c << "inf" << refused;
    }

    void numbers() {
        QFETCH(QLocale, locale);
        QFETCH(QString, text);
        QFETCH(double, value);
        const platform::QtLocaleNumbers numbers(locale);
        // Within the last digits; NaN compares equal to NaN here.
        QCOMPARE(numbers.toDouble(text.toStdString()).value_or(std::nan("")), value);
        if (!std::isnan(value))
            QCOMPARE(QString::fromStdString(numbers.toText(value)), text.trimmed());
    }

    // A new file never overwrites one, a replaced one does; a failure leaves
    // no trace; a name that is not UTF-8 keeps its bytes on disk and is found again.
    void files() {
        platform::QtFileSystem files;
        // Built from bytes: inside() would take the name for UTF-8.
        const std::string folder = dir.path().toStdString() + "/b\xff\xfe";
        QVERIFY(files.createFolder(folder) && files.createFolder(folder)); // an existing folder is success
        QVERIFY(files.isFolder(folder) && files.isWritableFolder(folder) && !files.isWritableFolder(folder + "/x"));
        const std::string cmd = folder + "/\xff.cmd", net = folder + "/n\xe9t.qvl";
        QVERIFY(files.writeNewFile(cmd, "l8 o1 c\r\n") && files.exists(cmd) && !files.exists(""));
        QCOMPARE(ErrorOf(files.writeNewFile(cmd, "other")), int(FileError::AlreadyExists));
        QCOMPARE(BytesOf(files.readFile(cmd, 100)), std::optional<std::string>("l8 o1 c\r\n"));
        // Reads stop at their limit, also on a device that never ends.
        QVERIFY(files.readFile(cmd, 9) && ErrorOf(files.readFile(cmd, 8)) == int(FileError::TooLarge));
        QCOMPARE(ErrorOf(files.readFile("/dev/zero", 1 << 20)), int(FileError::TooLarge));
        QVERIFY(files.replaceFile(net, "first") && files.replaceFile(net, "second"));
        QCOMPARE(BytesOf(files.readFile(net, 100)), std::optional<std::string>("second"));

        // A folder in the way and a missing folder make writing fail without a trace.
        QVERIFY(files.createFolder(folder + "/taken"));
        for (const std::string target : {"/taken", "/missing/net.qvl", "/none.qvl"}) {
            if (target != "/none.qvl")
                QVERIFY2(!files.replaceFile(folder + target, "bytes"), target.c_str());
            QVERIFY2(Failed(files.readFile(folder + target, 100)), target.c_str());
        }
        QVERIFY(Failed(files.writeNewFile(folder + "/missing/x.cmd", "c")));
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            names.insert(entry.path().filename().string());
        QCOMPARE(names, (std::set<std::string>{"\xff.cmd", "n\xe9t.qvl", "taken"}));
        QVERIFY(QFileInfo(QString::fromStdString(files.programFolder())).isDir());
        QCOMPARE(QString::fromStdString(files.currentFolder()), QDir::toNativeSeparators(QDir::currentPath()));
    }

    // A full disk: every write fails and says so, an old file keeps its bytes
    // and no temporary file is left. A small file sits wholly in a write
    // buffer, so only the flush, the sync or the close can notice.
    void fullDisk_data() {
        QTest::addColumn<int>("size");
        QTest::newRow("a small file") << 100;
        QTest::newRow("a large file") << 100000;
    }

    void fullDisk() {
        QFETCH(int, size);
        const std::filesystem::path folder = inside("disk");
        std::filesystem::create_directories(folder);
        platform::QtFileSystem files;
        const std::string net = (folder / "net.qvl").string(), cmd = (folder / "000.cmd").string();
        QVERIFY(files.replaceFile(net, "old"));
        const std::string bytes(static_cast<size_t>(size), '7');
        {
            FileSizeLimit limit(50);
            QVERIFY(!ReasonOf(files.replaceFile(net, bytes)).empty());
            QVERIFY(Failed(files.writeNewFile(cmd, bytes)));
        }
        QCOMPARE(BytesOf(files.readFile(net, 100)), std::optional<std::string>("old"));
        QCOMPARE(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
    }

    // Replacing through a link writes the file it leads to and keeps the link;
    // a link to a folder is refused; a dangling link holds its name against a
    // new file. (Pipes and devices, written through, are the player's test.)
    void links_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("written"); // the file that gets the bytes, or none
        for (const auto& [row, target, written] : {std::tuple("regular file", "file", "file"),
                                                   {"link to a file", "link", "linked"},
                                                   {"link to a missing file", "dangling", "missing"},
                                                   {"link to a folder", "folderlink", ""}})
            QTest::newRow(row) << QString(target) << QString(written);
    }

    void links() {
        QFETCH(QString, target);
        QFETCH(QString, written);
        namespace fs = std::filesystem;
        const fs::path folder = inside("targets");
        fs::remove_all(folder);
        fs::create_directories(folder / "folder");
        std::ofstream(folder / "file") << "old";
        std::ofstream(folder / "linked") << "old";
        fs::create_symlink("linked", folder / "link");
        fs::create_symlink("missing", folder / "dangling");
        fs::create_symlink("folder", folder / "folderlink");
        const fs::path path = folder / target.toStdString();
        const fs::file_type before = fs::symlink_status(path).type();
        platform::QtFileSystem files;
        if (target == "dangling")
            QVERIFY(!files.exists(path.string()) &&
                    ErrorOf(files.writeNewFile(path.string(), "c")) == int(FileError::AlreadyExists));
        QCOMPARE(ReasonOf(files.replaceFile(path.string(), "new")).empty(), !written.isEmpty());
        QCOMPARE(fs::symlink_status(path).type(), before);
        if (!written.isEmpty())
            QCOMPARE(BytesOf(files.readFile((folder / written.toStdString()).string(), 10)),
                     std::optional<std::string>("new"));
        for (const auto& entry : fs::recursive_directory_iterator(folder))
            QVERIFY2(!entry.path().filename().string().starts_with('.'), entry.path().c_str());
    }

    // A relative XDG_DATA_HOME is ignored: the data folder is the default one, absolute.
    void relativeDataHome() {
        const QByteArray home = qgetenv("HOME"), data = qgetenv("XDG_DATA_HOME");
        qputenv("HOME", dir.path().toUtf8());
        qputenv("XDG_DATA_HOME", "relative/data");
        const QString folder = QString::fromStdString(platform::QtFileSystem().userDataFolder());
        qputenv("HOME", home);
        data.isNull() ? qunsetenv("XDG_DATA_HOME") : qputenv("XDG_DATA_HOME", data);
        QVERIFY2(folder.startsWith(dir.path() + "/.local/share/"), qPrintable(folder));
        QVERIFY(QFileInfo(folder).isDir());
        QVERIFY(!QFileInfo::exists(QStringLiteral("relative")));
    }

    // A watched program that fails within the watch is told with what it
    // wrote to stderr; one that succeeds, or fails only later, is not.
    void watchedStart_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("exitCode"); // 0: nothing told
        QTest::addColumn<QString>("said");
        QTest::newRow("fails at once") << "echo 'no audio device' >&2; exit 3" << 3 << "no audio device\n";
        QTest::newRow("succeeds") << "echo warning >&2; exit 0" << 0 << "";
        QTest::newRow("fails after the watch") << "sleep 1; exit 3" << 0 << "";
        QTest::newRow("crashes") << "kill -SEGV $$" << -1 << "";
    }

    void watchedStart() {
        QFETCH(QString, script);
        QFETCH(int, exitCode);
        QFETCH(QString, said);
        const std::string program = inside("watched.sh");
        std::ofstream(program) << "#!/bin/sh\n" + script.toStdString() + "\n";
        std::filesystem::permissions(program, std::filesystem::perms::owner_all);
        std::pair<int, QString> told(0, "");
        const auto tell = [&](int code, const std::string& text) { told = {code, QString::fromStdString(text)}; };
        QVERIFY(platform::QtProcessStarter().startWatched(program, {}, dir.path().toStdString(), 500, tell));
        // The reaping timer goes away once the program has ended.
        QTRY_VERIFY_WITH_TIMEOUT(QCoreApplication::instance()->findChildren<QTimer*>().isEmpty(), 5000);
        QCOMPARE(told, std::pair(exitCode, said));
    }

    // A started program works in the folder it was given, however it was started;
    // a name that is not UTF-8 is refused rather than passed on changed.
    void programFolderAndNames() {
        // Built from bytes: inside() would take the name for UTF-8.
        const std::string script = inside("where.sh"), odd = dir.path().toStdString() + "/\xff.sh";
        const std::string said = inside("where.txt");
        for (const std::string& program : {script, odd}) {
            std::ofstream(program) << "#!/bin/sh\npwd > \"$1\"\n";
            std::filesystem::permissions(program, std::filesystem::perms::owner_all);
        }
        const std::string folder = inside("a");
        std::filesystem::create_directories(folder);
        platform::QtProcessStarter starter;
        for (const bool watched : {false, true}) {
            std::filesystem::remove(said);
            QVERIFY(watched ? starter.startWatched(script, {said}, folder, 50, {}).ok()
                            : starter.startDetached(script, {said}, folder).ok());
            QTRY_COMPARE(BytesOf(platform::QtFileSystem().readFile(said, 1000)), std::optional(folder + "\n"));
        }
        for (const auto& [program, argument, where] : {std::tuple(odd, said, folder),
                                                       {script, "\xff", folder},
                                                       {script, said, dir.path().toStdString() + "/\xff"}})
            QVERIFY(!ReasonOf(starter.startDetached(program, {argument}, where)).empty());
        // A missing program is named, with the system's reason.
        QCOMPARE(ReasonOf(starter.startDetached(inside("Play"), {}, folder)),
                 inside("Play") + ": " + platform::SystemReason(ENOENT));
    }
};

QTEST_GUILESS_MAIN(TestQtPlatform)
#include "tst_qtplatform.moc"
