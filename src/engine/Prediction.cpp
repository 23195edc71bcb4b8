#include "engine/Prediction.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double PauseValue = -0.5;

int32_t builtInputCount(const mdMain& state) {
    return state.InLayer.empty() ? 0 : static_cast<int32_t>(state.InLayer.size() - 1);
}

} // namespace

double NoteToValue(uint8_t code) {
    return (static_cast<double>(code) - 1.0) / 48.0 - 0.5;
}

uint8_t ValueToNote(double value) {
    const double y = (value + 0.5) * 48.0 + 1.5;
    // Clamped while still a double, so NaN, the infinities and huge values
    // never reach a conversion to an integer.
    if (!(y >= 1.0))
        return 1;
    if (y >= 50.0)
        return 49;
    return static_cast<uint8_t>(std::floor(y));
}

void PlaceInputs(mdMain& state, int32_t position) {
    const int32_t inputs = builtInputCount(state);
    for (int32_t j = 1; j <= inputs; ++j)
        state.InLayer[static_cast<size_t>(j)]->setDisplacing(PauseValue);
    for (int32_t j = 1; j <= inputs; ++j) {
        const int64_t q = static_cast<int64_t>(position) - 1 - inputs + j;
        if (q >= 0 && q < mdMain::MelodyCapacity)
            state.InLayer[static_cast<size_t>(j)]->setDisplacing(NoteToValue(state.Melody[static_cast<size_t>(q)]));
    }
}

TrainingWindows TrainingWindowsOf(const mdMain& state, int32_t inputCount) {
    TrainingWindows windows;
    const int32_t last = std::min(state.MelodyLen, mdMain::MelodyCapacity - 1);
    if (last <= 1 || inputCount <= 1)
        return windows;
    windows.first = std::min(inputCount, last);
    windows.last = last;
    return windows;
}

uint8_t PredictNote(mdMain& state) {
    PlaceInputs(state, state.MelodyLen + 1);
    return ValueToNote(state.CalcNS());
}

NoteSet MelodyNotes(const mdMain& state) {
    NoteSet notes{};
    const int32_t last = std::min(state.MelodyLen, mdMain::MelodyCapacity - 1);
    for (int32_t i = 0; i <= last; ++i)
        if (const uint8_t code = state.Melody[static_cast<size_t>(i)]; code >= 1 && code <= 49)
            notes[code] = true;
    return notes;
}

uint8_t NearestNote(double value, const NoteSet& notes) {
    // NaN counts as the pause, as ValueToNote has it; the clamp keeps the
    // infinities comparable.
    value = std::isnan(value) ? PauseValue : std::clamp(value, -1.0, 1.0);
    // Measured on the scale of codes, where the values of codes lie whole
    // numbers apart, so that a value halfway between two is a true tie.
    const double position = (value + 0.5) * 48.0 + 1.0;
    uint8_t nearest = 0;
    double distance = 0.0;
    for (uint8_t code = 1; code <= 49; ++code) {
        const double d = std::fabs(position - code);
        if (notes[code] && (nearest == 0 || d < distance)) {
            nearest = code;
            distance = d;
        }
    }
    return nearest == 0 ? ValueToNote(value) : nearest;
}

std::vector<uint8_t> ContinueMelody(mdMain& state, int32_t count, bool melodyNotes) {
    const NoteSet notes = melodyNotes ? MelodyNotes(state) : NoteSet{};
    std::vector<uint8_t> written;
    if (count > 0)
        written.reserve(static_cast<size_t>(std::min(count, mdMain::MelodyCapacity)));
    for (int32_t i = 1; i <= count; ++i) {
        const int64_t p = static_cast<int64_t>(state.MelodyLen) + i;
        if (p < 0 || p >= mdMain::MelodyCapacity)
            break;
        PlaceInputs(state, static_cast<int32_t>(p));
        const double value = state.CalcNS();
        const uint8_t code = melodyNotes ? NearestNote(value, notes) : ValueToNote(value);
        state.Melody[static_cast<size_t>(p)] = code;
        written.push_back(code);
    }
    state.ContLen = static_cast<int32_t>(written.size());
    return written;
}
