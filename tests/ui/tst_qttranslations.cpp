#include "platform/QtTranslations.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

// Qt's own texts once the Russian translations are installed. A program of
// its own, because the installed translator changes every later test's texts.
class TestQtTranslations : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        const QString catalog = QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_ru.qm");
        if (!QFileInfo::exists(catalog))
            QSKIP(qPrintable(QStringLiteral("Qt's Russian translations are not installed (no %1)").arg(catalog)));
        QVERIFY(platform::InstallQtTranslations(*QCoreApplication::instance()));
    }

    void standardButtons_data() {
        QTest::addColumn<QDialogButtonBox::StandardButton>("button");
        QTest::addColumn<QString>("text");
        QTest::newRow("cancel") << QDialogButtonBox::Cancel << "Отмена";
        QTest::newRow("open") << QDialogButtonBox::Open << "Открыть";
        QTest::newRow("save") << QDialogButtonBox::Save << "Сохранить";
        QTest::newRow("yes") << QDialogButtonBox::Yes << "Да";
        QTest::newRow("no") << QDialogButtonBox::No << "Нет";
        QTest::newRow("close") << QDialogButtonBox::Close << "Закрыть";
    }

    void standardButtons() {
        QFETCH(QDialogButtonBox::StandardButton, button);
        QDialogButtonBox box(button);
        QTEST(box.button(button)->text().remove(QLatin1Char('&')), "text");
    }

    void messageBoxButtons() {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Предсказание нот"), QStringLiteral("Очистить?"),
                        QMessageBox::Yes | QMessageBox::Cancel);
        QCOMPARE(box.button(QMessageBox::Yes)->text().remove(QLatin1Char('&')), QStringLiteral("Да"));
        QCOMPARE(box.button(QMessageBox::Cancel)->text().remove(QLatin1Char('&')), QStringLiteral("Отмена"));
    }

    void fileDialogLabels() {
        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        auto* lookIn = dialog.findChild<QLabel*>(QStringLiteral("lookInLabel"));
        auto* fileName = dialog.findChild<QLabel*>(QStringLiteral("fileNameLabel"));
        QVERIFY(lookIn && fileName);
        QCOMPARE(lookIn->text().remove(QLatin1Char('&')), QStringLiteral("Перейти к:"));
        QCOMPARE(fileName->text().remove(QLatin1Char('&')), QStringLiteral("Имя файла:"));
    }
};

QTEST_MAIN(TestQtTranslations)
#include "tst_qttranslations.moc"
