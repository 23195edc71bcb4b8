#include "app/LearningReport.h"

#include "engine/Prediction.h"
#include "engine/mdMain.h"

#include <algorithm>
#include <cmath>

namespace app {

LearningReport ScoreWindows(mdMain& state) {
    LearningReport report;
    const int32_t inputs = state.InLayer.empty() ? 0 : static_cast<int32_t>(state.InLayer.size() - 1);
    const TrainingWindows windows = TrainingWindowsOf(state, inputs);
    if (windows.count() <= 0)
        return report;
    report.firstWindow = windows.first;
    report.windows.reserve(static_cast<size_t>(windows.count()));
    double errorSum = 0.0;
    for (int32_t position = windows.first; position <= windows.last; ++position) {
        PlaceInputs(state, position);
        const double out = state.CalcNS();
        const uint8_t target = state.Melody[static_cast<size_t>(position)];
        const uint8_t predicted = ValueToNote(out);
        // Measured on the output held to the values of the codes, so that the
        // error never exceeds the distance between two codes (48 semitones and the pause).
        const double held = std::isnan(out) ? out : std::clamp(out, NoteToValue(1), NoteToValue(49));
        errorSum = errorSum + std::fabs(held - NoteToValue(target)) * 48.0;
        if (predicted == target)
            ++report.exact;
        report.windows.push_back({predicted, target});
    }
    report.meanError = errorSum / static_cast<double>(report.windows.size());
    return report;
}

} // namespace app
