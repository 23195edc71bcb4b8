#include "ui/MelodyFileActions.h"

#include "app/MelodyTracks.h"
#include "app/Messages.h"
#include "ui/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>

namespace {

namespace messages = app::messages;

// The local MIDI file a drag carries, or an empty path.
std::string DroppedMidi(const QMimeData* data) {
    if (!data || !data->hasUrls() || data->urls().size() != 1)
        return {};
    const QUrl url = data->urls().front();
    if (!url.isLocalFile())
        return {};
    const QString path = url.toLocalFile();
    if (!path.endsWith(QStringLiteral(".mid"), Qt::CaseInsensitive) &&
        !path.endsWith(QStringLiteral(".midi"), Qt::CaseInsensitive) &&
        !path.endsWith(QStringLiteral(".rmi"), Qt::CaseInsensitive))
        return {};
    return QFile::encodeName(path).toStdString();
}

} // namespace

MelodyFileActions::MelodyFileActions(frmMain& window, app::Session& session, platform::FileDialogs& dialogs,
                                     platform::MessageBox& messages, const platform::FileSystem& files,
                                     platform::ChoiceDialog& choices)
    : QObject(&window), window_(window), session_(session), dialogs_(dialogs), messages_(messages), files_(files),
      choices_(choices) {
    open_ = new QAction(QString::fromUtf8(messages::OpenMidiAction), this);
    saveMidi_ = new QAction(QString::fromUtf8(messages::SaveMidiAction), this);
    saveWav_ = new QAction(QString::fromUtf8(messages::SaveWavAction), this);
    connect(open_, &QAction::triggered, this, &MelodyFileActions::openMidiDialog);
    connect(saveMidi_, &QAction::triggered, this, &MelodyFileActions::saveMidiDialog);
    connect(saveWav_, &QAction::triggered, this, &MelodyFileActions::saveWavDialog);
    for (QAction* action : {open_, saveMidi_, saveWav_})
        window_.addContextAction(action);

    // The melody fields take text drops themselves; a MIDI file is ours.
    window_.setAcceptDrops(true);
    window_.installEventFilter(this);
    for (const char* name : {"Text1(0)", "Text1(1)"})
        if (auto* field = window_.findChild<QLineEdit*>(QString::fromLatin1(name)))
            field->installEventFilter(this);
}

bool MelodyFileActions::reported(const app::Failure& failure) {
    if (!failure)
        return true;
    messages_.show(messages::Text(failure), platform::MessageIcon::Warning);
    return false;
}

bool MelodyFileActions::chooseTrack(const std::string& path, std::optional<int>& track) {
    track.reset();
    const app::MelodyTracksResult listed = app::ReadMelodyTracks(files_, path);
    if (!reported(listed.failure))
        return false;
    const MidiTrackList& list = listed.list;
    if (list.candidates < 2 || !list.chosen)
        return true;
    platform::ChoiceOptions options;
    options.title = messages::ChooseTrackTitle;
    options.label = messages::ChooseTrackQuestion(path);
    std::vector<int> numbers;
    for (const MidiTrackInfo& track : list.tracks) {
        if (!track.hasMelodicNotes() || track.failure.error != MidiError::None)
            continue;
        if (track.number == *list.chosen)
            options.preselected = options.items.size();
        options.items.push_back(messages::TrackLine(track));
        numbers.push_back(track.number);
    }
    const std::optional<size_t> chosen = choices_.choose(options);
    if (!chosen || *chosen >= numbers.size())
        return false;
    track = numbers[*chosen];
    return true;
}

bool MelodyFileActions::openMidi(const std::string& path) {
    std::optional<int> track;
    if (!chooseTrack(path, track))
        return false;
    const app::MelodyFileResult read = session_.ReadMelodyFile(path, false, track);
    if (!reported(read.failure))
        return false;
    session_.RememberMelodyOrigin(path, read);
    window_.ShowMelody(read.text);
    const std::string changes = messages::MidiAdjustments(path, read.adjusted);
    if (!changes.empty())
        messages_.show(changes, platform::MessageIcon::Information);
    return true;
}

void MelodyFileActions::openMidiDialog() {
    platform::FileDialogOptions options;
    options.title = messages::OpenMidiTitle;
    options.filters = {{messages::MidiFilter, messages::MidiPattern}, {messages::AllFilesFilter, "*.*"}};
    options.mustExist = true;
    if (const std::optional<std::string> chosen = dialogs_.openFile(options))
        openMidi(*chosen);
}

std::optional<std::string> MelodyFileActions::chooseSavePath(const char* title, const char* filter, const char* pattern,
                                                             const char* extension) {
    platform::FileDialogOptions options;
    options.title = title;
    options.filters = {{filter, pattern}};
    options.overwritePrompt = true;
    std::optional<std::string> chosen = dialogs_.saveFile(options);
    if (!chosen)
        return chosen;
    const size_t name = chosen->find_last_of("/\\");
    if (chosen->find('.', name == std::string::npos ? 0 : name + 1) == std::string::npos) {
        *chosen += extension;
        // The dialog asked about the name without the extension.
        if (files_.exists(*chosen) && !messages_.ask(messages::ReplaceExisting(*chosen)))
            return std::nullopt;
    }
    return chosen;
}

void MelodyFileActions::saveMidiDialog() {
    if (const std::optional<std::string> path =
            chooseSavePath(messages::SaveMidiTitle, messages::MidiFilter, "*.mid", ".mid"))
        reported(session_.ExportMidi(app::MelodyPart::Whole, *path));
}

void MelodyFileActions::saveWavDialog() {
    const std::optional<std::string> path =
        chooseSavePath(messages::SaveWavTitle, messages::WavFilter, messages::WavPattern, ".wav");
    if (!path)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const app::Failure failure = session_.ExportWav(app::MelodyPart::Whole, *path);
    QApplication::restoreOverrideCursor();
    reported(failure);
}

bool MelodyFileActions::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (!DroppedMidi(drag->mimeData()).empty()) {
            drag->acceptProposedAction();
            return true;
        }
    } else if (event->type() == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(event);
        const std::string path = DroppedMidi(drop->mimeData());
        if (!path.empty()) {
            drop->acceptProposedAction();
            // The drop ends first, so that the dragging program does not
            // wait on the questions and messages that reading may bring.
            QMetaObject::invokeMethod(
                this, [this, path] { openMidi(path); }, Qt::QueuedConnection);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
