#include "midi/MelodyTrackChooser.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <string>
#include <string_view>

namespace {

// Keys where tunes are sung and played: G3 (55) to C6 (84).
constexpr int MelodyLowKey = 55;
constexpr int MelodyHighKey = 84;

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

bool NameHas(const std::string& lower, std::initializer_list<std::string_view> words) {
    return std::any_of(words.begin(), words.end(),
                       [&](std::string_view word) { return lower.find(word) != std::string::npos; });
}

bool BassName(const std::string& lower) {
    return NameHas(lower, {"bass", "бас"}) && !NameHas(lower, {"bassoon"});
}

bool LeadName(const std::string& lower) {
    return NameHas(lower, {"lead",    "melod",    "мелод",   "solo",   "соло",  "vocal",     "voice",   "vox",
                           "sing",    "голос",    "tune",    "theme",  "flute", "флейт",     "piccolo", "recorder",
                           "whistle", "trumpet",  "труб",    "cornet", "sax",   "сакс",      "violin",  "скрип",
                           "fiddle",  "clarinet", "кларнет", "oboe",   "гобой", "harmonica", "ocarina", " rh "});
}

bool AccompanimentName(const std::string& lower) {
    return NameHas(lower, {"pad", "chord", "аккорд", "rhythm", "ритм", "accomp", "аккомп", "backing", "harmony",
                           "strings", "струн", "drum", "perc", "удар", " lh ", "left"});
}

// Programs of lead instruments: violin, trumpet, saxophones, reeds, pipes,
// synth leads, harmonica, voices, bagpipe, fiddle, shanai.
bool LeadProgram(int program) {
    return program == 40 || program == 56 || (program >= 64 && program <= 69) || (program >= 71 && program <= 87) ||
           program == 22 || program == 53 || program == 54 || (program >= 109 && program <= 111);
}

// Programs that colour or keep time rather than carry a tune: orchestra hit,
// timpani, pads, effects, percussive and sound effects.
bool BackgroundProgram(int program) {
    return program == 55 || program == 47 || program >= 88;
}

bool BassProgram(int program) {
    return program >= 32 && program <= 39;
}

// The key below which half of the counted notes lie.
int MedianKey(const std::array<uint64_t, 128>& keys, uint64_t total) {
    uint64_t seen = 0;
    for (int key = 0; key < 128; ++key) {
        seen += keys[key];
        if (seen * 2 >= total)
            return key;
    }
    return 127;
}

} // namespace

MelodyTrackChooser::MelodyTrackChooser(const std::vector<MidiTrackInfo>& tracks) : verdicts_(tracks.size()) {
    size_t mostNotes = 1;
    std::array<uint64_t, 128> allKeys{};
    uint64_t allNotes = 0;
    for (size_t i = 0; i < tracks.size(); ++i) {
        const MidiTrackInfo& track = tracks[i];
        Verdict& verdict = verdicts_[i];
        verdict.candidate = track.hasMelodicNotes() && track.failure.error == MidiError::None;
        if (!verdict.candidate)
            continue;
        ++candidates_;
        mostNotes = std::max(mostNotes, track.notes);
        for (int key = 0; key < 128; ++key)
            allKeys[key] += track.keys[key];
        allNotes += track.notes;
    }

    for (size_t i = 0; i < tracks.size(); ++i) {
        const MidiTrackInfo& track = tracks[i];
        Verdict& verdict = verdicts_[i];
        if (!verdict.candidate)
            continue;
        // Padded, so that short words like "RH" are found only as words.
        const std::string name = " " + Lower(track.name) + " ";
        verdict.bass = BassProgram(track.program) || BassName(name);
        verdict.leadLike = LeadName(name) || LeadProgram(track.program);
        verdict.accompaniment = AccompanimentName(name) || BackgroundProgram(track.program);
        if (candidates_ > 1) {
            std::array<uint64_t, 128> others = allKeys;
            for (int key = 0; key < 128; ++key)
                others[key] -= track.keys[key];
            const int median = MedianKey(others, allNotes - track.notes);
            uint64_t below = 0;
            for (int key = 0; key < median; ++key)
                below += track.keys[key];
            verdict.low = below * 4 >= static_cast<uint64_t>(track.notes) * 3;
        }
        uint64_t inRange = 0;
        for (int key = MelodyLowKey; key <= MelodyHighKey; ++key)
            inRange += track.keys[key];
        const double notes = static_cast<double>(track.notes);
        const double single = track.onsets > 0 ? 1.0 - static_cast<double>(track.chordOnsets) / track.onsets : 0.0;
        verdict.score = 3.0 * single + 2.0 * static_cast<double>(inRange) / notes +
                        3.0 * std::log1p(notes) / std::log1p(static_cast<double>(mostNotes)) +
                        (verdict.leadLike ? 2.0 : 0.0) - (verdict.accompaniment ? 2.0 : 0.0);
    }

    // Bass and low tracks only when nothing else is left.
    for (const bool setAsideOnly : {false, true}) {
        double best = 0.0;
        for (size_t i = 0; i < verdicts_.size(); ++i) {
            const Verdict& verdict = verdicts_[i];
            if (!verdict.candidate || (!setAsideOnly && (verdict.bass || verdict.low)))
                continue;
            if (!chosen_ || verdict.score > best) {
                chosen_ = static_cast<int>(i);
                best = verdict.score;
            }
        }
        if (chosen_)
            return;
    }
}
