#include "platform/DynamicLibrary.h"
#include "platform/ProgramVersion.h"
#include "player/AudioDevice.h"
#include "player/CommandReader.h"
#include "player/PlayerOptions.h"
#include "player/Synthesizer.h"
#include "player/WavWriter.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

void Complain(const std::string& line) {
    std::fputs(("Play: " + line + "\n").c_str(), stderr);
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    std::string error;
    const std::optional<PlayerOptions> options = ParsePlayerOptions(arguments, error);
    if (!options) {
        Complain(error);
        return 2;
    }
    if (options->help) {
        std::fputs(PlayerUsage().c_str(), stdout);
        return 0;
    }
    if (options->version)
        return platform::printVersion("Play");

    const std::filesystem::path path = ResolveCommandFile(options->commandFile, platform::executableFolder());
    const std::optional<std::string> text = ReadCommandFile(path, error);
    if (!text) {
        Complain("cannot read " + path.string() + ": " + error);
        return 1;
    }

    ReadResult read = CommandReader::read(*text);
    for (const ReaderError& problem : read.errors)
        Complain(path.filename().string() + ", column " + std::to_string(problem.column) + ": " + problem.message);

    Synthesizer synth(std::move(read.events));
    if (!options->wavFile.empty()) {
        if (!WavWriter::write(options->wavFile, synth, error)) {
            Complain("cannot write " + options->wavFile + ": " + error);
            return 1;
        }
        return 0;
    }
    if (synth.totalSamples() == 0)
        return 0;
    if (!AudioDevice::play(synth, error)) {
        Complain("no audio device: " + error);
        return 3;
    }
    return 0;
}
