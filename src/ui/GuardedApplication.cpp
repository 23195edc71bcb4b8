#include "ui/GuardedApplication.h"

#include "app/Messages.h"

#include <new>

GuardedApplication::GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::bad_alloc&) {
        // What the failed command allocated is freed by now, so a message box fits.
        if (messages_)
            messages_->show(app::messages::OutOfMemoryCommand, platform::MessageIcon::Warning);
        return false;
    }
}
