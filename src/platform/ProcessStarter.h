#pragma once

#include "platform/FileSystem.h"

#include <functional>
#include <string>
#include <vector>

namespace platform {

// What a program run to its end did.
struct ProcessRun {
    bool started = false;    // false: `error` says why
    bool finished = false;   // false: stopped after the time limit
    int exitCode = -1;       // -1 when it crashed
    std::string errorOutput; // what it wrote to its standard error
    std::string error;       // the platform's reason when it did not start
};

// Starts other programs: left running on their own, or run to their end.
class ProcessStarter {
public:
    virtual ~ProcessStarter() = default;
    // Starts `program` (a path of the file system's bytes) with `arguments` passed as a list, no shell,
    // minimised where the platform has such a thing. Failed with the
    // system's reason when the program could not be started.
    virtual FileResult<> startDetached(const std::string& program, const std::vector<std::string>& arguments,
                                       const std::string& workingFolder) = 0;
    // Told of a started program that ended with a failure: its exit code
    // (-1 when it crashed) and what it wrote to its standard error.
    using EarlyFailure = std::function<void(int exitCode, const std::string& said)>;
    // Starts `program` as startDetached does and watches its first `watchMs`
    // milliseconds: should it end with a failure within them, `failed` is
    // called afterwards on this thread's event loop. Where a program cannot
    // be watched it is only started.
    virtual FileResult<> startWatched(const std::string& program, const std::vector<std::string>& arguments,
                                      const std::string& workingFolder, int watchMs, EarlyFailure failed) {
        (void)watchMs;
        (void)failed;
        return startDetached(program, arguments, workingFolder);
    }
    // Runs `program` with `arguments` (no shell) and waits for its end, at
    // most `timeoutMs` milliseconds; a program still running then is stopped.
    virtual ProcessRun run(const std::string& program, const std::vector<std::string>& arguments, int timeoutMs) = 0;
};

} // namespace platform
