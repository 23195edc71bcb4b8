#include "midi/MelodyReduction.h"

#include <algorithm>
#include <optional>

namespace {

// Most grace notes before one main note.
constexpr size_t MaxGraceGroup = 4;

// A melody note with the onset it stands for.
struct MelodyOnset {
    uint64_t start = 0;
    uint64_t from = 0;        // where it stands in the rhythm: its start, or its grace notes'
    uint64_t end = 0;         // the melody note's own end
    uint64_t silentFrom = 0;  // when every note of the track begun so far has ended
    uint64_t soundsUntil = 0; // when the last of the onset's notes ends
    int key = 0;
};

std::vector<uint64_t> OnsetSpans(const std::vector<TrackNote>& notes) {
    std::vector<uint64_t> spans;
    spans.reserve(notes.size());
    for (size_t i = 1; i < notes.size(); ++i)
        if (notes[i].start > notes[i - 1].start)
            spans.push_back(notes[i].start - notes[i - 1].start);
    return spans;
}

} // namespace

uint64_t MelodyReduction::CommonSpan(std::vector<uint64_t> spans) {
    std::sort(spans.begin(), spans.end());
    size_t bestFirst = 0;
    size_t bestCount = 0;
    size_t low = 0;
    size_t high = 0;
    for (size_t i = 0; i < spans.size(); ++i) {
        // The spans within a tenth of this one: [low, high).
        const uint64_t x = spans[i];
        while (spans[low] * 10 < x * 9)
            ++low;
        high = std::max(high, i);
        while (high < spans.size() && spans[high] * 10 <= x * 11)
            ++high;
        if (high - low > bestCount) {
            bestCount = high - low;
            bestFirst = low;
        }
    }
    // The middle of the winning group stands for it, so a player's jitter evens out.
    return bestCount == 0 ? 0 : spans[bestFirst + bestCount / 2];
}

std::vector<bool> MelodyReduction::graceNotes(const std::vector<TrackNote>& notes, uint64_t common) const {
    std::vector<bool> grace(notes.size(), false);
    const uint64_t longest = std::min<uint64_t>(common / 4, ticksPer32nd_);
    // A tenth more for the rounding of players and converters.
    const uint64_t limit = longest + longest / 10;
    // From the last note back, so that a group of grace notes leads to its main note.
    size_t next = notes.size(); // the first note of the next onset
    for (size_t i = notes.size(); i-- > 0;) {
        const TrackNote& note = notes[i];
        const bool alone =
            (i == 0 || notes[i - 1].start != note.start) && (i + 1 == notes.size() || notes[i + 1].start != note.start);
        if (i + 1 < notes.size() && notes[i + 1].start != note.start)
            next = i + 1;
        if (!alone || next >= notes.size() || note.end - note.start > limit)
            continue;
        const TrackNote& following = notes[next];
        const bool atOnce = following.start - note.start <= limit + limit / 4 && note.end <= following.start;
        const bool longer = grace[next] || following.end - following.start >= 2 * (note.end - note.start);
        grace[i] = atOnce && longer;
    }
    // A grace note stands alone at its onset, so a group is a run of marks;
    // a longer run is a fast passage of the tune (a run or a fall), kept.
    for (size_t first = 0; first < grace.size();) {
        size_t end = first;
        while (end < grace.size() && grace[end])
            ++end;
        if (end - first > MaxGraceGroup)
            std::fill(grace.begin() + static_cast<std::ptrdiff_t>(first),
                      grace.begin() + static_cast<std::ptrdiff_t>(end), false);
        first = end + 1;
    }
    return grace;
}

namespace {

// The onsets of the melody, in order: grace notes stand at their main note's
// place, and a note that begins within `together` of an onset that still
// sounds joins it, the highest note of the onset being the melody note.
std::vector<MelodyOnset> MelodyOnsets(const std::vector<TrackNote>& notes, const std::vector<bool>& grace,
                                      uint64_t together, MidiMelody& melody) {
    std::vector<MelodyOnset> onsets;
    onsets.reserve(notes.size());
    uint64_t soundingUntil = 0;
    // A group of grace notes takes the place of its main note in the rhythm.
    std::optional<uint64_t> graceFrom;
    uint64_t silentBeforeGrace = 0;
    for (size_t i = 0; i < notes.size(); ++i) {
        const TrackNote& note = notes[i];
        if (grace[i]) {
            ++melody.graceNotes;
            if (!graceFrom) {
                graceFrom = note.start;
                silentBeforeGrace = soundingUntil;
            }
            soundingUntil = std::max(soundingUntil, note.end);
            continue;
        }
        // A note joins the onset only while that onset still sounds: a chord
        // played unevenly, not a fast run.
        if (!onsets.empty() && note.start - onsets.back().start < together && onsets.back().soundsUntil > note.start) {
            MelodyOnset& onset = onsets.back();
            onset.soundsUntil = std::max(onset.soundsUntil, note.end);
            graceFrom.reset();
            ++melody.voicesDropped;
            if (note.key > onset.key) {
                onset.key = note.key;
                onset.end = note.end;
            }
        } else {
            onsets.push_back({note.start, graceFrom.value_or(note.start), note.end,
                              graceFrom ? silentBeforeGrace : soundingUntil, note.end, note.key});
            graceFrom.reset();
        }
        soundingUntil = std::max(soundingUntil, note.end);
    }
    return onsets;
}

// The common time from one melody onset to the next; counts the melody
// notes that still sounded when the next one began.
uint64_t MelodyBeat(const std::vector<MelodyOnset>& onsets, MidiMelody& melody) {
    std::vector<uint64_t> melodySpans;
    melodySpans.reserve(onsets.size());
    for (size_t i = 1; i < onsets.size(); ++i) {
        melodySpans.push_back(onsets[i].from - onsets[i - 1].from);
        if (onsets[i - 1].end > onsets[i].start)
            ++melody.notesShortened;
    }
    if (melodySpans.size() == 1)
        return onsets[0].end - onsets[0].start;
    return MelodyReduction::CommonSpan(melodySpans);
}

// The codes of the onsets, with a pause before an onset that comes late
// after a silence, up to MidiMaxCodes codes.
void WriteCodes(const std::vector<MelodyOnset>& onsets, uint64_t beat, MidiMelody& melody) {
    for (size_t i = 0; i < onsets.size(); ++i) {
        const MelodyOnset& onset = onsets[i];
        if (i > 0 && melody.codes.size() < MidiMaxCodes) {
            const uint64_t span = onset.from - onsets[i - 1].from;
            const uint64_t silence = onset.from > onset.silentFrom ? onset.from - onset.silentFrom : 0;
            // Twice the times against the beat: no halving, so no rounding.
            if (2 * span >= 3 * beat && 2 * silence >= beat && silence > 0)
                melody.codes.push_back(1);
        }
        if (melody.codes.size() >= MidiMaxCodes) {
            melody.notesCut += onsets.size() - i;
            break;
        }
        int key = onset.key;
        while (key < MidiLowestKey)
            key += 12;
        while (key > MidiHighestKey)
            key -= 12;
        if (key != onset.key)
            ++melody.notesMoved;
        melody.codes.push_back(static_cast<uint8_t>(key - 34));
    }
}

} // namespace

void MelodyReduction::reduce(std::vector<TrackNote> notes, MidiMelody& melody) const {
    std::sort(notes.begin(), notes.end(), [](const TrackNote& a, const TrackNote& b) {
        return a.start != b.start ? a.start < b.start : a.key > b.key;
    });
    std::vector<uint64_t> spans = OnsetSpans(notes);
    std::vector<uint64_t> longSpans;
    longSpans.reserve(spans.size());
    std::copy_if(spans.begin(), spans.end(), std::back_inserter(longSpans),
                 [this](uint64_t span) { return span > ticksPer32nd_; });
    const uint64_t common = CommonSpan(longSpans.empty() ? spans : longSpans);

    const std::vector<bool> grace = graceNotes(notes, common);
    const uint64_t together = std::max<uint64_t>(1, std::min<uint64_t>(common / 4, ticksPer32nd_));
    const std::vector<MelodyOnset> onsets = MelodyOnsets(notes, grace, together, melody);
    WriteCodes(onsets, MelodyBeat(onsets, melody), melody);
}
