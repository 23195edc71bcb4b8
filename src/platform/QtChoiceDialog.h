#pragma once

#include "platform/ChoiceDialog.h"

#include <QPointer>
#include <QWidget>

namespace platform {

// QInputDialog with its lines in a list, modal over a parent window.
class QtChoiceDialog : public ChoiceDialog {
public:
    // `parent` may be null.
    explicit QtChoiceDialog(QWidget* parent) : parent_(parent) {}

    // Makes the dialog modal to `parent` from now on.
    void setParent(QWidget* parent) { parent_ = parent; }

    // Runs the dialog; nullopt when it is cancelled or has no lines.
    std::optional<size_t> choose(const ChoiceOptions& options) override;

private:
    QPointer<QWidget> parent_;
};

} // namespace platform
