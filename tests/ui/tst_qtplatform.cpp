#include "platform/QtFileSystem.h"
#include "platform/QtLocaleNumbers.h"
#include "platform/QtProcessStarter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <optional>
#include <string>

Q_DECLARE_METATYPE(std::optional<double>)

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
        std::string error;
        const std::string cmd = inside("000.cmd");
        QVERIFY(files.writeNewFile(cmd, "l8 o1 c\r\n", error) && files.exists(cmd));
        // An existing file is never overwritten by a new one.
        QVERIFY(!files.writeNewFile(cmd, "other", error) && !error.empty());
        QCOMPARE(files.readFile(cmd, error), std::optional<std::string>("l8 o1 c\r\n"));

        const std::string net = inside("net.qvl");
        QVERIFY(files.replaceFile(net, "first", error) && files.replaceFile(net, "second", error));
        QCOMPARE(files.readFile(net, error), std::optional<std::string>("second"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({"000.cmd", "net.qvl"})); // no leftovers

        // A folder in the way and a missing folder make replacing fail without a trace.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("taken")));
        for (const char* target : {"taken", "missing/net.qvl", "none.qvl"}) {
            error.clear();
            if (std::string(target) != "none.qvl")
                QVERIFY2(!files.replaceFile(inside(target), "bytes", error), target);
            QCOMPARE(files.readFile(inside(target), error), std::optional<std::string>());
            QVERIFY2(!error.empty(), target);
        }
        QVERIFY(files.isFolder(inside("taken")) && !files.exists(inside("missing")));
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

        std::string error;
        QVERIFY(
            !platform::QtProcessStarter().startDetached(inside("Play"), {"000.cmd"}, dir.path().toStdString(), error));
        QVERIFY(!error.empty());
    }
};

QTEST_GUILESS_MAIN(TestQtPlatform)
#include "tst_qtplatform.moc"
