#include "app/Session.h"

#include "app/Defaults.h"
#include "engine/Prediction.h"
#include "engine/Training.h"
#include "melody/CommandReader.h"
#include "melody/CommandText.h"
#include "midi/MidiExport.h"
#include "midi/MidiLayout.h"
#include "numbers/NumberText.h"
#include "platform/NativePath.h"
#include "platform/SignalCleanup.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <new>
#include <utility>

namespace app {

Session::Session(std::shared_ptr<const FormulaLibrary> library, platform::FileSystem& files,
                 platform::ProcessStarter& starter, const platform::LocaleNumbers& locale)
    : state_(std::move(library)), files_(files), starter_(starter), locale_(locale),
      player_(files, starter, files.programFolder()) {}

void Session::Start() {
    state_.CreateOutNeuron();
    state_.ContLen = 0;
}

int Session::AddListener(std::function<void(Change)> listener) {
    listeners_.emplace_back(nextListener_, std::move(listener));
    return nextListener_++;
}

void Session::RemoveListener(int number) {
    std::erase_if(listeners_, [number](const auto& entry) { return entry.first == number; });
}

void Session::Notify(Change change) {
    // A listener may remove itself: call a copy.
    const auto listeners = listeners_;
    for (const auto& [number, listener] : listeners)
        listener(change);
}

void Session::ForgetLearning() {
    curve_.clear();
    lastReport_ = {};
    lastRun_.reset();
}

// ---------------------------------------------------------------- field rules

MelodyParseInfo Session::SetMelodyText(std::string_view text) {
    melodyText_ = text;
    const MelodyParseInfo info = ParseMelodyCodes(melodyText_, state_.Melody.data(), mdMain::MelodyCapacity);
    state_.MelodyLen = info.stored - 1;
    beginningCommand_ = StretchText(0, info.stored);
    Notify(Change::Melody);
    return info;
}

void Session::SetNoteLengthText(std::string_view text) {
    state_.NoteLen = LengthFieldValue(text);
    SetMelodyText(std::string(melodyText_));
}

void Session::SetPauseLengthText(std::string_view text) {
    state_.PauseLen = LengthFieldValue(text);
    SetMelodyText(std::string(melodyText_));
}

int32_t Session::DefaultHiddenCount(int32_t inputCount) {
    // Integer arithmetic, so that powers of two give their exact exponent.
    int32_t k = 0;
    for (uint32_t rest = static_cast<uint32_t>(inputCount); rest > 1; rest >>= 1)
        ++k;
    return k;
}

int32_t Session::SetInputCountText(std::string_view text) {
    inputText_ = text;
    hiddenText_.clear();
    state_.InputCount = std::max(CountOf(text), defaults::MinInputCount);
    state_.HiddenCount = DefaultHiddenCount(state_.InputCount);
    return state_.HiddenCount;
}

void Session::SetHiddenCountText(std::string_view text) {
    hiddenText_ = text;
    state_.HiddenCount = std::max(CountOf(text), defaults::MinHiddenCount);
}

void Session::SetAlphaText(std::string_view text) {
    state_.Alpha = StrToDbl(text, locale_);
}

void Session::SetLearnStepText(std::string_view text) {
    state_.LearnStep = StrToDbl(text, locale_);
}

void Session::SetShape(int32_t inputCount, int32_t hiddenCount, double alpha) {
    state_.InputCount = inputCount;
    state_.HiddenCount = hiddenCount;
    state_.Alpha = alpha;
    inputText_.clear();
    hiddenText_.clear();
    SetNetworkChanged(true);
}

int32_t Session::CountOf(std::string_view text) const {
    return RoundToInt32(StrToDbl(text, locale_));
}

void Session::SetNetworkChanged(bool changed) {
    state_.NSChanged = changed;
    if (networkChanged_)
        networkChanged_(changed);
}

void Session::NewNetwork() {
    SetNetworkChanged(true);
    trained_ = false;
    ForgetLearning();
    Notify(Change::Network);
}

// ---------------------------------------------------------------- protocol

Failure Session::BuildFailure(ShapeCheck check) const {
    Failure failure;
    failure.problem = check == ShapeCheck::CountBelowOne ? Problem::ShapeCountBelowOne : Problem::ShapeTooLarge;
    failure.inputCount = state_.InputCount;
    failure.hiddenCount = state_.HiddenCount;
    // The message names what was typed, not the value it was held to.
    failure.inputText = inputText_;
    failure.hiddenText = hiddenText_;
    return failure;
}

Failure Session::CheckShape() const {
    const ShapeCheck check = state_.CheckShape();
    return check == ShapeCheck::Buildable ? Failure{} : BuildFailure(check);
}

Failure Session::EnsureNetwork() {
    if (!state_.NSChanged)
        return {};
    // Refused before anything changes, so the shape fields stay open.
    if (Failure failure = CheckShape())
        return failure;
    SetNetworkChanged(false);
    try {
        state_.CreateNS();
    } catch (const std::bad_alloc&) {
        // The old network is gone or incomplete: the next use builds again.
        SetNetworkChanged(true);
        return Failure::Of(Problem::OutOfMemory);
    }
    ForgetLearning();
    Notify(Change::Network);
    return {};
}

TrainingResult Session::Train(int32_t iterations, TrainingControl* control, const WorkRunner& runner) {
    TrainingResult result;
    result.failure = EnsureNetwork();
    if (result.failure)
        return result;
    MelodyTrainingOutcome outcome;
    const auto work = [&] { outcome = TrainMelody(state_, iterations, control); };
    if (runner)
        runner(work);
    else
        work();
    result.report = app::ScoreWindows(state_);
    result.report.trained = outcome.trained;
    result.report.iterationsPerWindow = outcome.iterationsPerWindow;
    result.report.diverged = outcome.diverged;
    result.report.cancelled = outcome.cancelled;
    result.report.iterationsRun = outcome.iterationsRun;
    result.firstClick = !trained_;
    trained_ = true;
    lastReport_ = result.report;
    lastRun_.reset();
    curve_.push_back(
        {result.report.meanError, result.report.exact, static_cast<int32_t>(result.report.windows.size())});
    Notify(Change::Trained);
    return result;
}

const LearningReport& Session::RecordTraining(const std::vector<CurvePoint>& epochs, const ResultRun& run) {
    lastReport_ = app::ScoreWindows(state_);
    lastRun_ = run;
    lastReport_.trained = true;
    trained_ = true;
    curve_.insert(curve_.end(), epochs.begin(), epochs.end());
    Notify(Change::Trained);
    return lastReport_;
}

PredictionResult Session::Predict() {
    PredictionResult result;
    result.failure = EnsureNetwork();
    if (result.failure)
        return result;
    result.code = PredictNote(state_);
    lastPrediction_ = result.code;
    Notify(Change::Predicted);
    return result;
}

ContinuationResult Session::Continue(int32_t count, bool melodyNotes) {
    ContinuationResult result;
    result.untrained = !trained_;
    result.failure = EnsureNetwork();
    if (result.failure)
        return result;
    result.codes = ContinueMelody(state_, count, melodyNotes);
    result.shortened = count > state_.ContLen;
    result.text = CodeListText(result.codes.data(), static_cast<int32_t>(result.codes.size()));
    continuationCommand_ = StretchText(state_.MelodyLen + 1, state_.ContLen);
    Notify(Change::Continued);
    return result;
}

std::string Session::StretchText(int32_t start, int32_t notes) const {
    return ::CommandText(state_.Melody.data(), mdMain::MelodyCapacity, start, notes, state_.NoteLen, state_.PauseLen);
}

std::string Session::CommandText(MelodyPart part) const {
    switch (part) {
    case MelodyPart::Beginning:
        return beginningCommand_;
    case MelodyPart::Continuation:
        return continuationCommand_;
    case MelodyPart::Whole:
        break;
    }
    return beginningCommand_ + " " + continuationCommand_;
}

namespace {

// A player that ended with a failure soon after its start, as the failure of the play.
Failure PlayerEndedFailure(int exitCode, const std::string& said) {
    Failure failure = Failure::Of(Problem::PlayerEnded);
    failure.reason = said;
    while (!failure.reason.empty() && (failure.reason.back() == '\n' || failure.reason.back() == '\r'))
        failure.reason.pop_back();
    if (failure.reason.empty())
        failure.reason = exitCode < 0 ? "аварийное завершение" : "код выхода " + std::to_string(exitCode);
    return failure;
}

} // namespace

std::string Session::historyFolder() const {
    return player_.history().value_or(std::string());
}

PlayingResult Session::Play(MelodyPart part, std::function<void(const Failure&)> failed) {
    platform::ProcessStarter::EarlyFailure ended;
    if (failed)
        ended = [failed = std::move(failed)](int exitCode, const std::string& said) {
            failed(PlayerEndedFailure(exitCode, said));
        };
    const PlayResult played = player_.PlayCmd(CommandText(part), std::move(ended));
    PlayingResult result;
    if (played) {
        result.commandFile = played->filePath;
        return result;
    }
    const PlayFailure& why = played.error();
    result.commandFile = why.filePath;
    Failure& failure = result.failure;
    failure.reason = why.reason;
    failure.path = why.filePath;
    switch (why.error) {
    case PlayError::HistoryUnavailable:
        failure.problem = Problem::HistoryUnavailable;
        failure.path = why.folder;
        if (!why.tried.empty())
            failure.otherPaths.assign(why.tried.begin() + 1, why.tried.end());
        break;
    case PlayError::HistoryFull:
        failure.problem = Problem::HistoryFull;
        failure.path = why.folder;
        break;
    case PlayError::WriteFailed:
        failure.problem = Problem::CommandFileNotWritten;
        break;
    case PlayError::StartFailed:
        failure.problem = Problem::PlayerNotStarted;
        break;
    }
    return result;
}

namespace {

// A melody file's text as the melody field reads it: a line break separates
// items like a comma, unless the line already ended with one; blank lines
// and the line ends at the end are dropped.
std::string MelodyFileText(std::string_view bytes) {
    std::string text;
    size_t start = 0;
    while (start <= bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos)
            end = bytes.size();
        std::string_view line = bytes.substr(start, end - start);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.remove_suffix(1);
        if (line.find_first_not_of(" \t") != std::string_view::npos) {
            const size_t kept = text.find_last_not_of(" \t");
            if (kept != std::string::npos && text[kept] != ',')
                text += ", ";
            text += line;
        }
        start = end + 1;
    }
    return text;
}

std::span<const uint8_t> ByteSpan(const std::string& bytes) {
    return {reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()};
}

// A text file's bytes without the byte-order mark some editors write first.
std::string_view WithoutBom(std::string_view bytes) {
    return bytes.starts_with("\xEF\xBB\xBF") ? bytes.substr(3) : bytes;
}

// Whether a melody file holds a text of codes: digits, separators and
// blanks, at least one digit.
bool IsCodeText(std::string_view bytes) {
    bytes = WithoutBom(bytes);
    constexpr std::string_view Allowed = "0123456789,.;+- \t\r\n";
    return bytes.find_first_of("0123456789") != std::string_view::npos &&
           bytes.find_first_not_of(Allowed) == std::string_view::npos;
}

// Keeps the first line of a program's message.
std::string FirstLine(const std::string& text) {
    std::string line = text.substr(0, text.find('\n'));
    while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

} // namespace

MelodyFileResult Session::ReadMelodyFile(const std::string& path, bool allowText, std::optional<int> track) const {
    MelodyFileResult result;
    result.failure.path = path;
    const uint64_t limit = allowText ? std::max<uint64_t>(MaxMelodyFileBytes, MidiMaxFileBytes) : MidiMaxFileBytes;
    const platform::FileResult<std::string> read = files_.readFile(path, limit);
    const std::string* bytes = read ? &*read : nullptr;
    const bool midi = bytes && LooksLikeMidi(ByteSpan(*bytes));
    const bool tooLarge = !read && read.error().error == platform::FileError::TooLarge;
    if (tooLarge || (bytes && !midi && bytes->size() > MaxMelodyFileBytes)) {
        result.failure.problem = Problem::MelodyFileTooLarge;
        // Whatever the reader refused is above the larger limit it was given.
        const bool midiLimit = midi || tooLarge;
        result.failure.limit = static_cast<int64_t>(midiLimit ? MidiMaxFileBytes : MaxMelodyFileBytes);
        return result;
    }
    if (!bytes) {
        result.failure.problem = Problem::MelodyFileUnreadable;
        result.failure.reason = read.error().reason;
        return result;
    }
    if (bytes->empty()) {
        result.failure.problem = Problem::MelodyFileEmpty;
        return result;
    }
    if (allowText && !midi && !IsCodeText(*bytes)) {
        result.failure.problem = Problem::MelodyFileNotMelody;
        return result;
    }
    if (allowText && !midi) {
        result.text = MelodyFileText(WithoutBom(*bytes));
        result.failure = {};
        return result;
    }
    const MidiImport imported = ImportMidiMelody(ByteSpan(*bytes), track);
    if (!imported) {
        result.failure.problem = Problem::MidiFileBroken;
        result.failure.midi = imported.error();
        return result;
    }
    result.midi = true;
    result.adjusted = *imported;
    result.text = CodeListText(imported->codes.data(), static_cast<int32_t>(imported->codes.size()));
    result.failure = {};
    return result;
}

void Session::RememberMelodyOrigin(const std::string& path, const MelodyFileResult& read) {
    if (!read.midi || read.failure) {
        origin_.reset();
        return;
    }
    origin_ = MelodyOrigin{path, read.adjusted.track, read.adjusted.trackName, read.adjusted.trackCount, read.text};
    // The same text again changes no field, yet the track may be another.
    Notify(Change::Melody);
}

const MelodyOrigin* Session::melodyOrigin() const {
    return origin_ && origin_->text == melodyText_ ? &*origin_ : nullptr;
}

Failure Session::ExportMidi(MelodyPart part, const std::string& path, int program) {
    const ReadResult read = CommandReader::read(CommandText(part));
    MidiExportOptions options;
    options.program = program;
    const std::vector<uint8_t> bytes = MidiFileFromEvents(read.events, options);
    Failure failure;
    failure.path = path;
    if (const platform::FileResult<> written = files_.replaceFile(path, std::string(bytes.begin(), bytes.end()));
        !written) {
        failure.problem = Problem::FileNotWritten;
        failure.reason = written.error().reason;
    }
    return failure;
}

Failure Session::ExportWav(MelodyPart part, const std::string& path, int program) {
    // Rendering a melody of 1024 notes takes seconds; this only guards against a hung player.
    constexpr int PlayerTimeoutMs = 300'000;
    static std::atomic<uint64_t> serial{0};
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    const std::string commandFile = JoinPath(files_.temporaryFolder(), "melodynet-" + std::to_string(now) + "-" +
                                                                           std::to_string(++serial) + ".cmd");
    Failure failure;
    failure.path = path;
    if (const platform::FileResult<> written = files_.writeNewFile(commandFile, CommandText(part) + "\r\n"); !written) {
        failure.problem = Problem::FileNotWritten;
        failure.reason = written.error().reason;
        failure.path = commandFile;
        return failure;
    }
    const platform::SignalCleanup removal(platform::NativePath(commandFile));
    const std::string player = JoinPath(files_.programFolder(), PlayerFileName());
    const platform::ProcessRun run =
        starter_.run(player, {"--wav", path, "--program", std::to_string(program), commandFile}, PlayerTimeoutMs);
    // Left behind, it is only a stray temporary file.
    static_cast<void>(files_.removeFile(commandFile));
    if (!run.started) {
        failure.problem = Problem::PlayerNotStarted;
        failure.path = player;
        failure.reason = run.error;
    } else if (!run.finished || run.exitCode != 0) {
        failure.problem = Problem::PlayerFailed;
        failure.reason = FirstLine(run.errorOutput);
        if (failure.reason.empty())
            failure.reason = run.finished ? "код выхода " + std::to_string(run.exitCode) : "время ожидания истекло";
    }
    return failure;
}

FormulaLibraryResult LoadFormulaLibrary() {
    FormulaLibraryResult result;
    FormulaLibrary::Loading loading = FormulaLibrary::loadBesideProgram();
    if (loading) {
        result.library = std::move(*loading);
    } else {
        result.failure.problem = Problem::FormulaLibraryMissing;
        result.failure.formulaLibrary = loading.error();
    }
    return result;
}

std::string Session::SavePath(const std::string& chosen) {
    return WithNetworkExtension(chosen);
}

SaveResult Session::Save(const std::string& path) {
    SaveResult result;
    result.path = SavePath(path);
    result.failure = EnsureNetwork();
    if (result.failure)
        return result;
    const NetworkFileResult<> saved = SaveNetworkFile(files_, result.path, state_);
    result.failure.path = result.path;
    if (saved)
        return result;
    result.failure.reason = saved.error().systemReason;
    result.failure.problem = saved.error().error == NetworkFileError::NotFinite ? Problem::NetworkNotStorable
                                                                                : Problem::NetworkFileNotWritten;
    return result;
}

std::span<const uint8_t> Session::beginning() const {
    const auto notes = static_cast<size_t>(std::clamp(state_.MelodyLen + 1, 1, mdMain::MelodyCapacity));
    return std::span<const uint8_t>(state_.Melody).first(notes);
}

std::span<const uint8_t> Session::continuation() const {
    const size_t start = beginning().size();
    const auto notes = static_cast<size_t>(std::clamp<int32_t>(state_.ContLen, 0, mdMain::MelodyCapacity));
    return std::span<const uint8_t>(state_.Melody).subspan(start, std::min(notes, state_.Melody.size() - start));
}

NetworkShape Session::shape() const {
    return {state_.InputCount, state_.HiddenCount, state_.Alpha, state_.LearnStep};
}

LoadResult Session::Load(const std::string& path) {
    LoadResult result;
    result.failure.path = path;
    NetworkFileResult<NetworkFile> reading = ReadNetworkFileAt(files_, path);
    if (!reading) {
        result.failure.problem = Problem::NetworkFileBroken;
        result.failure.reading = reading.error();
        return result;
    }
    result.network = std::move(*reading);
    const bool wasChanged = state_.NSChanged;
    SetNetworkChanged(false);
    try {
        if (const NetworkFileResult<> applied = ApplyNetworkFile(state_, result.network); !applied) {
            // Nothing was applied: the network and its flag stay as they were.
            SetNetworkChanged(wasChanged);
            result.failure.problem = Problem::NetworkFileBroken;
            result.failure.reading = applied.error();
            return result;
        }
    } catch (const std::bad_alloc&) {
        // ApplyNetworkFile restored the parameters and asked for a rebuild.
        SetNetworkChanged(state_.NSChanged);
        result.failure.problem = Problem::OutOfMemory;
        return result;
    }
    trained_ = true;
    ForgetLearning();
    Notify(Change::Network);
    result.failure = {};
    return result;
}

} // namespace app
