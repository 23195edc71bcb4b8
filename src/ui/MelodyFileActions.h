#pragma once

#include "app/Session.h"
#include "platform/ChoiceDialog.h"
#include "platform/FileDialogs.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"

#include <QObject>

#include <string>

class QAction;
class frmMain;

// The window's MIDI and WAV files: "Открыть MIDI-файл…", "Сохранить как
// MIDI-файл…" and "Сохранить как WAV-файл…" in its context menu, and a MIDI
// file dropped on the window, which replaces the beginning of the melody.
// A file with more than one track of notes asks which one to take.
class MelodyFileActions : public QObject {
    Q_OBJECT

public:
    // Adds the actions to `window` and lets it take dropped files. The window,
    // the session and the services must outlive the object.
    MelodyFileActions(frmMain& window, app::Session& session, platform::FileDialogs& dialogs,
                      platform::MessageBox& messages, const platform::FileSystem& files,
                      platform::ChoiceDialog& choices);

    // Reads the melody of a MIDI file into the beginning, as typing it would,
    // after asking for the track when several hold notes; false when it
    // could not or the choice was cancelled.
    bool openMidi(const std::string& path);
    // Asks for a file and runs the action.
    void openMidiDialog();
    void saveMidiDialog();
    void saveWavDialog();

    // The three actions in their menu order.
    QAction* openAction() const { return open_; }
    QAction* saveMidiAction() const { return saveMidi_; }
    QAction* saveWavAction() const { return saveWav_; }

protected:
    // Takes MIDI files dropped on the window or its melody fields.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The path chosen in a save dialog, with `extension` added when its file name has none.
    std::optional<std::string> chooseSavePath(const char* title, const char* filter, const char* pattern,
                                              const char* extension);
    // Shows a failure; false when there was one.
    bool reported(const app::Failure& failure);
    // The track to read into `track`: nullopt for the import's own choice, or
    // the user's when several tracks hold notes; false after a failure or a
    // cancelled choice.
    bool chooseTrack(const std::string& path, std::optional<int>& track);

    frmMain& window_;
    app::Session& session_;
    platform::FileDialogs& dialogs_;
    platform::MessageBox& messages_;
    const platform::FileSystem& files_;
    platform::ChoiceDialog& choices_;
    QAction* open_ = nullptr;
    QAction* saveMidi_ = nullptr;
    QAction* saveWav_ = nullptr;
};
