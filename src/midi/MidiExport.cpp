#include "midi/MidiExport.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {

// Share of an event during which its tone sounds: Synthesizer::ToneShare,
// repeated here so the MIDI library stays free of the synthesizer.
constexpr double ToneShare = 7.0 / 8.0;
// Tempo 120: 500000 microseconds a quarter.
constexpr uint32_t MicrosecondsPerQuarter = 500000;
constexpr double TicksPerSecond = MidiTicksPerQuarter * 1e6 / MicrosecondsPerQuarter;

void PutNumber(std::vector<uint8_t>& out, uint64_t value) {
    // Deltas longer than a variable-length number carries (about 39 hours
    // at this division) are split by empty text events.
    constexpr uint64_t Largest = 0x0fffffff;
    while (value > Largest) {
        out.insert(out.end(), {0xff, 0xff, 0xff, 0x7f, 0xff, 0x01, 0x00});
        value -= Largest;
    }
    uint8_t groups[4];
    int count = 0;
    do {
        groups[count++] = static_cast<uint8_t>(value & 0x7f);
        value >>= 7;
    } while (value > 0);
    while (count > 1)
        out.push_back(static_cast<uint8_t>(groups[--count] | 0x80));
    out.push_back(groups[0]);
}

void PutBigEndian(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

uint64_t Ticks(double seconds) {
    return static_cast<uint64_t>(std::llround(std::max(seconds, 0.0) * TicksPerSecond));
}

} // namespace

std::vector<uint8_t> MidiFileFromEvents(std::span<const PlayEvent> events, const MidiExportOptions& options) {
    std::vector<uint8_t> track;
    track.insert(track.end(), {0x00, 0xff, 0x03});
    PutNumber(track, options.trackName.size());
    track.insert(track.end(), options.trackName.begin(), options.trackName.end());
    track.insert(track.end(), {0x00, 0xff, 0x51, 0x03});
    PutBigEndian(track, MicrosecondsPerQuarter, 3);
    track.insert(track.end(), {0x00, 0xc0, static_cast<uint8_t>(std::clamp(options.program, 0, 127))});

    uint64_t written = 0; // tick of the last event in the track
    double seconds = 0.0;
    for (const PlayEvent& event : events) {
        const uint64_t start = Ticks(seconds);
        seconds += std::max(event.seconds, 0.0);
        const uint64_t next = Ticks(seconds);
        const uint64_t end = std::min(next, start + Ticks(event.seconds * ToneShare));
        if (event.frequency <= 0.0 || event.key < 0 || event.key > 127 || end <= start)
            continue;
        const auto key = static_cast<uint8_t>(event.key);
        PutNumber(track, start - written);
        track.insert(track.end(), {0x90, key, static_cast<uint8_t>(MidiVelocity)});
        PutNumber(track, end - start);
        track.insert(track.end(), {0x80, key, 0x00});
        written = end;
    }
    PutNumber(track, Ticks(seconds) - written);
    track.insert(track.end(), {0xff, 0x2f, 0x00});

    std::vector<uint8_t> file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1};
    PutBigEndian(file, MidiTicksPerQuarter, 2);
    // A track beyond 4 GiB would need some 300 million events, far more than any command file holds.
    if (track.size() > UINT32_MAX)
        throw std::length_error("MIDI track longer than 4 GiB");
    file.insert(file.end(), {'M', 'T', 'r', 'k'});
    PutBigEndian(file, static_cast<uint32_t>(track.size()), 4);
    file.insert(file.end(), track.begin(), track.end());
    return file;
}
