#pragma once

#include "platform/FileDialogs.h"

#include <QPointer>
#include <QWidget>

namespace platform {

// QFileDialog's open and save dialogs over a parent window.
class QtFileDialogs : public FileDialogs {
public:
    // `parent` may be null.
    explicit QtFileDialogs(QWidget* parent);

    // Makes the dialogs modal to `parent` from now on.
    void setParent(QWidget* parent) { parent_ = parent; }

    // QFileDialog::getOpenFileName; the chosen path trimmed, nullopt when cancelled.
    std::optional<std::string> openFile(const FileDialogOptions& options) override;
    // QFileDialog::getSaveFileName, asking before a replacement only with overwritePrompt.
    std::optional<std::string> saveFile(const FileDialogOptions& options) override;

private:
    QPointer<QWidget> parent_;
};

} // namespace platform
