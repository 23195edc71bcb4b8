#pragma once

#include "app/Session.h"
#include "platform/FileDialogs.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"

#include <QFont>
#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class QAction;
class QContextMenuEvent;
class QLineEdit;
class QPushButton;
class QStyle;
class QTimer;

// The program's one window: the melody fields, the play buttons, the network
// parameters and commands. Every operation starts from one of its events and
// is carried out by the session; the window shows the results.
class frmMain : public QWidget {
    Q_OBJECT

public:
    // Builds every control, then runs the start-up (Form_Load). The session
    // and the services must outlive the window.
    frmMain(app::Session& session, platform::MessageBox& messages, platform::FileDialogs& dialogs,
            platform::FileSystem& files, QWidget* parent = nullptr);
    ~frmMain() override;

    // Caption of every message box: "Предсказание нот".
    static QString applicationTitle();
    // Caption of the window.
    static QString windowCaption();
    // The fixed 12 px condensed font of the window (DejaVu Sans, else the platform's sans serif).
    static QFont windowFont();

    // Shows the command text of the beginning (Index 0) or of the
    // continuation (Index 1) in Text2(Index).
    void GenerateCmd(int16_t Index);
    // Sets NSChanged and enables (true) or disables (false) txtInput, txtHidden, txtAlpha.
    void SetNewNS(bool NNS);
    // Whether the current network counts as trained.
    bool NSTrained() const { return session_.trained(); }

    // --- additions beside the fixed layout

    // How long the typing must pause before the window tells that a melody was cut to the buffer.
    static constexpr int TruncationNoticeDelayMs = 800;

    // Adds `action` to the context menu of the window's background, its frames
    // and the two melody fields; its shortcut works anywhere in the window.
    void addContextAction(QAction* action);
    // Replaces the beginning of the melody as typing would: the same change handling, and the field's undo.
    void ShowMelody(const std::string& text);
    // The count in the iterations field, as a training click reads it.
    int32_t trainingIterations() const;
    // "Продолжить мелодию" with every note moved to the nearest note of the beginning.
    void ContinueInMelodyNotes();

signals:
    // A training click made its progress dialog (shown only when the click lasts).
    void trainingDialogCreated(QWidget* dialog);

protected:
    // Enter on a button presses that button, elsewhere it presses Command1.
    void keyPressEvent(QKeyEvent* event) override;
    // Catches the context menus of the melody fields.
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The context menu of the background and the frames.
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // Makes the controls of the window's description and sets their order.
    void buildControls();
    void connectHandlers();
    // The control of the window's description named `name`.
    template <typename T>
    T* control(const char* name) const;

    // start-up
    void Form_Load();

    // melody fields
    void Text1_Change();
    void Text5_Change();
    void Text7_Change();

    // network parameters
    void txtInput_Change();
    void txtHidden_Change();
    void txtAlpha_Change();
    void Text3_Change();

    // commands
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command8_Click();
    void Command9_Click();
    void mnSave_Click();
    void mnOpen_Click();

    // Shows the beginning's command text and the continuation's default count.
    void showBeginning();
    // Enables or disables the three shape fields.
    void lockShape(bool locked);
    // Tells that the melody was cut to the buffer.
    void TellTruncation();
    // "Продолжить мелодию", in the beginning's own notes or not.
    void continueMelody(bool melodyNotes);
    // Tells the user about a failure; false when there was one.
    bool reported(const app::Failure& failure);
    // Plays a part of the melody; reports failures.
    void Play(app::MelodyPart part);
    // Shows a message box.
    void Tell(const std::string& text, platform::MessageIcon icon);
    // The text of a field as UTF-8.
    static std::string textOf(const QLineEdit* field);
    // The eight controls that training locks, in their order.
    std::array<QWidget*, 8> trainingControls() const;

    app::Session& session_;
    platform::MessageBox& messages_;
    platform::FileDialogs& dialogs_;
    platform::FileSystem& files_;

    QStyle* style_ = nullptr;
    bool truncationTold_ = false;
    // The notice of a melody cut to the buffer waits for the typing to pause.
    QTimer* truncationNotice_ = nullptr;
    int64_t truncatedItems_ = 0;

    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;
    QPushButton* Command4 = nullptr;
    QPushButton* Command5 = nullptr;
    QPushButton* Command8 = nullptr;
    QPushButton* Command9 = nullptr;
    QPushButton* mnSave = nullptr;
    QPushButton* mnOpen = nullptr;
    std::array<QLineEdit*, 2> Text1{};
    std::array<QLineEdit*, 2> Text2{};
    QLineEdit* Text3 = nullptr;
    QLineEdit* Text4 = nullptr;
    QLineEdit* Text5 = nullptr;
    QLineEdit* Text6 = nullptr;
    QLineEdit* Text7 = nullptr;
    QLineEdit* txtInput = nullptr;
    QLineEdit* txtHidden = nullptr;
    QLineEdit* txtAlpha = nullptr;

    // The added context actions, and the menu of a melody field with them.
    std::vector<QAction*> contextActions_;
    bool showFieldContextMenu(QLineEdit* field, QContextMenuEvent* event);
};
