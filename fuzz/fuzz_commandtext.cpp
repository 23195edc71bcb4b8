// Arbitrary bytes as a play-command text and as a melody text.
//
// As a command text: the player's reader must not crash, must place every
// error inside the text, and its events must render to finite samples in
// -1..1. The sample rate varies with the input and only the first 8192
// samples are rendered, to keep runs fast; a melody that short must also end
// where its events say.
//
// As a melody text: the parse must not crash and must store 1..1024 codes;
// the command text the program writes for them must read back in the player
// without an error, with one event per code (a leading code 0 writes nothing)
// and with the pitch of each code and the length of each note and pause.
#include "melody/CommandReader.h"
#include "melody/CommandText.h"
#include "melody/MelodyText.h"
#include "player/PlayerMessages.h"
#include "player/Synthesizer.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int32_t kMelodyCapacity = 1024; // mdMain::MelodyCapacity
constexpr uint64_t kMaxRenderedSamples = 8192;
// A low rate renders whole notes within the limit and silences more partials.
constexpr int kSampleRates[] = {8000, 11025, Synthesizer::DefaultSampleRate};

void check(bool condition) {
    if (!condition)
        std::abort();
}

void readAsCommandText(std::string_view text, int sampleRate, size_t chunk) {
    const ReadResult read = CommandReader::read(text);
    for (const ReaderError& error : read.errors)
        check(error.line >= 1 && error.column >= 1 && error.column <= text.size() + 1 &&
              !player_messages::ReaderProblemText(error).empty());
    check(read.events.size() <= text.size());

    double seconds = 0.0;
    for (const PlayEvent& event : read.events) {
        check(std::isfinite(event.frequency) && event.frequency >= 0.0);
        check(std::isfinite(event.seconds) && event.seconds > 0.0);
        seconds += event.seconds;
    }
    check(seconds <= CommandReader::MaxSeconds);

    Synthesizer synth(read.events, sampleRate);
    check(synth.sampleRate() == sampleRate);
    const double expected = seconds * synth.sampleRate();
    check(std::fabs(static_cast<double>(synth.totalSamples()) - expected) <= 1.0);

    // Uneven pieces exercise the joins between render calls.
    std::vector<float> piece(chunk);
    uint64_t rendered = 0;
    while (rendered < kMaxRenderedSamples) {
        const size_t n = synth.render(piece.data(), piece.size());
        check(n <= piece.size());
        for (size_t i = 0; i < n; ++i)
            check(std::isfinite(piece[i]) && piece[i] >= -1.0f && piece[i] <= 1.0f);
        rendered += n;
        if (n < piece.size())
            break;
    }
    if (synth.totalSamples() <= kMaxRenderedSamples) {
        check(rendered == synth.totalSamples() && synth.finished());
        check(synth.render(piece.data(), piece.size()) == 0);
    }
}

void readAsMelodyText(std::string_view text, uint8_t noteLen, int32_t pauseLen) {
    // Exactly the capacity on the heap, so a write past it is caught.
    std::vector<uint8_t> codes(kMelodyCapacity);
    const MelodyParseInfo info = ParseMelodyCodes(text, codes.data(), kMelodyCapacity);
    const int64_t commas = std::count(text.begin(), text.end(), ',');
    check(info.items == commas + 1);
    check(info.stored >= 1 && info.stored <= kMelodyCapacity);
    check(info.stored == std::min<int64_t>(info.items, kMelodyCapacity));
    check(info.truncated == (info.items > kMelodyCapacity));

    const std::string command = CommandText(codes.data(), kMelodyCapacity, 0, info.stored, noteLen, pauseLen);
    const ReadResult read = CommandReader::read(command);
    check(read.errors.empty());

    const size_t first = codes[0] == 0 ? 1 : 0;
    check(read.events.size() == static_cast<size_t>(info.stored) - first);
    const double noteSeconds = 4.0 / noteLen * 60.0 / CommandReader::DefaultTempo;
    const double pauseSeconds = 4.0 / pauseLen * 60.0 / CommandReader::DefaultTempo;
    for (size_t i = 0; i < read.events.size(); ++i) {
        const uint8_t code = codes[first + i];
        const PlayEvent& event = read.events[i];
        if (code < 2) {
            check(event.frequency == 0.0 && event.seconds == pauseSeconds);
        } else {
            check(event.frequency == CommandReader::codeFrequency(code));
            check(event.seconds == noteSeconds);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    // Lengths as the length fields hold them (1..64), taken from the input so
    // that they vary with it.
    const uint8_t noteLen = static_cast<uint8_t>(1 + (size > 0 ? data[0] % 64 : 7));
    const int32_t pauseLen = 1 + static_cast<int32_t>(size > 1 ? data[size - 1] % 64 : 7);
    const size_t chunk = 1 + (size * 131 + noteLen * 977) % 4096;
    const int sampleRate = kSampleRates[static_cast<size_t>(pauseLen) % std::size(kSampleRates)];

    readAsCommandText(text, sampleRate, chunk);
    readAsMelodyText(text, noteLen, pauseLen);
    return 0;
}
