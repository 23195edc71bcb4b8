#include "midi/MidiError.h"

const char* describe(MidiError error) {
    switch (error) {
    case MidiError::None:
        return "no error";
    case MidiError::TooLarge:
        return "the file is too large for a MIDI file";
    case MidiError::NotMidi:
        return "not a MIDI file";
    case MidiError::BadHeader:
        return "damaged MIDI header";
    case MidiError::UnsupportedFormat:
        return "MIDI format 2 is not supported";
    case MidiError::NoTracks:
        return "the MIDI file has no tracks";
    case MidiError::Truncated:
        return "the MIDI file is cut short";
    case MidiError::BadNumber:
        return "damaged length or time in the MIDI file";
    case MidiError::BadEvent:
        return "damaged MIDI event";
    case MidiError::NoSuchTrack:
        return "the MIDI file has no such track";
    case MidiError::NoNotes:
        return "the MIDI file has no notes";
    case MidiError::OnlyPercussion:
        return "the MIDI file has only percussion notes";
    }
    return "unknown MIDI error";
}
