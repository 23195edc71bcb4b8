#include "midi/MidiTrackSurvey.h"

#include "midi/MidiTrackReader.h"

#include <algorithm>

namespace {

constexpr int PercussionChannel = 9;

// Bytes that are not UTF-8 are read as Latin-1, as older writers meant them.
std::string Utf8Name(std::string_view bytes) {
    std::string text;
    size_t i = 0;
    bool valid = true;
    while (i < bytes.size() && valid) {
        const auto c = static_cast<uint8_t>(bytes[i]);
        const size_t length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xe ? 3 : (c >> 3) == 0x1e ? 4 : 0;
        valid = length > 0 && i + length <= bytes.size();
        for (size_t k = 1; valid && k < length; ++k)
            valid = (static_cast<uint8_t>(bytes[i + k]) & 0xc0) == 0x80;
        i += length;
    }
    for (const char byte : bytes) {
        const auto c = static_cast<uint8_t>(byte);
        if (c < 0x20 || c == 0x7f)
            text += ' '; // control characters would break a line of output
        else if (c < 0x80 || valid)
            text += byte;
        else
            text += {static_cast<char>(0xc0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3f))};
    }
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

// Counts one track's notes and onsets, its channels and programs.
class TrackCounter {
public:
    TrackCounter(MidiTrackInfo& info, uint32_t ticksPer32nd) : info_(info), span_(ticksPer32nd) {}

    void add(const MidiTrackEvent& event) {
        switch (event.kind) {
        case MidiTrackEvent::Kind::TrackName:
            if (!named_)
                info_.name = Utf8Name(event.text);
            named_ = true;
            break;
        case MidiTrackEvent::Kind::Program:
            if (programs_[event.channel] < 0)
                programs_[event.channel] = event.value;
            current_[event.channel] = event.value;
            break;
        case MidiTrackEvent::Kind::NoteOn:
            noteOn(event);
            break;
        case MidiTrackEvent::Kind::NoteOff:
            break;
        }
    }

    // Closes the last onset; the channel is the one with most notes.
    void finish() {
        closeOnset();
        const auto most = std::max_element(channelNotes_.begin(), channelNotes_.end());
        if (*most > 0)
            info_.channel = static_cast<int>(most - channelNotes_.begin());
        if (info_.channel >= 0)
            info_.program = sounding_[info_.channel] >= 0 ? sounding_[info_.channel] : programs_[info_.channel];
    }

    // The first program this track sets on a channel, -1 for none.
    int programOf(int channel) const { return programs_[channel]; }

private:
    void noteOn(const MidiTrackEvent& event) {
        if (event.channel == PercussionChannel) {
            ++info_.percussionNotes;
            if (info_.notes == 0)
                ++channelNotes_[PercussionChannel];
            return;
        }
        if (info_.notes == 0)
            channelNotes_[PercussionChannel] = 0; // a melodic track's channel is a melodic one
        if (channelNotes_[event.channel] == 0)
            sounding_[event.channel] = current_[event.channel];
        ++channelNotes_[event.channel];
        ++info_.notes;
        ++info_.keys[event.value];
        info_.low = info_.low < 0 ? event.value : std::min(info_.low, event.value);
        info_.high = std::max(info_.high, event.value);
        if (onsetNotes_ > 0 && event.tick - onsetStart_ < span_) {
            ++onsetNotes_;
            return;
        }
        closeOnset();
        onsetStart_ = event.tick;
        onsetNotes_ = 1;
    }

    void closeOnset() {
        if (onsetNotes_ == 0)
            return;
        ++info_.onsets;
        if (onsetNotes_ > 1)
            ++info_.chordOnsets;
        onsetNotes_ = 0;
    }

    MidiTrackInfo& info_;
    uint64_t span_;
    bool named_ = false;
    std::array<size_t, 16> channelNotes_{};
    static constexpr std::array<int, 16> None = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
    std::array<int, 16> programs_ = None; // the first program set on each channel
    std::array<int, 16> current_ = None;  // the program set last
    std::array<int, 16> sounding_ = None; // the program in force at the channel's first note
    uint64_t onsetStart_ = 0;
    size_t onsetNotes_ = 0;
};

} // namespace

std::vector<MidiTrackInfo> SurveyMidiTracks(std::span<const uint8_t> bytes, const MidiLayout& layout) {
    std::vector<MidiTrackInfo> tracks(layout.tracks.size());
    // The first program each channel gets anywhere, for tracks that set none themselves.
    std::array<int, 16> filePrograms{};
    filePrograms.fill(-1);
    for (size_t index = 0; index < tracks.size(); ++index) {
        MidiTrackInfo& info = tracks[index];
        info.number = static_cast<int>(index);
        MidiTrackReader reader(bytes, layout.tracks[index], info.number);
        TrackCounter counter(info, layout.ticksPer32nd);
        MidiTrackEvent event;
        while (reader.next(event))
            counter.add(event);
        counter.finish();
        info.failure = reader.failure();
        for (int channel = 0; channel < 16; ++channel)
            if (filePrograms[channel] < 0)
                filePrograms[channel] = counter.programOf(channel);
    }
    for (MidiTrackInfo& info : tracks)
        if (info.channel >= 0 && info.program < 0)
            info.program = filePrograms[info.channel];
    return tracks;
}
