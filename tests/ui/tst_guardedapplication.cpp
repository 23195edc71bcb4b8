#include "ui/GuardedApplication.h"

#include <QEvent>
#include <QTest>

#include <new>

namespace {

// Runs out of memory on every user event.
struct Greedy : QObject {
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User)
            throw std::bad_alloc();
        return QObject::event(e);
    }
};

struct Messages : platform::MessageBox {
    void show(const std::string& text, platform::MessageIcon) override { shown.push_back(text); }
    bool ask(const std::string&) override { return false; }
    std::vector<std::string> shown;
};

} // namespace

class TestGuardedApplication : public QObject {
    Q_OBJECT

private slots:
    // The command ends with its message and the program goes on, also for a second one.
    void outOfMemoryIsTold() {
        auto* app = static_cast<GuardedApplication*>(QCoreApplication::instance());
        Messages messages;
        app->setMessages(&messages);
        Greedy greedy;
        QEvent event(QEvent::User);
        QVERIFY(!QCoreApplication::sendEvent(&greedy, &event));
        QVERIFY(!QCoreApplication::sendEvent(&greedy, &event));
        QCOMPARE(messages.shown.size(), size_t(2));
        QCOMPARE(messages.shown[0], std::string("Не хватает памяти: команда не выполнена."));
        app->setMessages(nullptr);
    }
};

int main(int argc, char** argv) {
    GuardedApplication app(argc, argv);
    TestGuardedApplication test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_guardedapplication.moc"
