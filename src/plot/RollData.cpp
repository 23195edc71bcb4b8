#include "plot/RollData.h"

#include "engine/Prediction.h"
#include "engine/mdMain.h"

#include <algorithm>

RollData RollDataOf(const mdMain& state, std::vector<uint8_t> continuation, const app::LearningReport* report) {
    RollData data;
    const auto notes = static_cast<size_t>(std::clamp(state.MelodyLen + 1, 0, mdMain::MelodyCapacity));
    data.beginning.assign(state.Melody.begin(), state.Melody.begin() + static_cast<std::ptrdiff_t>(notes));
    data.continuation = std::move(continuation);
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
