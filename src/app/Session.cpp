#include "app/Session.h"

#include "app/Defaults.h"
#include "engine/Prediction.h"
#include "engine/Training.h"
#include "melody/CommandText.h"
#include "numbers/NumberText.h"

#include <algorithm>
#include <new>
#include <utility>

namespace app {

Session::Session(std::shared_ptr<const FormulaLibrary> library, platform::FileSystem& files,
                 platform::ProcessStarter& starter, const platform::LocaleNumbers& locale)
    : state_(std::move(library)), files_(files), locale_(locale), player_(files, starter, files.programFolder()) {}

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
}

// ---------------------------------------------------------------- field rules

MelodyParseInfo Session::SetMelodyText(std::string_view text) {
    melodyText_ = text;
    const MelodyParseInfo info = ParseMelody(state_, melodyText_);
    beginningCommand_ = ::CommandText(state_, 0, state_.MelodyLen + 1);
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
    state_.InputCount = std::max(CountOf(text), defaults::MinInputCount);
    state_.HiddenCount = DefaultHiddenCount(state_.InputCount);
    return state_.HiddenCount;
}

void Session::SetHiddenCountText(std::string_view text) {
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

TrainingResult Session::Train(int32_t iterations) {
    TrainingResult result;
    result.failure = EnsureNetwork();
    if (result.failure)
        return result;
    const MelodyTrainingOutcome outcome = TrainMelody(state_, iterations);
    result.report = ScoreWindows(state_);
    result.report.trained = outcome.trained;
    result.report.iterationsPerWindow = outcome.iterationsPerWindow;
    result.report.diverged = outcome.diverged;
    result.firstClick = !trained_;
    trained_ = true;
    lastReport_ = result.report;
    curve_.push_back(
        {result.report.meanError, result.report.exact, static_cast<int32_t>(result.report.windows.size())});
    Notify(Change::Trained);
    return result;
}

PredictionResult Session::Predict() {
    PredictionResult result;
    result.untrained = !trained_;
    result.failure = EnsureNetwork();
    if (result.failure)
        return result;
    result.code = PredictNote(state_);
    lastPrediction_ = result.code;
    Notify(Change::Predicted);
    return result;
}

ContinuationResult Session::Continue(int32_t count) {
    ContinuationResult result;
    result.untrained = !trained_;
    result.requested = count;
    result.failure = EnsureNetwork();
    if (result.failure)
        return result;
    result.codes = ContinueMelody(state_, count);
    result.shortened = count > state_.ContLen;
    continuationCommand_ = ::CommandText(state_, 1, state_.ContLen);
    Notify(Change::Continued);
    return result;
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

std::string Session::historyFolder() const {
    return player_.history().value_or(std::string());
}

PlayingResult Session::Play(MelodyPart part) {
    const PlayResult played = player_.PlayCmd(CommandText(part));
    PlayingResult result;
    result.commandFile = played.filePath;
    Failure& failure = result.failure;
    failure.reason = played.reason;
    failure.path = played.filePath;
    switch (played.status) {
    case PlayResult::Status::Started:
        failure = {};
        break;
    case PlayResult::Status::HistoryUnavailable:
        failure.problem = Problem::HistoryUnavailable;
        failure.path = played.folder;
        break;
    case PlayResult::Status::HistoryFull:
        failure.problem = Problem::HistoryFull;
        failure.path = played.folder;
        break;
    case PlayResult::Status::WriteFailed:
        failure.problem = Problem::CommandFileNotWritten;
        break;
    case PlayResult::Status::StartFailed:
        failure.problem = Problem::PlayerNotStarted;
        break;
    }
    return result;
}

Failure Session::Save(const std::string& path) {
    if (Failure failure = EnsureNetwork())
        return failure;
    const NetworkFileSaving saving = SaveNetworkFile(files_, path, state_);
    Failure failure;
    failure.path = path;
    failure.reason = saving.systemReason;
    if (saving.error == NetworkFileError::NotFinite)
        failure.problem = Problem::NetworkNotStorable;
    else if (saving.error != NetworkFileError::None)
        failure.problem = Problem::NetworkFileNotWritten;
    return failure;
}

LoadResult Session::Load(const std::string& path) {
    LoadResult result;
    result.failure.path = path;
    NetworkFileReading reading = ReadNetworkFileAt(files_, path);
    if (!reading.network) {
        result.failure.problem = Problem::NetworkFileBroken;
        result.failure.reading = std::move(reading);
        return result;
    }
    result.network = std::move(*reading.network);
    const bool wasChanged = state_.NSChanged;
    SetNetworkChanged(false);
    try {
        const NetworkFileError error = ApplyNetworkFile(state_, result.network);
        if (error != NetworkFileError::None) {
            // Nothing was applied: the network and its flag stay as they were.
            SetNetworkChanged(wasChanged);
            result.failure.problem = Problem::NetworkFileBroken;
            result.failure.reading.error = error;
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
