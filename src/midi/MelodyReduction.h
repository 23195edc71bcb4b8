#pragma once

#include "midi/MidiMelody.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// One note of a track, in ticks.
struct TrackNote {
    uint64_t start = 0;
    uint64_t end = 0; // at or after start
    int key = 0;      // 0..127
};

// The rules that reduce a track's notes to the melody a listener hears.
// They work in ticks and measure the track's own rhythm, so tempo and
// articulation do not matter:
// - the common inter-onset time is the most frequent time from one onset to
//   the next (within a tenth), counting only times of a 32nd note or more
//   when there are such;
// - a grace note is a note alone at its onset, at most a quarter of that
//   time and a 32nd note long, that ends before the next onset, which comes
//   at once, and whose next note lasts at least twice as long (or is a
//   grace note itself, in a group of at most four); grace notes are left
//   out, and in the rhythm below a group stands where its main note began
//   and sounds as the main note;
// - onsets closer than a quarter of the common time, and a 32nd note at
//   most, after the first onset of a group form one onset while a note of
//   the group still sounds (a chord played unevenly, not a fast run); its
//   highest note is the melody note, the others are dropped;
// - the common time is measured again on the melody notes; a pause comes
//   before a melody note that begins at least half that time later than
//   it would (1.5 times the common time after the previous onset) after a
//   silence of at least half of it in which no note of the track sounds.
//   With only two melody notes the first one's length stands for the common
//   time. Silence before the first note is not kept;
// - key k becomes code k - 34 after moving keys outside 36..83 by whole
//   octaves into that range; only the first MidiMaxCodes codes are kept.
class MelodyReduction {
public:
    // `ticksPer32nd` is the file's 32nd note (at least 1).
    explicit MelodyReduction(uint32_t ticksPer32nd) : ticksPer32nd_(ticksPer32nd) {}

    // Reduces `notes` (in any order) to `melody`'s codes and counts what changed.
    void reduce(std::vector<TrackNote> notes, MidiMelody& melody) const;

    // The most frequent of the spans (within a tenth), 0 for none; exposed for tests.
    static uint64_t CommonSpan(std::vector<uint64_t> spans);

private:
    // Marks the grace notes among the sorted notes.
    std::vector<bool> graceNotes(const std::vector<TrackNote>& notes, uint64_t common) const;

    uint32_t ticksPer32nd_;
};
