#pragma once

#include "platform/MessageBox.h"

#include <QApplication>

// The window program's application: an event handler that runs out of
// memory ends its command with a message instead of ending the program.
class GuardedApplication : public QApplication {
public:
    GuardedApplication(int& argc, char** argv);

    // Where the message goes; null shows none.
    void setMessages(platform::MessageBox* messages) { messages_ = messages; }

    // Delivers the event; std::bad_alloc from its handling is told and the event counts as not handled.
    bool notify(QObject* receiver, QEvent* event) override;

private:
    platform::MessageBox* messages_ = nullptr;
};
