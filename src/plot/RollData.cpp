#include "plot/RollData.h"

#include <algorithm>

RollData RollDataOf(std::span<const uint8_t> beginning, std::vector<uint8_t> continuation,
                    const app::LearningReport* report, bool continuationStale) {
    RollData data;
    data.beginning.assign(beginning.begin(), beginning.end());
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
    if (!report || report->windows.empty() || report->firstWindow < 0 ||
        static_cast<size_t>(report->firstWindow) + report->windows.size() > data.beginning.size())
        return data;
    for (size_t k = 0; k < report->windows.size(); ++k)
        if (report->windows[k].target != data.beginning[static_cast<size_t>(report->firstWindow) + k])
            return data;
    data.firstWindow = report->firstWindow;
    data.windows = report->windows;
    return data;
}
