#include "plot/RollData.h"

#include "engine/Prediction.h"
#include "engine/mdMain.h"

#include <algorithm>

RollData RollDataOf(const mdMain& state, std::vector<uint8_t> continuation, const app::LearningReport* report,
                    bool continuationStale) {
    RollData data;
    const auto notes = static_cast<size_t>(std::clamp(state.MelodyLen + 1, 0, mdMain::MelodyCapacity));
    data.beginning.assign(state.Melody.begin(), state.Melody.begin() + static_cast<std::ptrdiff_t>(notes));
    data.continuation = std::move(continuation);
    data.continuationStale = continuationStale;
    int low = 50, high = 1;
    for (const auto* part : {&data.beginning, &data.continuation})
        for (const uint8_t code : continuationStale&& part == &data.continuation ? std::vector<uint8_t>{} : *part)
            if (code >= 2 && code <= 49) {
                low = std::min<int>(low, code);
                high = std::max<int>(high, code);
            }
    if (low <= high) {
        low = std::max(2, low - RollMargin);
        high = std::min(49, high + RollMargin);
        // At least an octave, widened on both sides within the grid.
        while (high - low < 11) {
            low = std::max(2, low - 1);
            high = std::min(49, high + 1);
        }
        data.low = static_cast<uint8_t>(low);
        data.high = static_cast<uint8_t>(high);
    }
    if (!report || state.InLayer.size() < 2)
        return data;
    const TrainingWindows windows = TrainingWindowsOf(state, static_cast<int32_t>(state.InLayer.size() - 1));
    if (windows.count() != static_cast<int32_t>(report->windows.size()) || windows.last >= static_cast<int32_t>(notes))
        return data;
    for (int32_t k = 0; k < windows.count(); ++k)
        if (report->windows[static_cast<size_t>(k)].target != data.beginning[static_cast<size_t>(windows.first + k)])
            return data;
    data.firstWindow = windows.first;
    data.windows = report->windows;
    return data;
}
