#pragma once

#include "platform/ProcessStarter.h"

namespace platform {

// Starts programs through QProcess::startDetached with an argument list.
class QtProcessStarter : public ProcessStarter {
public:
    // Starts `program` with `arguments` in `workingFolder` (empty: the current one), minimised on Windows.
    FileResult<> startDetached(const std::string& program, const std::vector<std::string>& arguments,
                               const std::string& workingFolder) override;
    // Starts the program as a child whose standard error goes to a nameless
    // file, and reaps it from the event loop; a failure within `watchMs` is
    // told with that file's text. Without an event loop (or on Windows) only starts it.
    FileResult<> startWatched(const std::string& program, const std::vector<std::string>& arguments,
                              const std::string& workingFolder, int watchMs, EarlyFailure failed) override;
    // Runs the program through QProcess and waits for it.
    ProcessRun run(const std::string& program, const std::vector<std::string>& arguments, int timeoutMs) override;
};

} // namespace platform
