#include "midi/MidiImport.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr int PercussionChannel = 9;

// A melody note as the track scan finds it, in ticks.
struct MelodyNote {
    uint64_t start = 0;
    uint64_t length = 0;
    uint64_t silenceBefore = 0;
    int key = 0;
};

// Byte range of one MTrk chunk's data.
struct TrackChunk {
    size_t begin = 0;
    size_t end = 0;
};

uint32_t BigEndian(const uint8_t* p, size_t count) {
    uint32_t value = 0;
    for (size_t i = 0; i < count; ++i)
        value = (value << 8) | p[i];
    return value;
}

// Reads the events of one track and follows its highest voice. Onsets are
// handled as they come, so the work is one pass over the bytes and the
// memory is bounded by MidiMaxCodes notes whatever the file holds.
class TrackScan {
public:
    TrackScan(std::span<const uint8_t> bytes, TrackChunk chunk, int track)
        : bytes_(bytes), pos_(chunk.begin), end_(chunk.end), track_(track) {}

    // Reads the whole track; false when it is damaged (see failure()).
    bool run();

    const MidiFailure& failure() const { return failure_; }
    const std::vector<MelodyNote>& notes() const { return notes_; }
    size_t onsetsBeyond() const { return onsetsBeyond_; }
    size_t voicesDropped() const { return voicesDropped_; }
    size_t notesShortened() const { return notesShortened_; }
    bool percussionNotes() const { return percussionNotes_; }

private:
    bool fail(MidiError error, size_t offset) {
        failure_ = {error, offset, track_};
        return false;
    }
    bool readNumber(uint32_t& value);
    bool skip(size_t count, size_t from);
    void noteOn(int channel, int key);
    void noteOff(int channel, int key);
    // Closes the current melody note where the next onset (or the track) begins.
    void finishNote(uint64_t next, bool trackEnd);

    std::span<const uint8_t> bytes_;
    size_t pos_;
    size_t end_;
    int track_;
    MidiFailure failure_;
    uint64_t tick_ = 0;

    std::array<std::array<uint16_t, 128>, 16> sounding_{};
    uint64_t activeNotes_ = 0;
    uint64_t silentSince_ = 0;

    bool haveOnset_ = false;
    bool beyond_ = false; // the current onset lies beyond the notes kept
    MelodyNote current_;
    int currentChannel_ = 0;
    uint32_t olderSameKey_ = 0; // earlier notes of the same key whose note-offs come first
    bool currentEnded_ = false;
    uint64_t currentEnd_ = 0;

    std::vector<MelodyNote> notes_;
    size_t onsetsBeyond_ = 0;
    size_t voicesDropped_ = 0;
    size_t notesShortened_ = 0;
    bool percussionNotes_ = false;
};

bool TrackScan::readNumber(uint32_t& value) {
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

bool TrackScan::skip(size_t count, size_t from) {
    if (count > end_ - pos_)
        return fail(MidiError::Truncated, from);
    pos_ += count;
    return true;
}

bool TrackScan::run() {
    uint8_t runningStatus = 0;
    while (pos_ < end_) {
        uint32_t delta = 0;
        if (!readNumber(delta))
            return false;
        tick_ += delta;
        const size_t eventStart = pos_;
        if (pos_ >= end_)
            return fail(MidiError::Truncated, eventStart);
        uint8_t status = bytes_[pos_];
        if (status >= 0x80) {
            ++pos_;
        } else if (runningStatus != 0) {
            status = runningStatus;
        } else {
            return fail(MidiError::BadEvent, eventStart);
        }

        if (status == 0xff) {
            if (pos_ >= end_)
                return fail(MidiError::Truncated, eventStart);
            const uint8_t type = bytes_[pos_++];
            uint32_t length = 0;
            if (!readNumber(length) || !skip(length, eventStart))
                return false;
            if (type == 0x2f)
                break; // end of track: whatever follows in the chunk is ignored
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

        runningStatus = status;
        const int kind = status >> 4;
        const size_t dataBytes = (kind == 0xc || kind == 0xd) ? 1 : 2;
        if (dataBytes > end_ - pos_)
            return fail(MidiError::Truncated, eventStart);
        for (size_t i = 0; i < dataBytes; ++i)
            if (bytes_[pos_ + i] >= 0x80)
                return fail(MidiError::BadEvent, pos_ + i);
        const int channel = status & 0x0f;
        const int key = bytes_[pos_];
        const int velocity = dataBytes == 2 ? bytes_[pos_ + 1] : 0;
        pos_ += dataBytes;
        if (kind == 0x9 && velocity > 0)
            noteOn(channel, key);
        else if (kind == 0x8 || kind == 0x9)
            noteOff(channel, key);
    }
    if (haveOnset_ && !beyond_)
        finishNote(tick_, true);
    return true;
}

void TrackScan::noteOn(int channel, int key) {
    if (channel == PercussionChannel) {
        percussionNotes_ = true;
        return;
    }
    const bool newOnset = !haveOnset_ || tick_ > current_.start;
    if (newOnset) {
        const bool silent = haveOnset_ && activeNotes_ == 0;
        if (haveOnset_ && !beyond_)
            finishNote(tick_, false);
        haveOnset_ = true;
        beyond_ = notes_.size() >= MidiMaxCodes;
        if (beyond_)
            ++onsetsBeyond_;
        current_.silenceBefore = silent ? tick_ - silentSince_ : 0;
    } else if (!beyond_) {
        ++voicesDropped_;
    }
    if (!beyond_ && (newOnset || key > current_.key)) {
        current_.start = tick_;
        current_.key = key;
        currentChannel_ = channel;
        olderSameKey_ = sounding_[channel][key];
        currentEnded_ = false;
    }
    uint16_t& count = sounding_[channel][key];
    if (count < UINT16_MAX) {
        ++count;
        ++activeNotes_;
    }
}

void TrackScan::noteOff(int channel, int key) {
    if (channel == PercussionChannel || sounding_[channel][key] == 0)
        return;
    --sounding_[channel][key];
    if (--activeNotes_ == 0)
        silentSince_ = tick_;
    if (haveOnset_ && !beyond_ && !currentEnded_ && channel == currentChannel_ && key == current_.key) {
        if (olderSameKey_ > 0) {
            --olderSameKey_;
        } else {
            currentEnded_ = true;
            currentEnd_ = tick_;
        }
    }
}

void TrackScan::finishNote(uint64_t next, bool trackEnd) {
    uint64_t end = currentEnded_ ? std::min(currentEnd_, next) : next;
    if (!trackEnd && (!currentEnded_ || currentEnd_ > next))
        ++notesShortened_;
    current_.length = end - current_.start;
    notes_.push_back(current_);
}

// The most common of the notes' lengths, the shorter on a tie.
uint64_t CommonLength(const std::vector<MelodyNote>& notes) {
    std::vector<uint64_t> lengths;
    lengths.reserve(notes.size());
    for (const MelodyNote& note : notes)
        lengths.push_back(note.length);
    std::sort(lengths.begin(), lengths.end());
    uint64_t best = 0;
    size_t bestRun = 0;
    for (size_t i = 0; i < lengths.size();) {
        size_t j = i;
        while (j < lengths.size() && lengths[j] == lengths[i])
            ++j;
        if (j - i > bestRun) {
            bestRun = j - i;
            best = lengths[i];
        }
        i = j;
    }
    return best;
}

void ReduceToCodes(const TrackScan& scan, MidiMelody& melody) {
    const std::vector<MelodyNote>& notes = scan.notes();
    const uint64_t common = CommonLength(notes);
    melody.voicesDropped = scan.voicesDropped();
    melody.notesShortened = scan.notesShortened();
    melody.notesCut = scan.onsetsBeyond();
    for (size_t i = 0; i < notes.size(); ++i) {
        const MelodyNote& note = notes[i];
        // Twice the silence against the length: no halving, so no rounding.
        if (i > 0 && note.silenceBefore > 0 && note.silenceBefore >= common - common / 2 &&
            melody.codes.size() < MidiMaxCodes)
            melody.codes.push_back(1);
        if (melody.codes.size() >= MidiMaxCodes) {
            melody.notesCut += notes.size() - i;
            break;
        }
        int key = note.key;
        while (key < MidiLowestKey)
            key += 12;
        while (key > MidiHighestKey)
            key -= 12;
        if (key != note.key)
            ++melody.notesMoved;
        melody.codes.push_back(static_cast<uint8_t>(key - 34));
    }
}

// Finds the MTrk chunks after the header; nullopt-like failure otherwise.
MidiFailure FindTracks(std::span<const uint8_t> bytes, std::vector<TrackChunk>& tracks) {
    if (bytes.size() > MidiMaxFileBytes)
        return {MidiError::TooLarge, 0, -1};
    if (bytes.size() < 4 || std::memcmp(bytes.data(), "MThd", 4) != 0)
        return {MidiError::NotMidi, 0, -1};
    if (bytes.size() < 8)
        return {MidiError::Truncated, 4, -1};
    const uint32_t headerLength = BigEndian(bytes.data() + 4, 4);
    if (headerLength < 6)
        return {MidiError::BadHeader, 4, -1};
    if (headerLength > bytes.size() - 8)
        return {MidiError::Truncated, 0, -1};
    const uint32_t format = BigEndian(bytes.data() + 8, 2);
    if (format == 2)
        return {MidiError::UnsupportedFormat, 8, -1};
    if (format > 2)
        return {MidiError::BadHeader, 8, -1};
    const uint32_t announced = BigEndian(bytes.data() + 10, 2);

    size_t offset = 8 + static_cast<size_t>(headerLength);
    // Bytes after the announced tracks are ignored: some writers pad their files.
    while (offset < bytes.size() && (tracks.size() < announced || announced == 0)) {
        if (bytes.size() - offset < 8)
            return {MidiError::Truncated, offset, -1};
        const uint32_t length = BigEndian(bytes.data() + offset + 4, 4);
        if (length > bytes.size() - offset - 8)
            return {MidiError::Truncated, offset, -1};
        if (std::memcmp(bytes.data() + offset, "MTrk", 4) == 0)
            tracks.push_back({offset + 8, offset + 8 + length});
        offset += 8 + static_cast<size_t>(length);
    }
    if (tracks.empty())
        return {MidiError::NoTracks, offset, -1};
    return {};
}

} // namespace

MidiImport ImportMidiMelody(std::span<const uint8_t> bytes, std::optional<int> track) {
    MidiImport result;
    std::vector<TrackChunk> tracks;
    result.failure = FindTracks(bytes, tracks);
    if (!result.ok())
        return result;
    const int count = static_cast<int>(tracks.size());
    result.melody.trackCount = count;
    if (track && (*track < 0 || *track >= count)) {
        result.failure = {MidiError::NoSuchTrack, 0, *track};
        return result;
    }

    bool percussion = false;
    for (int index = track.value_or(0); index < (track ? *track + 1 : count); ++index) {
        const size_t chunk = static_cast<size_t>(index);
        TrackScan scan(bytes, tracks[chunk], index);
        if (!scan.run()) {
            result.failure = scan.failure();
            return result;
        }
        percussion = percussion || scan.percussionNotes();
        if (!scan.notes().empty()) {
            result.melody.track = index;
            ReduceToCodes(scan, result.melody);
            return result;
        }
    }
    result.failure = {percussion ? MidiError::OnlyPercussion : MidiError::NoNotes, 0, track.value_or(-1)};
    return result;
}
