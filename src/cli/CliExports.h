#pragma once

#include "app/Session.h"
#include "cli/CliArguments.h"

#include <ostream>

// Writes the --midi and --wav files of a part of the melody (with the
// instrument of --program), each told by a line on `out`; a status other
// than success after telling `err`.
int ExportPart(const CliArguments& args, app::Session& session, app::MelodyPart part, std::ostream& out,
               std::ostream& err);
