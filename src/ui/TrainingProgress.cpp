#include "ui/TrainingProgress.h"

#include "app/Messages.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <thread>

TrainingProgress::TrainingProgress(QWidget* window, app::TrainingControl& control, int64_t iterations)
    : window_(window), control_(control), iterations_(std::max<int64_t>(iterations, 1)) {}

void TrainingProgress::run(const std::function<void()>& work) {
    // The dialog counts in thousands, so that any 32-bit budget fits its int range.
    const auto scaled = [this](int64_t n) { return static_cast<int>(n * 1000 / iterations_); };
    QProgressDialog dialog(QString::fromUtf8(app::messages::TrainingProgressLabel),
                           QString::fromUtf8(app::messages::CancelButton), 0, 1000, window_);
    dialog.setWindowTitle(window_->windowTitle());
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setMinimumDuration(DialogDelayMs);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog_ = &dialog;
    connect(&dialog, &QProgressDialog::canceled, this,
            [this] { control_.cancel.store(true, std::memory_order_relaxed); });

    const int64_t before = control_.iterations.load(std::memory_order_relaxed);
    QTimer tick;
    connect(&tick, &QTimer::timeout, &dialog, [&] {
        // setValue also shows the dialog once the delay has passed.
        dialog.setValue(scaled(control_.iterations.load(std::memory_order_relaxed) - before));
    });
    tick.start(50);
    qApp->installEventFilter(this);
    dialog.setValue(0);
    emit dialogCreated(&dialog);

    runAside(work);

    qApp->removeEventFilter(this);
    dialog_ = nullptr;
    if (closeAsked_)
        QMetaObject::invokeMethod(window_, &QWidget::close, Qt::QueuedConnection);
}

void TrainingProgress::runAside(const std::function<void()>& work) {
    QEventLoop loop;
    std::thread worker([&] {
        work();
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
}

bool TrainingProgress::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::Drop:
    case QEvent::Close: {
        // The melody and the network must not change under the training.
        // Input reaches a widget through its window first: the dialog's own
        // window is the dialog's, or its button would never see the mouse.
        bool inDialog = false;
        if (dialog_ != nullptr) {
            if (auto* widget = qobject_cast<QWidget*>(watched))
                inDialog = widget == dialog_ || dialog_->isAncestorOf(widget);
            else if (auto* window = qobject_cast<QWindow*>(watched))
                inDialog = window == dialog_->windowHandle();
        }
        if (!inDialog) {
            // Closing the window stops the training; the window closes once it has ended.
            if (event->type() == QEvent::Close && (watched == window_ || watched == window_->windowHandle())) {
                closeAsked_ = true;
                control_.cancel.store(true, std::memory_order_relaxed);
            }
            event->ignore();
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
