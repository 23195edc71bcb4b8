#include "melody/CommandReader.h"
#include "player/FluidSynthesizer.h"
#include "player/Loudness.h"
#include "player/SoundFonts.h"
#include "player/Synthesizer.h"

#include "Rendered.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// Switching the instrument keeps the loudness of the window's default melody
// "3, 8, 11, 3, 8, 11, 4, 8, 10, 1, 8, 10": about -18 dBFS RMS and peaks
// below -1 dBFS. Before, the built-in synthesizer played at -20, the piano
// at -25 and the programs from -50 to -15.
TEST(Loudness, EveryInstrumentPlaysTheDefaultMelodyAtOneLevel) {
    const std::vector<PlayEvent> events = CommandReader::read("l8 o1 c# f# a c# f# a d f# g# p8 f# g#").events;
    std::vector<std::pair<int, std::function<std::unique_ptr<SampleSource>()>>> instruments = {
        {-1, [&] { return std::make_unique<Synthesizer>(events); }}};
    // Piano, violin, flute, a helicopter (once 32 dB too quiet), the
    // loudest bells and the alto saxophone, whose peaks are held most.
    if (const std::optional<std::filesystem::path> font = FindSoundFont(SoundFontFolders()))
        for (const int program : {0, 40, 73, 125, 14, 65})
            instruments.emplace_back(program, [&events, font, program]() -> std::unique_ptr<SampleSource> {
                auto made = FluidSynthesizer::create(events, *font, program);
                return made ? std::move(*made) : nullptr;
            });
    for (const auto& [program, make] : instruments) {
        SCOPED_TRACE(program);
        const std::unique_ptr<SampleSource> source = loudness::Normalised(make);
        ASSERT_TRUE(source);
        const std::vector<float> samples = RenderAll(*source, 4096);
        double squares = 0.0, peak = 0.0;
        for (const float value : samples) {
            squares += static_cast<double>(value) * value;
            peak = std::max(peak, std::fabs(static_cast<double>(value)));
        }
        EXPECT_LT(20.0 * std::log10(peak), -1.0);
        EXPECT_NEAR(10.0 * std::log10(squares / static_cast<double>(samples.size())), -18.5, 1.0);
    }
}

} // namespace
