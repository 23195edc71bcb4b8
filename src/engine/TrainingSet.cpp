#include "engine/TrainingSet.h"

#include "engine/Prediction.h"

#include <algorithm>
#include <map>

namespace {

constexpr double PauseValue = -0.5;

bool learnableCode(uint8_t code) {
    return code >= 1 && code <= 49;
}

} // namespace

TrainingSet TrainingSet::FromMelody(const mdMain& state, int32_t inputCount) {
    TrainingSet set;
    const TrainingWindows windows = TrainingWindowsOf(state, inputCount);
    if (windows.count() <= 0)
        return set;
    set.inputs_ = inputCount;
    set.windows_ = windows.count();
    // Windows are the same when their input codes are; codes, not values,
    // so that the grouping is exact.
    std::map<std::vector<int32_t>, size_t> patternOf;
    std::vector<std::vector<int32_t>> keys;
    std::vector<std::vector<std::pair<uint8_t, int32_t>>> nexts;
    for (int32_t position = windows.first; position <= windows.last; ++position) {
        std::vector<int32_t> key(static_cast<size_t>(inputCount));
        for (int32_t j = 0; j < inputCount; ++j) {
            const int64_t q = static_cast<int64_t>(position) - inputCount + j;
            key[static_cast<size_t>(j)] = q >= 0 ? state.Melody[static_cast<size_t>(q)] : -1;
        }
        const auto [found, added] = patternOf.try_emplace(key, keys.size());
        if (added) {
            keys.push_back(std::move(key));
            nexts.emplace_back();
        }
        auto& counts = nexts[found->second];
        const uint8_t next = state.Melody[static_cast<size_t>(position)];
        const auto same = std::find_if(counts.begin(), counts.end(), [next](const auto& c) { return c.first == next; });
        if (same == counts.end())
            counts.emplace_back(next, 1);
        else
            ++same->second;
    }
    for (size_t p = 0; p < keys.size(); ++p) {
        // The most common next note a network can give; the earliest on a tie.
        const std::pair<uint8_t, int32_t>* chosen = nullptr;
        for (const auto& c : nexts[p])
            if (learnableCode(c.first) && (!chosen || c.second > chosen->second))
                chosen = &c;
        if (!chosen)
            continue;
        set.learnable_ += chosen->second;
        set.targets_.push_back(chosen->first);
        for (const int32_t code : keys[p])
            set.values_.push_back(code < 0 ? PauseValue : NoteToValue(static_cast<uint8_t>(code)));
        set.nexts_.push_back(std::move(nexts[p]));
    }
    return set;
}

double TrainingSet::target(int32_t p) const {
    return NoteToValue(targetCode(p));
}

int32_t TrainingSet::exactWindows(int32_t p, uint8_t code) const {
    for (const auto& c : nexts_[static_cast<size_t>(p)])
        if (c.first == code)
            return c.second;
    return 0;
}
