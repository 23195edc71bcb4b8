#pragma once

#include "app/Session.h"
#include "app/TrainUntil.h"
#include "platform/MessageBox.h"

#include <QObject>

class QAction;
class frmMain;
class TrainingView;

// What the training view adds to the main window: the view "Ход обучения"
// (context menu and Ctrl+L), "Учить до результата" (context menu and the
// view's button), which trains with a progress dialog and then says what
// ended it, and "Продолжить в звуках мелодии" (context menu and the view).
class ViewActions : public QObject {
    Q_OBJECT

public:
    // Adds the actions to `window`. The window, the session and the message
    // boxes must outlive the object.
    ViewActions(frmMain& window, app::Session& session, platform::MessageBox& messages);

    // The view, a window of its own owned by the main window.
    TrainingView& view();
    // Shows the view beside the main window and brings it to the front.
    void showView();
    // Runs "Учить до результата" and tells how it ended.
    void trainUntilResult();

    // "Ход обучения" (Ctrl+L), "Учить до результата" and "Продолжить в звуках мелодии", as the context menu holds them.
    QAction* viewAction() const { return viewAction_; }
    QAction* trainUntilAction() const { return trainUntilAction_; }
    QAction* continueInMelodyNotesAction() const { return melodyNotesAction_; }

    // How long a run of "Учить до результата" may take, in seconds (the view's field).
    double trainUntilSeconds() const;

signals:
    // A run of "Учить до результата" ended, for this reason, and its message was shown.
    void trainUntilEnded(app::TrainUntilEnd end);
    // The progress dialog of a run of "Учить до результата" was made; tests cancel through it.
    void trainUntilDialogCreated(QWidget* dialog);

private:
    frmMain& window_;
    app::Session& session_;
    platform::MessageBox& messages_;
    TrainingView* view_ = nullptr;
    QAction* viewAction_ = nullptr;
    QAction* trainUntilAction_ = nullptr;
    QAction* melodyNotesAction_ = nullptr;
};
