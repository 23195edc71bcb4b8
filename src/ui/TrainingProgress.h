#pragma once

#include "app/Session.h"

#include <QObject>

#include <functional>

class QWidget;

// Runs a training on a worker thread while the window waits: user input to
// the window is held back, and a training that takes longer than half a
// second shows a modal progress dialog whose "Отмена" stops it after the
// current iteration. Closing the window stops it too, and the window closes
// once the training has ended.
class TrainingProgress : public QObject {
    Q_OBJECT

public:
    // `window` parents the dialog; `control` is the one the training is given;
    // `iterations` is the click's budget, the dialog's whole range.
    TrainingProgress(QWidget* window, app::TrainingControl& control, int64_t iterations);

    // Runs `work` on a worker thread and returns when it has ended.
    void run(const std::function<void()>& work);

    // Runs `work` on a worker thread while this thread goes on handling
    // events, and returns when the work has ended.
    static void runAside(const std::function<void()>& work);

    // How long a training runs before the dialog shows.
    static constexpr int DialogDelayMs = 500;

signals:
    // The dialog has been created (it shows after DialogDelayMs); tests cancel through it.
    void dialogCreated(QWidget* dialog);

protected:
    // Holds back the user's input to everything but the dialog.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window_;
    app::TrainingControl& control_;
    int64_t iterations_;
    QWidget* dialog_ = nullptr;
    bool closeAsked_ = false;
};
