#pragma once

#include "app/Failure.h"
#include "app/LearningReport.h"
#include "app/NoteRange.h"
#include "engine/Training.h"
#include "engine/mdMain.h"
#include "melody/CommandFiles.h"
#include "melody/MelodyText.h"
#include "midi/MidiImport.h"
#include "platform/FileSystem.h"
#include "platform/LocaleNumbers.h"
#include "platform/ProcessStarter.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace app {

// Watches and stops a long training from another thread.
using TrainingControl = ::TrainingControl;
// What parsing a melody text found.
using MelodyParseInfo = ::MelodyParseInfo;

// The network's shape and constants as the session holds them.
struct NetworkShape {
    int32_t inputCount = 0;
    int32_t hiddenCount = 0;
    double alpha = 0.0;
    double learnStep = 0.0;
};

// Outcome of loading the formula library the neurons compute with.
struct FormulaLibraryResult {
    Failure failure;
    std::shared_ptr<const FormulaLibrary> library;
};

// Loads the formula library from beside the program.
FormulaLibraryResult LoadFormulaLibrary();

// Outcome of saving a network file.
struct SaveResult {
    Failure failure;
    std::string path; // the file written: the chosen path with the network extension
};

// The stretches of the melody that can be played.
enum class MelodyPart { Beginning, Continuation, Whole };

// Outcome of a training click.
struct TrainingResult {
    Failure failure;         // the network could not be built; nothing was trained
    bool firstClick = false; // the first click since start-up or a new network: the advice is due
    LearningReport report;
};

// Outcome of predicting the next note.
struct PredictionResult {
    Failure failure;
    uint8_t code = 0;
};

// Outcome of a continuation.
struct ContinuationResult {
    Failure failure;
    bool untrained = false;     // the network had not been trained or loaded
    std::vector<uint8_t> codes; // the notes written behind the beginning
    std::string text;           // the codes as the melody fields list them: "3, 8, 11"
    bool shortened = false;     // the melody buffer held fewer notes than requested
};

// Outcome of a play request.
struct PlayingResult {
    Failure failure;
    std::string commandFile; // the command file written, when one was
};

// Outcome of reading a melody file.
struct MelodyFileResult {
    Failure failure;
    std::string text;    // the melody as the beginning's text, "3, 8, 11"
    bool midi = false;   // read from a MIDI file
    MidiMelody adjusted; // what reading the MIDI file had to change
};

// Where the beginning came from when it was read from a MIDI file.
struct MelodyOrigin {
    std::string path;
    int track = 0; // 0-based
    std::string trackName;
    int trackCount = 0;
    std::string text; // the beginning's text as read
};

// Outcome of loading a network file.
struct LoadResult {
    Failure failure;
    NetworkFile network; // what was loaded, for the fields that show it
};

// What changed in a session, for views that follow it.
enum class Change {
    Melody,    // the beginning was parsed anew (typing, lengths)
    Network,   // a new network was asked for, built or loaded: the learning curve starts again
    Trained,   // a training click ended (its report is the curve's last point)
    Predicted, // the next note was predicted
    Continued, // a continuation was written
};

// One point of the learning curve: a training click's result.
struct CurvePoint {
    double meanError = 0.0; // semitones
    int32_t exact = 0;
    int32_t windows = 0;
    bool epoch = false; // an epoch of "Учить до результата" rather than a click of "Научить"
};

// The last run of "Учить до результата", for the views that tell it.
struct ResultRun {
    int32_t epochs = 0;
    double seconds = 0.0;
    int32_t learnable = 0; // windows that can be exact; the report has the exact ones
};

// One running program: the network and melody state, whether the network
// counts as trained, the History folder and the player start, and the steps
// of the protocol (train, predict, continue, play, save, load) with typed
// results. The window and the command-line tool only turn these into widgets
// and messages, or printed lines and exit codes.
class Session {
public:
    // The platform services must outlive the session.
    Session(std::shared_ptr<const FormulaLibrary> library, platform::FileSystem& files,
            platform::ProcessStarter& starter, const platform::LocaleNumbers& locale);

    // The network and melody state.
    mdMain& state() { return state_; }
    const mdMain& state() const { return state_; }

    // Start-up: the output neuron and an empty continuation. The field texts
    // are read by the Set...Text calls.
    void Start();
    // Chooses the History folder now (the window's start-up); a failure is
    // remembered and reported by the next play, which tries again.
    void PrepareHistory() { player_.PrepareHistory(); }

    // Called with the new NSChanged whenever the rebuild protocol or a load
    // changes it (the window locks or unlocks its shape fields).
    void OnNetworkChanged(std::function<void(bool)> listener) { networkChanged_ = std::move(listener); }
    // Adds a listener told of every change after it happened; returns its
    // number for RemoveListener.
    int AddListener(std::function<void(Change)> listener);
    void RemoveListener(int number);

    // The training clicks since the network was last built or loaded.
    const std::vector<CurvePoint>& learningCurve() const { return curve_; }
    // The report of the last training click, or an empty one.
    const LearningReport& lastReport() const { return lastReport_; }
    // The code predicted last, 0 before any prediction.
    uint8_t lastPrediction() const { return lastPrediction_; }
    // The notes of the beginning as last parsed (at least one).
    std::span<const uint8_t> beginning() const;
    // The notes of the continuation as last written, behind the beginning.
    std::span<const uint8_t> continuation() const;
    // Notes a continuation writes unless told otherwise: as many as the beginning has.
    int32_t defaultContinuationCount() const { return static_cast<int32_t>(beginning().size()); }
    // The network's shape and constants.
    NetworkShape shape() const;
    // The notes of the beginning outside the codes the network is scored on.
    std::vector<OutOfRangeNote> outOfRangeNotes() const { return OutOfRangeNotes(state_); }

    // --- the field rules

    // The melody text of the beginning: kept, parsed into Melody, MelodyLen
    // set and the beginning's command text rebuilt.
    MelodyParseInfo SetMelodyText(std::string_view text);
    // Note length and pause length (1..64, else 8); the kept melody text is
    // parsed again, which rebuilds the beginning's command text.
    void SetNoteLengthText(std::string_view text);
    void SetPauseLengthText(std::string_view text);
    // The input count (at least 2); the hidden count becomes its derived
    // default, which is returned for the hidden field to show.
    int32_t SetInputCountText(std::string_view text);
    // The hidden count (at least 1).
    void SetHiddenCountText(std::string_view text);
    void SetAlphaText(std::string_view text);
    void SetLearnStepText(std::string_view text);
    // The shape and constant set directly (the command-line tool's checked
    // options); the network is marked for building.
    void SetShape(int32_t inputCount, int32_t hiddenCount, double alpha);
    // The learning step set directly.
    void SetLearnStep(double step) { state_.LearnStep = step; }
    // Seeds the random numbers of new weights and of the training order, so
    // that runs repeat; no seed draws one from the clock.
    void SetSeed(std::optional<uint64_t> seed) { state_.SetSeed(seed); }
    // A count typed into the iterations or notes field.
    int32_t CountOf(std::string_view text) const;
    // A number as the user's locale writes it, the form the fields read back.
    std::string LocaleText(double value) const { return locale_.toText(value); }

    // The derived hidden count of an input count: the largest k with 2^k <= count.
    static int32_t DefaultHiddenCount(int32_t inputCount);

    // Sets NSChanged, telling the listener.
    void SetNetworkChanged(bool changed);
    // "Создать новую": the next use builds a new network, which counts as untrained.
    void NewNetwork();
    // Whether the network counts as trained (a training click or a load since the last new network).
    bool trained() const { return trained_; }

    // --- the protocol

    // Why the current counts cannot be built, or no failure.
    Failure CheckShape() const;
    // The rebuild protocol: when NSChanged is set, clears it and builds the
    // network; on a failure NSChanged is set again and nothing else changed.
    Failure EnsureNetwork();
    // Runs a piece of work to its end: the window runs a long training on a
    // worker thread while it shows the progress; without one it runs at once.
    using WorkRunner = std::function<void(const std::function<void()>& work)>;
    // One click of "Научить": the rebuild protocol, training on every window
    // with its share of `iterations` (through `runner`, watched and stopped
    // through `control`), and the learning report afterwards.
    TrainingResult Train(int32_t iterations, TrainingControl* control = nullptr, const WorkRunner& runner = {});
    // Records a training made outside Train (training to the result): the
    // network counts as trained, `epochs` join the learning curve, and the
    // report of the network as it now is becomes the last one.
    const LearningReport& RecordTraining(const std::vector<CurvePoint>& epochs, const ResultRun& run);
    // The run of "Учить до результата" that made the last report, if it was one.
    const std::optional<ResultRun>& lastResultRun() const { return lastRun_; }
    // Every training window of the beginning scored on the network as it is;
    // an empty report while no network is built.
    LearningReport ScoreWindows() { return app::ScoreWindows(state_); }
    // The note after the beginning.
    PredictionResult Predict();
    // `count` notes behind the beginning, fed back one by one; with
    // `melodyNotes`, each the beginning's note nearest to the network's.
    ContinuationResult Continue(int32_t count, bool melodyNotes = false);

    // The command text of a part: the beginning's as last parsed, the
    // continuation's as last continued, or both joined by one blank.
    std::string CommandText(MelodyPart part) const;
    // Writes the part's command text into the next command file and starts
    // the player; with `failed`, a player that ends with a failure within a
    // few seconds is told there later (PlayerEnded, with what it said).
    PlayingResult Play(MelodyPart part, std::function<void(const Failure&)> failed = {});
    // Where command files go; empty while no folder could be had.
    std::string historyFolder() const;

    // Reads a melody file: a MIDI file (told by its "MThd" or RIFF "RMID"
    // start; `track`, when given, 0-based) or, when `allowText`, a text of
    // codes in which line breaks separate items like commas; anything else is
    // refused. Changes nothing: the caller hands the text to SetMelodyText as
    // typing would.
    MelodyFileResult ReadMelodyFile(const std::string& path, bool allowText, std::optional<int> track = {}) const;
    // Remembers where a MIDI file's melody came from, before its text is set;
    // melodyOrigin() names it while the beginning's text stays that text.
    void RememberMelodyOrigin(const std::string& path, const MelodyFileResult& read);
    const MelodyOrigin* melodyOrigin() const;
    // Writes a part as a format-0 MIDI file with General MIDI `program`,
    // through the events the player makes of its command text.
    Failure ExportMidi(MelodyPart part, const std::string& path, int program = 0);
    // Renders a part into a WAV file through the player program.
    Failure ExportWav(MelodyPart part, const std::string& path, int program = 0);

    // Saves the network (after the rebuild protocol) to `path` with the
    // network extension added when it has none.
    SaveResult Save(const std::string& path);
    // The path Save writes for a chosen one.
    static std::string SavePath(const std::string& chosen);
    // Loads a network file: checked whole first, nothing changes on a failure.
    LoadResult Load(const std::string& path);

private:
    Failure BuildFailure(ShapeCheck check) const;
    // The command text of `notes` codes of the melody buffer from `start`, with the set lengths.
    std::string StretchText(int32_t start, int32_t notes) const;
    void Notify(Change change);
    // A new network: the curve and the last report start again.
    void ForgetLearning();

    mdMain state_;
    platform::FileSystem& files_;
    platform::ProcessStarter& starter_;
    const platform::LocaleNumbers& locale_;
    CommandPlayer player_;
    bool trained_ = false;
    std::string melodyText_;
    std::string inputText_;
    std::string hiddenText_;
    std::string beginningCommand_;
    std::string continuationCommand_;
    std::function<void(bool)> networkChanged_;
    std::vector<std::pair<int, std::function<void(Change)>>> listeners_;
    int nextListener_ = 0;
    std::vector<CurvePoint> curve_;
    LearningReport lastReport_;
    std::optional<ResultRun> lastRun_;
    uint8_t lastPrediction_ = 0;
    std::optional<MelodyOrigin> origin_;
};

} // namespace app
