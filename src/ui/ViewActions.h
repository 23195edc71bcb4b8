#pragma once

#include "app/Session.h"
#include "app/TrainUntil.h"
#include "platform/MessageBox.h"

#include <QObject>

class QAction;
class frmMain;
class TrainingView;

// What the training view adds to the main window: the view "Ход обучения"
// (context menu and Ctrl+L) and "Учить до результата" (context menu and the
// view's button), which repeats the training click with a progress dialog
// and then says what ended it.
class ViewActions : public QObject {
    Q_OBJECT

public:
    // Clicks a run of "Учить до результата" makes at most.
    static constexpr int32_t MaxClicks = 1000;

    // Adds the actions to `window`. The window, the session and the message
    // boxes must outlive the object.
    ViewActions(frmMain& window, app::Session& session, platform::MessageBox& messages);

    // The view, a window of its own owned by the main window.
    TrainingView& view();
    // Shows the view beside the main window and brings it to the front.
    void showView();
    // Runs "Учить до результата" and tells how it ended.
    void trainUntilResult();

    // "Ход обучения" (Ctrl+L) and "Учить до результата", as the context menu holds them.
    QAction* viewAction() const { return viewAction_; }
    QAction* trainUntilAction() const { return trainUntilAction_; }

signals:
    // A run of "Учить до результата" ended, for this reason, and its message was shown.
    void trainUntilEnded(app::TrainUntilEnd end);

private:
    frmMain& window_;
    app::Session& session_;
    platform::MessageBox& messages_;
    TrainingView* view_ = nullptr;
    QAction* viewAction_ = nullptr;
    QAction* trainUntilAction_ = nullptr;
};
