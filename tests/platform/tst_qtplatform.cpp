#include "platform/NewFile.h"
#include "platform/QtFileSystem.h"
#include "platform/QtLocaleNumbers.h"
#include "platform/QtProcessStarter.h"
#include "support/TinyDisk.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>

Q_DECLARE_METATYPE(std::optional<double>)

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

void write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Limits the size of any file this process writes to `bytes` while it lives
// (0: no change), so that writes fail as on a full disk, without root.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        if (bytes == 0)
            return;
        getrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, old_.rlim_max};
        active_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        if (active_)
            setrlimit(RLIMIT_FSIZE, &old_);
    }

private:
    rlimit old_{};
    bool active_ = false;
};

} // namespace

class TestQtPlatform : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    std::string inside(const char* name) const { return dir.filePath(QString::fromUtf8(name)).toStdString(); }

private slots:
    void toDouble_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<double>>("value");
        const QLocale c = QLocale::c(), german(QLocale::German);
        QTest::newRow("trimmed") << c << "  -2 " << std::optional<double>(-2.0);
        QTest::newRow("exponent") << c << "1e3" << std::optional<double>(1000.0);
        QTest::newRow("comma locale") << german << "2,5" << std::optional<double>(2.5);
        QTest::newRow("empty") << c << "" << std::optional<double>();
        QTest::newRow("trailing letters") << c << "3x" << std::optional<double>();
        QTest::newRow("beyond a double") << c << "1e999" << std::optional<double>();
        QTest::newRow("nan text") << c << "nan" << std::optional<double>();
        QTest::newRow("inf text") << c << "inf" << std::optional<double>();
    }

    void toDouble() {
        QFETCH(QLocale, locale);
        QFETCH(QString, text);
        QTEST(platform::QtLocaleNumbers(locale).toDouble(text.toStdString()), "value");
    }

    void toText_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        const QLocale c = QLocale::c(), german(QLocale::German);
        QTest::newRow("integer") << c << 8.0 << "8";
        QTest::newRow("comma locale") << german << 0.25 << "0,25";
        QTest::newRow("no grouping") << german << 12345.5 << "12345,5";
        QTest::newRow("15 digits") << c << 0.1 + 0.2 << "0.3";
        QTest::newRow("third") << c << 1.0 / 3.0 << "0.333333333333333";
    }

    void toText() {
        QFETCH(QLocale, locale);
        QFETCH(double, value);
        const platform::QtLocaleNumbers numbers(locale);
        const std::string written = numbers.toText(value);
        QTEST(QString::fromStdString(written), "text");
        QVERIFY(numbers.toDouble(written).has_value()); // it reads back in the same locale
    }

    void files() {
        platform::QtFileSystem files;
        const std::string cmd = inside("000.cmd");
        QVERIFY(files.writeNewFile(cmd, "l8 o1 c\r\n") && files.exists(cmd));
        // An existing file is never overwritten by a new one.
        QCOMPARE(ErrorOf(files.writeNewFile(cmd, "other")), int(FileError::AlreadyExists));
        QCOMPARE(BytesOf(files.readFile(cmd, 100)), std::optional<std::string>("l8 o1 c\r\n"));

        const std::string net = inside("net.qvl");
        QVERIFY(files.replaceFile(net, "first") && files.replaceFile(net, "second"));
        QCOMPARE(BytesOf(files.readFile(net, 100)), std::optional<std::string>("second"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"000.cmd", "net.qvl"}));

        // A folder in the way and a missing folder make replacing fail without a trace.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("taken")));
        for (const char* target : {"taken", "missing/net.qvl", "none.qvl"}) {
            if (std::string(target) != "none.qvl")
                QVERIFY2(!files.replaceFile(inside(target), "bytes"), target);
            const platform::FileResult<std::string> reading = files.readFile(inside(target), 100);
            QVERIFY2(ErrorOf(reading) == int(FileError::Failed) && !ReasonOf(reading).empty(), target);
        }
        QVERIFY(files.isFolder(inside("taken")) && !files.exists(inside("missing")));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"000.cmd", "net.qvl"}));
    }

    // Reads stop at their limit, also on a device that never ends.
    void readLimit_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<qulonglong>("limit");
        QTest::addColumn<int>("error");
        QTest::newRow("exactly the limit") << "ten" << 10ull << -1;
        QTest::newRow("one byte more") << "ten" << 9ull << int(FileError::TooLarge);
        QTest::newRow("empty file") << "empty" << 0ull << -1;
        QTest::newRow("endless device") << "/dev/zero" << (1ull << 20) << int(FileError::TooLarge);
        QTest::newRow("folder") << "." << 10ull << int(FileError::Failed);
    }

    void readLimit() {
        QFETCH(QString, path);
        QFETCH(qulonglong, limit);
        QFETCH(int, error);
        write(inside("ten"), std::string(10, 'x'));
        write(inside("empty"), "");
        const std::string file = path.startsWith('/') ? path.toStdString() : inside(path.toUtf8().constData());
        QCOMPARE(ErrorOf(platform::QtFileSystem().readFile(file, limit)), error);
    }

    // A name that is not UTF-8 keeps its bytes on disk and is found again.
    void bytesOfNames() {
        platform::QtFileSystem files;
        const std::string folder = inside("b\xff\xfe");
        // QTemporaryDir cannot remove what Qt cannot name.
        const std::unique_ptr<const std::string, void (*)(const std::string*)> removal(
            &folder, [](const std::string* path) { std::filesystem::remove_all(*path); });
        QVERIFY(files.createFolder(folder) && files.isWritableFolder(folder));
        const std::string cmd = folder + "/\xff.cmd", net = folder + "/n\xe9t.qvl";
        QVERIFY(files.writeNewFile(cmd, "c"));
        QVERIFY(files.replaceFile(net, "1") && files.replaceFile(net, "2"));
        QVERIFY(files.exists(cmd) && files.exists(net));
        QCOMPARE(BytesOf(files.readFile(cmd, 10)), std::optional<std::string>("c"));
        QCOMPARE(BytesOf(files.readFile(net, 10)), std::optional<std::string>("2"));
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            names.insert(entry.path().filename().string());
        QCOMPARE(names, (std::set<std::string>{"\xff.cmd", "n\xe9t.qvl"}));
    }

    // A dangling link holds its name: exists() does not see it, a new file cannot take it.
    void danglingLink() {
        platform::QtFileSystem files;
        const std::string link = inside("005.cmd");
        std::filesystem::create_symlink(inside("nowhere/at/all"), link);
        QVERIFY(!files.exists(link));
        QCOMPARE(ErrorOf(files.writeNewFile(link, "c")), int(FileError::AlreadyExists));
        const platform::FileResult<> nowhere = files.writeNewFile(inside("nowhere/x.cmd"), "c");
        QCOMPARE(ErrorOf(nowhere), int(FileError::Failed));
        QVERIFY(!ReasonOf(nowhere).empty());
    }

    // A disk that takes no more bytes: every write fails and says so, an old file
    // keeps its bytes and no temporary file is left. Small files sit wholly in a
    // write buffer, so only the flush, the sync or the close can notice.
    void fullDisk_data() {
        QTest::addColumn<bool>("tmpfs"); // else the process's file size limit
        QTest::addColumn<int>("size");
        QTest::newRow("tmpfs, a small file") << true << 100;
        QTest::newRow("tmpfs, a large file") << true << 100000;
        QTest::newRow("size limit, a small file") << false << 100;
        QTest::newRow("size limit, a large file") << false << 100000;
    }

    void fullDisk() {
        QFETCH(bool, tmpfs);
        QFETCH(int, size);
        const std::filesystem::path folder = inside("disk");
        std::optional<TinyDisk> disk;
        if (tmpfs) {
            disk.emplace(folder);
            if (!disk->mounted())
                QSKIP(disk->why().c_str());
        } else {
            std::filesystem::create_directories(folder);
        }
        platform::QtFileSystem files;
        const std::string net = (folder / "net.qvl").string(), cmd = (folder / "000.cmd").string();
        QVERIFY(files.replaceFile(net, "old"));
        const std::string bytes(static_cast<size_t>(size), '7');
        {
            FileSizeLimit limit(tmpfs ? 0 : 50);
            if (tmpfs)
                disk->fill();
            QVERIFY(!ReasonOf(files.replaceFile(net, bytes)).empty());
            const platform::FileResult<> created = files.writeNewFile(cmd, bytes);
            QCOMPARE(ErrorOf(created), int(FileError::Failed));
            QVERIFY(!ReasonOf(created).empty());
        }
        QCOMPARE(BytesOf(files.readFile(net, 100)), std::optional<std::string>("old"));
        QVERIFY(!files.exists(cmd));
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            names.insert(entry.path().filename().string());
        const std::set<std::string> expected =
            tmpfs ? std::set<std::string>{"filler", "net.qvl"} : std::set<std::string>{"net.qvl"};
        QCOMPARE(names, expected);
    }

    // Only a regular file is replaced: a link keeps leading to the file it
    // names, a pipe or a device is written through and stays what it was, a
    // folder is refused, and no temporary file is left in any case.
    void nonRegularTargets_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("written");
        QTest::newRow("regular file") << "file" << true;
        QTest::newRow("link to a file") << "link" << true;
        QTest::newRow("link to a missing file") << "dangling" << true;
        QTest::newRow("named pipe") << "pipe" << true;
        QTest::newRow("link to a named pipe") << "pipelink" << true;
        QTest::newRow("socket") << "socket" << false;
        QTest::newRow("folder") << "folder" << false;
        QTest::newRow("link to a folder") << "folderlink" << false;
        // The system's own device is only written to, never replaced.
        QTest::newRow("full device") << "/dev/full" << false;
    }

    void nonRegularTargets() {
        QFETCH(QString, target);
        QFETCH(bool, written);
        namespace fs = std::filesystem;
        const fs::path folder = inside("targets");
        fs::remove_all(folder);
        fs::create_directories(folder / "folder");
        write((folder / "file").string(), "old");
        write((folder / "linked").string(), "old");
        fs::create_symlink("linked", folder / "link");
        fs::create_symlink("missing", folder / "dangling");
        QCOMPARE(::mkfifo((folder / "pipe").c_str(), 0600), 0);
        fs::create_symlink("pipe", folder / "pipelink");
        fs::create_hard_link(folder / "pipe", folder / "pipe-spare");
        fs::create_symlink("folder", folder / "folderlink");
        const int listening = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::string socketPath = (folder / "socket").string();
        QVERIFY(socketPath.size() < sizeof address.sun_path);
        std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
        QCOMPARE(::bind(listening, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        const std::unique_ptr<const int, void (*)(const int*)> closing(&listening, [](const int* fd) { ::close(*fd); });

        const fs::path path = target.startsWith('/') ? fs::path(target.toStdString()) : folder / target.toStdString();
        const bool pipe = target.startsWith(QStringLiteral("pipe"));
        std::string received;
        std::thread reader;
        if (pipe)
            reader = std::thread([&] {
                std::ifstream in(folder / "pipe", std::ios::binary);
                received.assign(std::istreambuf_iterator<char>(in), {});
            });
        const fs::file_type before = fs::symlink_status(path).type();
        const std::string bytes(100000, 'n');
        const std::string error = ReasonOf(platform::QtFileSystem().replaceFile(path.string(), bytes));
        if (reader.joinable()) {
            // A reader still waiting for a writer (the pipe was not written) gets an end.
            const int unblock = ::open((folder / "pipe-spare").c_str(), O_WRONLY | O_NONBLOCK);
            if (unblock >= 0)
                ::close(unblock);
            reader.join();
        }
        QCOMPARE(error.empty(), written);
        if (target == "/dev/full")
            QCOMPARE(error, platform::SystemReason(ENOSPC));
        QCOMPARE(fs::symlink_status(path).type(), before == fs::file_type::not_found ? fs::file_type::regular : before);
        if (pipe)
            QCOMPARE(received, bytes);
        const std::string expected = written ? bytes : "old";
        if (target == "file")
            QCOMPARE(BytesOf(platform::QtFileSystem().readFile(path.string(), 200000)), std::optional(expected));
        if (target == "link")
            QCOMPARE(BytesOf(platform::QtFileSystem().readFile((folder / "linked").string(), 200000)),
                     std::optional(expected));
        if (target == "dangling")
            QVERIFY(fs::is_regular_file(folder / "missing") && fs::is_symlink(folder / "dangling"));
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
        if (data.isNull())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", data);
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
        write(program, "#!/bin/sh\n" + script.toStdString() + "\n");
        std::filesystem::permissions(program, std::filesystem::perms::owner_all);
        int told = 0;
        std::string heard;
        QVERIFY(platform::QtProcessStarter().startWatched(program, {}, dir.path().toStdString(), 500,
                                                          [&](int code, const std::string& text) {
                                                              told = code;
                                                              heard = text;
                                                          }));
        // The reaping timer goes away once the program has ended.
        QTRY_VERIFY_WITH_TIMEOUT(QCoreApplication::instance()->findChildren<QTimer*>().isEmpty(), 5000);
        QCOMPARE(told, exitCode);
        QCOMPARE(QString::fromStdString(heard), said);
    }

    void foldersAndProgramStart() {
        platform::QtFileSystem files;
        const std::string history = inside("a/History");
        QVERIFY(files.createFolder(history) && files.createFolder(history)); // an existing folder is success
        QVERIFY(files.isFolder(history) && files.isWritableFolder(history));
        QVERIFY(QDir(QString::fromStdString(history)).isEmpty()); // the probe leaves nothing behind
        QVERIFY(!files.isWritableFolder(inside("missing")) && !files.exists(""));
        QVERIFY(QFileInfo(QString::fromStdString(files.programFolder())).isDir());
        QCOMPARE(QString::fromStdString(files.currentFolder()), QDir::toNativeSeparators(QDir::currentPath()));

        // The reason names the program, in the system's words.
        QCOMPARE(
            ReasonOf(platform::QtProcessStarter().startDetached(inside("Play"), {"000.cmd"}, dir.path().toStdString())),
            inside("Play") + ": " + platform::SystemReason(ENOENT));
    }

    // A started program works in the folder it was given, however it was started;
    // a name that is not UTF-8 is refused rather than passed on changed.
    void programFolderAndNames() {
        // Built from bytes: inside() would take the name for UTF-8.
        const std::string script = inside("where.sh"), odd = dir.path().toStdString() + "/\xff.sh";
        const std::string said = inside("where.txt");
        const std::unique_ptr<const std::string, void (*)(const std::string*)> removal(
            &odd, [](const std::string* path) { std::filesystem::remove(*path); });
        for (const std::string& program : {script, odd}) {
            write(program, "#!/bin/sh\npwd > \"$1\"\n");
            std::filesystem::permissions(program, std::filesystem::perms::owner_all);
        }
        const std::string folder = inside("a");
        std::filesystem::create_directories(folder);
        platform::QtProcessStarter starter;
        for (const bool watched : {false, true}) {
            std::filesystem::remove(said);
            QVERIFY(watched ? starter.startWatched(script, {said}, folder, 50, {}).ok()
                            : starter.startDetached(script, {said}, folder).ok());
            const auto pwd = [&] {
                const platform::FileResult<std::string> read = platform::QtFileSystem().readFile(said, 1000);
                return QString::fromStdString(read ? *read : std::string());
            };
            QTRY_COMPARE(pwd(), QString::fromStdString(folder + "\n"));
        }
        const struct {
            std::string program, argument, folder;
        } refused[] = {
            {odd, said, folder}, {script, "\xff", folder}, {script, said, dir.path().toStdString() + "/\xff"}};
        for (const auto& row : refused) {
            const platform::FileResult<> started = starter.startDetached(row.program, {row.argument}, row.folder);
            QVERIFY(!started);
            QVERIFY(!started.error().reason.empty());
        }
    }
};

QTEST_GUILESS_MAIN(TestQtPlatform)
#include "tst_qtplatform.moc"
