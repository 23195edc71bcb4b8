#include "ui/GuardedApplication.h"

#include "support/PlatformFakes.h"

#include <QEvent>
#include <QTest>

#include <new>

// Runs out of memory on every user event.
struct Greedy : QObject {
    bool event(QEvent* e) override { return e->type() == QEvent::User ? throw std::bad_alloc() : QObject::event(e); }
};

class TestGuardedApplication : public QObject {
    Q_OBJECT

private slots:
    // The command ends with its message and the program goes on, also for a second one.
    void outOfMemoryIsTold() {
        auto* app = static_cast<GuardedApplication*>(QCoreApplication::instance());
        FakeMessageBox messages;
        app->setMessages(&messages);
        Greedy greedy;
        QEvent event(QEvent::User);
        QVERIFY(!QCoreApplication::sendEvent(&greedy, &event) && !QCoreApplication::sendEvent(&greedy, &event));
        QCOMPARE(messages.shown, std::vector<std::string>(2, "W:Не хватает памяти: команда не выполнена."));
        app->setMessages(nullptr);
    }
};

int main(int argc, char** argv) {
    GuardedApplication app(argc, argv);
    TestGuardedApplication test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_guardedapplication.moc"
