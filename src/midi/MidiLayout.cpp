#include "midi/MidiLayout.h"

#include <cstring>

namespace {

uint32_t BigEndian(const uint8_t* p, size_t count) {
    uint32_t value = 0;
    for (size_t i = 0; i < count; ++i)
        value = (value << 8) | p[i];
    return value;
}

uint32_t LittleEndian32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

bool StartsWith(std::span<const uint8_t> bytes, size_t at, const char* id) {
    return bytes.size() >= at + 4 && std::memcmp(bytes.data() + at, id, 4) == 0;
}

// The offset of the Standard MIDI File inside a RIFF "RMID" file, and its
// end; false when the RIFF file holds no "data" chunk.
bool RiffMidiData(std::span<const uint8_t> bytes, size_t& begin, size_t& end, MidiFailure& failure) {
    size_t offset = 12;
    while (offset < bytes.size()) {
        if (bytes.size() - offset < 8) {
            failure = {MidiError::Truncated, offset, -1};
            return false;
        }
        const uint32_t length = LittleEndian32(bytes.data() + offset + 4);
        if (StartsWith(bytes, offset, "data")) {
            begin = offset + 8;
            // Some writers put the whole file's length here; the data ends with the file then.
            end = length > bytes.size() - begin ? bytes.size() : begin + length;
            return true;
        }
        if (length > bytes.size() - offset - 8)
            break;
        // RIFF chunks are padded to an even length.
        offset += 8 + static_cast<size_t>(length) + (length & 1u);
    }
    failure = {MidiError::NotMidi, 0, -1};
    return false;
}

} // namespace

bool LooksLikeMidi(std::span<const uint8_t> bytes) {
    return StartsWith(bytes, 0, "MThd") || (StartsWith(bytes, 0, "RIFF") && StartsWith(bytes, 8, "RMID"));
}

MidiLayoutResult FindMidiLayout(std::span<const uint8_t> bytes) {
    MidiLayout layout;
    if (bytes.size() > MidiMaxFileBytes)
        return base::Fail(MidiFailure{MidiError::TooLarge, 0, -1});
    size_t start = 0;
    size_t size = bytes.size();
    if (StartsWith(bytes, 0, "RIFF") && StartsWith(bytes, 8, "RMID")) {
        MidiFailure failure;
        if (!RiffMidiData(bytes, start, size, failure))
            return base::Fail(failure);
    }
    const uint8_t* file = bytes.data() + start;
    const size_t fileSize = size - start;
    if (fileSize < 4 || std::memcmp(file, "MThd", 4) != 0)
        return base::Fail(MidiFailure{MidiError::NotMidi, start, -1});
    if (fileSize < 8)
        return base::Fail(MidiFailure{MidiError::Truncated, start + 4, -1});
    const uint32_t headerLength = BigEndian(file + 4, 4);
    if (headerLength < 6)
        return base::Fail(MidiFailure{MidiError::BadHeader, start + 4, -1});
    if (headerLength > fileSize - 8)
        return base::Fail(MidiFailure{MidiError::Truncated, start, -1});
    const uint32_t format = BigEndian(file + 8, 2);
    if (format == 2)
        return base::Fail(MidiFailure{MidiError::UnsupportedFormat, start + 8, -1});
    if (format > 2)
        return base::Fail(MidiFailure{MidiError::BadHeader, start + 8, -1});
    const uint32_t announced = BigEndian(file + 10, 2);
    const uint32_t division = BigEndian(file + 12, 2);
    if (division & 0x8000u) {
        // SMPTE time: frames per second (negative) times ticks per frame.
        const uint32_t framesPerSecond = 256u - (division >> 8);
        layout.ticksPer32nd = framesPerSecond * (division & 0xffu) / 16u;
    } else {
        layout.ticksPer32nd = division / 8u;
    }
    if (layout.ticksPer32nd == 0)
        layout.ticksPer32nd = 1;

    size_t offset = 8 + static_cast<size_t>(headerLength);
    // Bytes after the announced tracks are ignored: some writers pad their
    // files. A count of 0 reads on, but no further than the field could count.
    const size_t most = announced == 0 ? MidiMaxTracks : announced;
    while (offset < fileSize && layout.tracks.size() < most) {
        if (fileSize - offset < 8)
            return base::Fail(MidiFailure{MidiError::Truncated, start + offset, -1});
        const uint32_t length = BigEndian(file + offset + 4, 4);
        if (length > fileSize - offset - 8)
            return base::Fail(MidiFailure{MidiError::Truncated, start + offset, -1});
        if (std::memcmp(file + offset, "MTrk", 4) == 0)
            layout.tracks.push_back({start + offset + 8, start + offset + 8 + length});
        offset += 8 + static_cast<size_t>(length);
    }
    if (layout.tracks.empty())
        return base::Fail(MidiFailure{MidiError::NoTracks, start + offset, -1});
    return layout;
}
