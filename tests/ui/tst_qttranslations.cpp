#include "platform/QtTranslations.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QPushButton>
#include <QTest>

// Our loading of Qt's Russian catalogue: a standard button then says "Отмена". A program of its own, because the
// installed translator changes every later test's texts.
class TestQtTranslations : public QObject {
    Q_OBJECT

private slots:
    void catalogueIsInstalled() {
        const QString catalog = QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_ru.qm");
        if (!QFileInfo::exists(catalog))
            QSKIP(qPrintable(QStringLiteral("Qt's Russian translations are not installed (no %1)").arg(catalog)));
        QVERIFY(platform::InstallQtTranslations(*QCoreApplication::instance()));
        QDialogButtonBox box(QDialogButtonBox::Cancel);
        QCOMPARE(box.button(QDialogButtonBox::Cancel)->text().remove(QLatin1Char('&')), QStringLiteral("Отмена"));
    }
};

QTEST_MAIN(TestQtTranslations)
#include "tst_qttranslations.moc"
