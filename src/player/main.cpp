#include "melody/CommandReader.h"
#include "midi/MidiExport.h"
#include "platform/DynamicLibrary.h"
#include "platform/ProgramVersion.h"
#include "platform/ReplacingFile.h"
#include "player/AudioDevice.h"
#include "player/FluidSynthesizer.h"
#include "player/Loudness.h"
#include "player/PlayerMessages.h"
#include "player/PlayerOptions.h"
#include "player/SoundFonts.h"
#include "player/Synthesizer.h"
#include "player/WavWriter.h"

#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Reader errors shown one a line; a file of garbage would otherwise flood the terminal.
constexpr size_t ShownReaderErrors = 20;

void Complain(std::string_view line) {
    std::fputs(("Play: " + std::string(line) + "\n").c_str(), stderr);
}

// Status 1 instead of success when anything the player wrote to stdout or
// stderr was lost (a full disk, a closed pipe, /dev/full).
int Finish(int status) {
    const bool lost = std::fflush(stdout) != 0 || std::ferror(stdout) != 0;
    if (lost)
        Complain(player_messages::OutputLost);
    if (std::fflush(stderr) != 0 || std::ferror(stderr) != 0 || lost)
        return status == 0 ? 1 : status;
    return status;
}

// The FluidSynth synthesizer of `soundFont`, levelled; nullptr and `error` when it cannot be made.
std::unique_ptr<SampleSource> LevelledFluid(const std::vector<PlayEvent>& events,
                                            const std::filesystem::path& soundFont, int program, std::string& error) {
    return loudness::Normalised([&]() -> std::unique_ptr<SampleSource> {
        PlayerResult<std::unique_ptr<FluidSynthesizer>> made = FluidSynthesizer::create(events, soundFont, program);
        if (!made) {
            error = made.error();
            return nullptr;
        }
        return std::move(*made);
    });
}

// The instrument to render with: the named SoundFont, else one found in the
// usual folders, else the built-in synthesizer. Fails when a named SoundFont
// cannot be used.
PlayerResult<std::unique_ptr<SampleSource>> MakeSource(const PlayerOptions& options,
                                                       const std::vector<PlayEvent>& events) {
    const auto builtIn = [&events] { return std::make_unique<Synthesizer>(events); };
    if (options.builtIn)
        return loudness::Normalised(builtIn);
    std::string error;
    if (!options.soundFont.empty()) {
        std::unique_ptr<SampleSource> fluid = LevelledFluid(events, options.soundFont, options.program, error);
        if (!fluid)
            return base::Fail(player_messages::CannotUseSoundFont(options.soundFont, error));
        return fluid;
    }
    // A SoundFont that cannot be loaded passes on to the next one found.
    const std::vector<std::filesystem::path> candidates = SoundFontCandidates(SoundFontFolders());
    for (const std::filesystem::path& candidate : candidates) {
        if (std::unique_ptr<SampleSource> fluid = LevelledFluid(events, candidate, options.program, error))
            return fluid;
        Complain(player_messages::FoundSoundFontUnusable(candidate.string(), error, candidate == candidates.back()));
    }
    if (candidates.empty())
        Complain(player_messages::NoSoundFontFound);
    return loudness::Normalised(builtIn);
}

int Run(const std::vector<std::string>& arguments) {
    const PlayerResult<PlayerOptions> options = ParsePlayerOptions(arguments);
    if (!options) {
        Complain(options.error());
        return 2;
    }
    if (options->help) {
        std::fputs(player_messages::Usage().c_str(), stdout);
        return 0;
    }
    if (options->version)
        return platform::printVersion("Play");

    const std::filesystem::path path = ResolveCommandFile(options->commandFile, platform::executableFolder());
    const PlayerResult<std::string> text = ReadCommandFile(path);
    if (!text) {
        Complain(player_messages::CannotRead(path.string(), text.error()));
        return 1;
    }

    ReadResult read = CommandReader::read(*text);
    for (size_t i = 0; i < read.errors.size() && i < ShownReaderErrors; ++i)
        Complain(player_messages::ReaderProblemAt(path.filename().string(), read.errors[i]));
    if (read.errors.size() > ShownReaderErrors)
        Complain(player_messages::MoreReaderProblems(path.filename().string(), read.errors.size() - ShownReaderErrors));

    if (!options->midiFile.empty()) {
        MidiExportOptions midi;
        midi.program = options->program;
        midi.trackName = path.stem().string();
        const std::vector<uint8_t> bytes = MidiFileFromEvents(read.events, midi);
        const platform::FileResult<> written = platform::ReplacingFile::writeAll(
            options->midiFile, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        if (!written) {
            Complain(player_messages::CannotWrite(options->midiFile, written.error().reason));
            return 1;
        }
        if (options->wavFile.empty())
            return 0;
    }
    if (options->wavFile.empty() && read.events.empty())
        return 0;

    const PlayerResult<std::unique_ptr<SampleSource>> source = MakeSource(*options, read.events);
    if (!source) {
        Complain(source.error());
        return 1;
    }
    if (!options->wavFile.empty()) {
        if (const PlayerResult<> written = WavWriter::write(options->wavFile, **source); !written) {
            Complain(player_messages::CannotWrite(options->wavFile, written.error()));
            return 1;
        }
        return 0;
    }
    if (const PlayerResult<> played = AudioDevice::play(**source); !played) {
        Complain(player_messages::NoAudioDevice(played.error()));
        return 3;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    try {
        return Finish(Run(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc)));
    } catch (const std::bad_alloc&) {
        Complain(player_messages::OutOfMemory);
        return Finish(1);
    }
}
