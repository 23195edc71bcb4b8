#include "midi/MidiTrackReader.h"

bool MidiTrackReader::readNumber(uint32_t& value) {
    const size_t start = pos_;
    value = 0;
    for (int i = 0; i < 4; ++i) {
        if (pos_ >= end_)
            return fail(MidiError::Truncated, start);
        const uint8_t byte = bytes_[pos_++];
        value = (value << 7) | (byte & 0x7fu);
        if ((byte & 0x80u) == 0)
            return true;
    }
    return fail(MidiError::BadNumber, start);
}

bool MidiTrackReader::skip(size_t count, size_t from) {
    if (count > end_ - pos_)
        return fail(MidiError::Truncated, from);
    pos_ += count;
    return true;
}

bool MidiTrackReader::next(MidiTrackEvent& event) {
    while (pos_ < end_) {
        uint32_t delta = 0;
        if (!readNumber(delta))
            return false;
        tick_ += delta;
        const size_t eventStart = pos_;
        if (pos_ >= end_)
            return fail(MidiError::Truncated, eventStart);
        uint8_t status = bytes_[pos_];
        if (status >= 0x80)
            ++pos_;
        else if (runningStatus_ != 0)
            status = runningStatus_;
        else
            return fail(MidiError::BadEvent, eventStart);

        if (status == 0xff) {
            if (pos_ >= end_)
                return fail(MidiError::Truncated, eventStart);
            const uint8_t type = bytes_[pos_++];
            uint32_t length = 0;
            if (!readNumber(length))
                return false;
            const size_t text = pos_;
            if (!skip(length, eventStart))
                return false;
            if (type == 0x2f) {
                pos_ = end_; // end of track: whatever follows in the chunk is ignored
                return false;
            }
            if (type == 0x03) {
                event = {MidiTrackEvent::Kind::TrackName, tick_, 0, 0,
                         std::string_view(reinterpret_cast<const char*>(bytes_.data() + text), length)};
                return true;
            }
            continue;
        }
        if (status == 0xf0 || status == 0xf7) {
            uint32_t length = 0;
            if (!readNumber(length) || !skip(length, eventStart))
                return false;
            continue;
        }
        if (status >= 0xf0)
            return fail(MidiError::BadEvent, eventStart);

        runningStatus_ = status;
        const int kind = status >> 4;
        const size_t dataBytes = (kind == 0xc || kind == 0xd) ? 1 : 2;
        if (dataBytes > end_ - pos_)
            return fail(MidiError::Truncated, eventStart);
        for (size_t i = 0; i < dataBytes; ++i)
            if (bytes_[pos_ + i] >= 0x80)
                return fail(MidiError::BadEvent, pos_ + i);
        const int channel = status & 0x0f;
        const int first = bytes_[pos_];
        const int velocity = dataBytes == 2 ? bytes_[pos_ + 1] : 0;
        pos_ += dataBytes;
        if (kind == 0x9 && velocity > 0)
            event = {MidiTrackEvent::Kind::NoteOn, tick_, channel, first, {}};
        else if (kind == 0x8 || kind == 0x9)
            event = {MidiTrackEvent::Kind::NoteOff, tick_, channel, first, {}};
        else if (kind == 0xc)
            event = {MidiTrackEvent::Kind::Program, tick_, channel, first, {}};
        else
            continue;
        return true;
    }
    return false;
}
