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

#include <algorithm>

ViewActions::ViewActions(frmMain& window, app::Session& session, platform::MessageBox& messages)
    : QObject(&window), window_(window), session_(session), messages_(messages) {
    viewAction_ = new QAction(QStringLiteral("Ход обучения"), this);
    viewAction_->setObjectName(QStringLiteral("showTrainingView"));
    viewAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    connect(viewAction_, &QAction::triggered, this, &ViewActions::showView);
    trainUntilAction_ = new QAction(QStringLiteral("Учить до результата"), this);
    trainUntilAction_->setObjectName(QStringLiteral("trainUntilResult"));
    connect(trainUntilAction_, &QAction::triggered, this, &ViewActions::trainUntilResult);
    window_.addContextAction(viewAction_);
    window_.addContextAction(trainUntilAction_);
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

void ViewActions::trainUntilResult() {
    QProgressDialog progress(QStringLiteral("Учить до результата…"), QStringLiteral("Отмена"), 0, MaxClicks, &window_);
    progress.setObjectName(QStringLiteral("trainUntilProgress"));
    progress.setWindowTitle(frmMain::applicationTitle());
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(0);
    progress.setAutoReset(false);
    progress.setValue(0);
    // "Отмена" also stops the click under way, after its current iteration.
    TrainingControl control;
    connect(&progress, &QProgressDialog::canceled, this,
            [&control] { control.cancel.store(true, std::memory_order_relaxed); });
    const app::TrainUntilOutcome outcome = app::TrainUntil(
        session_, window_.trainingIterations(), MaxClicks,
        [&](int32_t click, const app::TrainingResult& result) {
            progress.setLabelText(QStringLiteral("Нажатие %1: точно %2 из %3 нот, средняя ошибка %4 полутона")
                                      .arg(click)
                                      .arg(result.report.exact)
                                      .arg(result.report.windows.size())
                                      .arg(QLocale().toString(result.report.meanError, 'f', 3)));
            progress.setValue(click);
            // The view repaints its curve between the clicks.
            QCoreApplication::processEvents();
            return !progress.wasCanceled();
        },
        &control, [](const auto& work) { TrainingProgress::runAside(work); });
    progress.close();

    const bool plainEnd = outcome.end == app::TrainUntilEnd::AllExact || outcome.end == app::TrainUntilEnd::Stalled ||
                          outcome.end == app::TrainUntilEnd::Cancelled || outcome.end == app::TrainUntilEnd::ClickLimit;
    messages_.show(app::messages::TrainUntilEnded(outcome, session_.lastReport()),
                   plainEnd ? platform::MessageIcon::Information : platform::MessageIcon::Warning);
    emit trainUntilEnded(outcome.end);
}
