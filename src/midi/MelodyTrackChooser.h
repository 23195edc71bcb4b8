#pragma once

#include "midi/MidiTrackSurvey.h"

#include <optional>
#include <vector>

// Picks the track a listener would call the melody. Candidates are the
// readable tracks with notes outside the percussion channel. A bass track
// (General MIDI programs 32..39, or a name saying bass) and a track whose
// notes mostly lie below the others' are set aside while another candidate
// remains. Among the rest the highest score wins, the earlier track on a
// tie; the score prefers single notes to chords, notes in the melody range,
// many notes, and a name or program of a lead instrument, and holds a name
// of accompaniment against the track.
class MelodyTrackChooser {
public:
    // How one track was judged.
    struct Verdict {
        bool candidate = false; // readable, with notes outside the percussion channel
        bool bass = false;      // bass program or name
        bool low = false;       // at least 3/4 of its notes lie below the others' median key
        bool leadLike = false;  // its name or program says lead, melody, voice, flute, trumpet, ...
        bool accompaniment =
            false; // its name says pad, chords, rhythm, strings, ..., or its program is a pad, an effect, a hit
        double score = 0.0;
    };

    explicit MelodyTrackChooser(const std::vector<MidiTrackInfo>& tracks);

    // The chosen track's index in the list, nullopt without candidates.
    std::optional<int> chosen() const { return chosen_; }
    // The verdict on each track, in the list's order.
    const std::vector<Verdict>& verdicts() const { return verdicts_; }
    // How many candidates there are.
    int candidates() const { return candidates_; }

private:
    std::vector<Verdict> verdicts_;
    std::optional<int> chosen_;
    int candidates_ = 0;
};
