#pragma once

#include "platform/MessageBox.h"

#include <QPointer>
#include <QString>
#include <QWidget>

namespace platform {

// Modal QMessageBox over a parent window, with a fixed caption and an OK button.
class QtMessageBox : public MessageBox {
public:
    // `parent` may be null; `title` is the caption of every box.
    QtMessageBox(QWidget* parent, QString title);

    // Makes the boxes modal to `parent` from now on.
    void setParent(QWidget* parent) { parent_ = parent; }

    // Shows `text` with `icon` and waits for OK.
    void show(const std::string& text, MessageIcon icon) override;

    // Asks with Yes and No buttons; No is the default.
    bool ask(const std::string& text) override;

private:
    QPointer<QWidget> parent_;
    QString title_;
};

} // namespace platform
