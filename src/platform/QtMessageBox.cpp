#include "platform/QtMessageBox.h"

#include <QMessageBox>

#include <utility>

namespace platform {

namespace {

QMessageBox::Icon qtIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Critical:
        return QMessageBox::Critical;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

QtMessageBox::QtMessageBox(QWidget* parent, QString title) : parent_(parent), title_(std::move(title)) {}

void QtMessageBox::show(const std::string& text, MessageIcon icon) {
    QMessageBox box(qtIcon(icon), title_, QString::fromStdString(text), QMessageBox::Ok, parent_.data());
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool QtMessageBox::ask(const std::string& text) {
    QMessageBox box(QMessageBox::Question, title_, QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No,
                    parent_.data());
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

} // namespace platform
