#!/usr/bin/python3
# Writes the MIDI files that tst_midi imports, with mido as an independent
# writer. Run from this folder: /usr/bin/python3 make_files.py
import mido
from mido import Message, MetaMessage, MidiFile, MidiTrack

Q = 480  # ticks per quarter


def melody(notes, channel=0, velocity_off=False):
    """(key, start, length) in ticks -> a track of note_on/note_off messages."""
    events = []
    for key, start, length in notes:
        events.append((start, 1, Message('note_on', channel=channel, note=key, velocity=90)))
        off = (Message('note_on', channel=channel, note=key, velocity=0) if velocity_off
               else Message('note_off', channel=channel, note=key, velocity=64))
        events.append((start + length, 0, off))
    events.sort(key=lambda e: (e[0], e[1]))
    track, now = MidiTrack(), 0
    for tick, _, msg in events:
        track.append(msg.copy(time=tick - now))
        now = tick
    return track


def save(name, tracks, type=1):
    f = MidiFile(type=type, ticks_per_beat=Q)
    f.tracks.extend(tracks)
    f.save(name)


def in_a_row(keys, length=Q, step=Q):
    return [(k, i * step, length) for i, k in enumerate(keys)]


# Format 1: a tempo track with tempo changes, then the melody c d e (middle C = 60).
tempo = MidiTrack([MetaMessage('set_tempo', tempo=500000), MetaMessage('time_signature'),
                   MetaMessage('set_tempo', tempo=300000, time=Q), MetaMessage('set_tempo', tempo=900000, time=Q)])
save('format1_tempo.mid', [tempo, melody(in_a_row([60, 62, 64]))])

# Format 0, note_on with velocity 0 as note-off; mido writes running status.
save('running_status.mid', [melody(in_a_row([69, 71, 72, 74]), velocity_off=True)], type=0)

# Chords: the highest note of each onset is the melody, lower ones are dropped.
save('chords.mid', [melody([(60, 0, Q), (64, 0, Q), (67, 0, Q),
                            (48, Q, Q), (72, Q, Q),
                            (65, 2 * Q, Q), (62, 2 * Q, Q)])])

# Keys outside 36..83 move by octaves: 24 -> 36, 0 -> 36, 96 -> 72, 127 -> 79, 35 -> 47, 84 -> 72.
save('out_of_range.mid', [melody(in_a_row([24, 0, 96, 127, 35, 84, 36, 83]))])

# Rests: quarter notes; silences of an eighth (half a quarter: a pause),
# a sixteenth (too short), a half (one pause) and none.
save('rests.mid', [melody([(60, 0, Q), (62, Q + Q // 2, Q), (64, 3 * Q - Q // 4, Q),
                           (65, 6 * Q - Q // 4, Q), (67, 7 * Q - Q // 4, Q)])])

# Percussion only (channel 10), and a file with no notes at all.
save('percussion_only.mid', [melody(in_a_row([36, 38, 42]), channel=9)])
save('no_notes.mid', [MidiTrack([MetaMessage('set_tempo', tempo=400000), Message('program_change', program=5),
                                 Message('control_change', control=7, value=100)])])

# Drums first, then a piano track: the first track with melodic notes is read.
save('drums_then_piano.mid', [tempo.copy(), melody(in_a_row([36, 38, 36, 38]), channel=9),
                              melody(in_a_row([67, 65, 64]), channel=1)])

# Sysex, text and marker events amid the notes.
track = melody(in_a_row([55, 57]))
track.insert(1, Message('sysex', data=[0x7e, 0x7f, 0x09, 0x01]))
track.insert(2, MetaMessage('marker', text='here'))
track.insert(0, MetaMessage('text', text='sysex and meta events'))
save('sysex_meta.mid', [track])

# Legato: each note held past the next onset; it ends there.
save('overlaps.mid', [melody([(60, 0, Q + 60), (62, Q, Q + 60), (64, 2 * Q, Q)])])

# Format 2 is refused.
save('format2.mid', [melody(in_a_row([60])), melody(in_a_row([62]))], type=2)

# A file cut in the middle of its track.
save('truncated_full.mid', [melody(in_a_row([60, 62, 64, 65]))], type=0)
with open('truncated_full.mid', 'rb') as f:
    data = f.read()
with open('truncated.mid', 'wb') as f:
    f.write(data[:len(data) - 9])
import os
os.remove('truncated_full.mid')

# --- files a listener hears one way and the first-track, every-onset rule another

# Strummed chords: each chord's notes begin 8 ticks apart, lowest first;
# the tune is the top line g c' e' d'.
strums = []
for i, chord in enumerate([(48, 55, 60, 67), (52, 60, 64, 72), (55, 64, 67, 76), (53, 62, 65, 74)]):
    for k, key in enumerate(chord):
        strums.append((key, i * Q + 8 * k, Q - 8 * k - 10))
save('strummed.mid', [melody(strums)])

# Staccato eighths (sounding a quarter of their time), then a quarter rest
# and two more: one pause, not one after every note.
E = Q // 2
stacc = [(k, i * E, E // 4) for i, k in enumerate([60, 67, 71, 67, 60, 67])]
stacc += [(72, 8 * E, E // 4), (71, 9 * E, E // 4)]
save('staccato.mid', [melody(stacc)])

# Grace notes as abc2midi writes {g}A2: the grace takes a 32nd of the
# main note's time; the tune is a b a g without the graces.
graces = [(69, 0, E - 1), (74, E, Q // 8 - 1), (71, E + Q // 8, Q - Q // 8 - 1),
          (69, E + Q, E - 1), (72, 2 * E + Q, Q // 8 - 1), (67, 2 * E + Q + Q // 8, Q - Q // 8 - 1)]
save('grace.mid', [melody(graces)])

# A bass guitar (program 33) first, then the tune on a piano track without a name.
bass = melody(in_a_row([36, 43, 41, 36], length=Q, step=Q), channel=1)
bass.insert(0, Message('program_change', channel=1, program=33))
bass.insert(0, MetaMessage('track_name', name='Track 1'))
tune = melody(in_a_row([67, 69, 71, 72], length=Q, step=Q))
save('bass_first.mid', [tempo.copy(), bass, tune])

# Two single lines in the same range with the same count of notes; the
# second is named as the lead.
other = melody(in_a_row([67, 65, 64, 65, 67]), channel=2)
other.insert(0, MetaMessage('track_name', name='Guitar'))
lead = melody(in_a_row([67, 69, 67, 65, 64]), channel=3)
lead.insert(0, MetaMessage('track_name', name='Lead Vocal'))
save('lead_named.mid', [other, lead])

# A fall of six short notes into a long one is part of the tune, not grace notes.
fall = [(72, 0, E - 1), (74, E, E - 1), (76, 2 * E, E - 1)]
fall += [(79 - 2 * k, 3 * E + 50 * k, 45) for k in range(6)]
fall += [(67, 3 * E + 300, Q - 1)]
save('fall.mid', [melody(fall)])

# A group of three grace notes before the second note takes its time, as a
# piper's gracing does; it is no rest.
gracing = [(69, 0, E - 1), (74, E, 29), (72, E + 30, 29), (74, E + 60, 29), (71, E + 90, E - 91),
           (69, 2 * E, E - 1), (67, 3 * E, E - 1)]
save('grace_group.mid', [melody(gracing)])
