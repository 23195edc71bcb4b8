#include "ui/ViewActions.h"

#include "app/Messages.h"
#include "app/TrainUntil.h"
#include "ui/TrainingProgress.h"
#include "ui/TrainingView.h"
#include "ui/frmMain.h"

#include <QAction>
#include <QCoreApplication>
#include <QLocale>
#include <QProgressDialog>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <mutex>
#include <optional>

ViewActions::ViewActions(frmMain& window, app::Session& session, platform::MessageBox& messages)
    : QObject(&window), window_(window), session_(session), messages_(messages) {
    viewAction_ = new QAction(QString::fromUtf8(app::messages::TrainingViewTitle), this);
    viewAction_->setObjectName(QStringLiteral("showTrainingView"));
    viewAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    connect(viewAction_, &QAction::triggered, this, &ViewActions::showView);
    trainUntilAction_ = new QAction(QString::fromUtf8(app::messages::TrainUntilAction), this);
    trainUntilAction_->setObjectName(QStringLiteral("trainUntilResult"));
    connect(trainUntilAction_, &QAction::triggered, this, &ViewActions::trainUntilResult);
    melodyNotesAction_ = new QAction(QString::fromUtf8(app::messages::ContinueInMelodyNotesAction), this);
    melodyNotesAction_->setObjectName(QStringLiteral("continueInMelodyNotes"));
    connect(melodyNotesAction_, &QAction::triggered, &window_, &frmMain::ContinueInMelodyNotes);
    window_.addContextAction(viewAction_);
    window_.addContextAction(trainUntilAction_);
    window_.addContextAction(melodyNotesAction_);
    // Made now, hidden, so that it has followed every change when it is first shown.
    view();
}

TrainingView& ViewActions::view() {
    if (!view_) {
        view_ = new TrainingView(session_, &window_);
        view_->setWindowIcon(window_.windowIcon());
        view_->setFont(window_.font());
        // Ctrl+L brings the view forward from itself too.
        view_->addAction(viewAction_);
        connect(view_, &TrainingView::trainUntilRequested, trainUntilAction_, &QAction::trigger);
        connect(view_, &TrainingView::continueInMelodyNotesRequested, melodyNotesAction_, &QAction::trigger);
        connect(view_, &TrainingView::melodyEdited, &window_, &frmMain::ShowMelody);
    }
    return *view_;
}

void ViewActions::showView() {
    TrainingView& shown = view();
    if (!shown.isVisible()) {
        // Beside the main window, inside its screen where there is room.
        QPoint place = window_.frameGeometry().topRight() + QPoint(8, 0);
        if (const QScreen* screen = window_.screen()) {
            const QRect free = screen->availableGeometry();
            place.setX(std::min(place.x(), free.right() - shown.width()));
            place.setX(std::max(place.x(), free.left()));
        }
        shown.move(place);
        shown.show();
    }
    shown.raise();
    shown.activateWindow();
}

double ViewActions::trainUntilSeconds() const {
    return view_ ? view_->trainUntilSeconds() : app::DefaultTrainUntilSeconds;
}

void ViewActions::trainUntilResult() {
    const app::LearnableWindows count = app::CountLearnable(session_);
    const QString conflicts = QString::fromStdString(app::messages::ConflictingWindows(count));
    const auto label = [&conflicts](const QString& progress) {
        return conflicts.isEmpty() ? progress : conflicts + QLatin1Char('\n') + progress;
    };
    QProgressDialog progress(label(QString::fromUtf8(app::messages::TrainUntilProgressLabel)),
                             QString::fromUtf8(app::messages::CancelButton), 0, std::max(count.learnable, 1), &window_);
    progress.setObjectName(QStringLiteral("trainUntilProgress"));
    progress.setWindowTitle(frmMain::applicationTitle());
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(0);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    progress.setValue(0);
    // "Отмена" stops the run after its current epoch.
    app::TrainingControl control;
    connect(&progress, &QProgressDialog::canceled, this,
            [&control] { control.cancel.store(true, std::memory_order_relaxed); });
    // The run tells its epochs on the worker thread; the dialog reads the latest now and then.
    std::mutex guard;
    std::optional<app::TrainUntilProgress> latest;
    QTimer tick;
    connect(&tick, &QTimer::timeout, &progress, [&] {
        const std::lock_guard lock(guard);
        if (!latest)
            return;
        progress.setLabelText(label(QString::fromStdString(app::messages::TrainUntilProgressText(*latest))));
        progress.setValue(std::min(latest->exact, progress.maximum()));
    });
    tick.start(100);
    emit trainUntilDialogCreated(&progress);
    app::TrainUntilSettings settings;
    settings.maxSeconds = trainUntilSeconds();
    const app::TrainUntilOutcome outcome = app::TrainUntil(
        session_, settings,
        [&](const app::TrainUntilProgress& now) {
            const std::lock_guard lock(guard);
            latest = now;
            return true;
        },
        &control, [](const auto& work) { TrainingProgress::runAside(work); });
    tick.stop();
    progress.close();

    const bool plainEnd = outcome.end != app::TrainUntilEnd::NotTrained && outcome.end != app::TrainUntilEnd::Failed;
    std::string text = app::messages::TrainUntilEnded(outcome);
    if (!conflicts.isEmpty() && outcome.end != app::TrainUntilEnd::Failed)
        text = conflicts.toStdString() + "\n" + text;
    messages_.show(text, plainEnd ? platform::MessageIcon::Information : platform::MessageIcon::Warning);
    emit trainUntilEnded(outcome.end);
}
