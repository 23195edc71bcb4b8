#include "midi/MidiImport.h"

#include "midi/MelodyReduction.h"
#include "midi/MelodyTrackChooser.h"
#include "midi/MidiLayout.h"
#include "midi/MidiTrackReader.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

constexpr int PercussionChannel = 9;

// The notes of one track outside the percussion channel, a note-off ending
// the earliest sounding note of its key; notes never ended end with the track.
MidiFailure TrackNotes(std::span<const uint8_t> bytes, TrackChunk chunk, int track, std::vector<TrackNote>& notes,
                       size_t& notesBeyond) {
    MidiTrackReader reader(bytes, chunk, track);
    // The notes of each key still sounding, oldest first from `head`: usually
    // none or one, and a vector allocates nothing until used.
    struct Sounding {
        std::vector<size_t> notes;
        size_t head = 0;
    };
    std::array<std::array<Sounding, 128>, 16> sounding;
    MidiTrackEvent event;
    while (reader.next(event)) {
        if (event.channel == PercussionChannel)
            continue;
        Sounding& open = sounding[event.channel][event.value];
        if (event.kind == MidiTrackEvent::Kind::NoteOn) {
            if (notes.size() >= MidiMaxTrackNotes) {
                ++notesBeyond;
                continue;
            }
            open.notes.push_back(notes.size());
            notes.push_back({event.tick, event.tick, event.value});
        } else if (event.kind == MidiTrackEvent::Kind::NoteOff && open.head < open.notes.size()) {
            notes[open.notes[open.head++]].end = event.tick;
            if (open.head == open.notes.size()) {
                open.notes.clear();
                open.head = 0;
            }
        }
    }
    for (auto& channel : sounding)
        for (const Sounding& open : channel)
            for (size_t i = open.head; i < open.notes.size(); ++i)
                notes[open.notes[i]].end = reader.tick();
    return reader.failure();
}

// A failure about the tracks, naming how many there are and which have notes.
MidiFailure TrackFailure(MidiError error, int track, const MidiTrackList& list) {
    MidiFailure failure{error, 0, track};
    failure.trackCount = static_cast<int>(list.tracks.size());
    for (const MidiTrackInfo& info : list.tracks)
        if (info.hasMelodicNotes())
            failure.melodicTracks.push_back(info.number);
    return failure;
}

} // namespace

base::Result<MidiTrackList, MidiFailure> ListMidiTracks(std::span<const uint8_t> bytes) {
    const MidiLayoutResult layout = FindMidiLayout(bytes);
    if (!layout)
        return base::Fail(layout.error());
    MidiTrackList list;
    list.tracks = SurveyMidiTracks(bytes, *layout);
    const MelodyTrackChooser chooser(list.tracks);
    list.chosen = chooser.chosen();
    list.candidates = chooser.candidates();
    return list;
}

MidiImport ImportMidiMelody(std::span<const uint8_t> bytes, std::optional<int> track) {
    const MidiLayoutResult layout = FindMidiLayout(bytes);
    if (!layout)
        return base::Fail(layout.error());
    MidiMelody melody;
    MidiTrackList list;
    list.tracks = SurveyMidiTracks(bytes, *layout);
    const int count = static_cast<int>(list.tracks.size());
    melody.trackCount = count;
    if (track && (*track < 0 || *track >= count))
        return base::Fail(TrackFailure(MidiError::NoSuchTrack, *track, list));
    if (!track) {
        track = MelodyTrackChooser(list.tracks).chosen();
        melody.trackChosen = true;
    }
    if (!track) {
        // No readable track with melodic notes: the first damage found, or why there are no notes.
        for (const MidiTrackInfo& info : list.tracks)
            if (info.failure.error != MidiError::None)
                return base::Fail(info.failure);
        bool percussion = false;
        for (const MidiTrackInfo& info : list.tracks)
            percussion = percussion || info.percussionNotes > 0;
        return base::Fail(TrackFailure(percussion ? MidiError::OnlyPercussion : MidiError::NoNotes, -1, list));
    }
    const MidiTrackInfo& info = list.tracks[static_cast<size_t>(*track)];
    if (info.failure.error != MidiError::None)
        return base::Fail(info.failure);
    if (!info.hasMelodicNotes())
        return base::Fail(
            TrackFailure(info.percussionNotes > 0 ? MidiError::OnlyPercussion : MidiError::NoNotes, *track, list));

    std::vector<TrackNote> notes;
    notes.reserve(std::min(info.notes, MidiMaxTrackNotes));
    size_t notesBeyond = 0;
    TrackNotes(bytes, layout->tracks[static_cast<size_t>(*track)], *track, notes, notesBeyond);
    melody.track = *track;
    melody.trackName = info.name;
    MelodyReduction(layout->ticksPer32nd).reduce(std::move(notes), melody);
    melody.notesCut += notesBeyond;
    return melody;
}
