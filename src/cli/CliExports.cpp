#include "cli/CliExports.h"

#include "app/Messages.h"
#include "cli/CliOutput.h"

int ExportPart(const CliArguments& args, app::Session& session, app::MelodyPart part, std::ostream& out,
               std::ostream& err) {
    int64_t program = 0;
    if (std::string error; !args.readInteger("program", 0, 127, program, error))
        return Fail(err, CliUsageError, error);
    if (const std::optional<std::string> midi = args.text("midi")) {
        if (const app::Failure failure = session.ExportMidi(part, *midi, static_cast<int>(program)))
            return Fail(err, failure);
        out << app::messages::cli::MidiWritten(*midi) << '\n';
    }
    if (const std::optional<std::string> wav = args.text("wav")) {
        if (const app::Failure failure = session.ExportWav(part, *wav, static_cast<int>(program)))
            return Fail(err, failure);
        out << app::messages::cli::WavWritten(*wav) << '\n';
    }
    return CliSuccess;
}
