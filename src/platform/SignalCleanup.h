#pragma once

#include <filesystem>

namespace platform {

// While it lives: should SIGINT, SIGTERM or SIGHUP end the program (their
// handling is the default one), a file is removed or a child process is
// stopped with the same signal first, so that an interrupted run leaves no
// half-written temporary file and no player working on behind it. A signal
// the program catches or ignores itself is left to the program.
class SignalCleanup {
public:
    // Removes `path` should one of the signals end the program.
    explicit SignalCleanup(const std::filesystem::path& path);
    // Passes the signal to the process `processId` before the program ends.
    explicit SignalCleanup(long long processId);
    // Forgets the file or process again.
    ~SignalCleanup();
    SignalCleanup(const SignalCleanup&) = delete;
    SignalCleanup& operator=(const SignalCleanup&) = delete;

private:
    int slot_ = -1; // -1: there was no free place, nothing is watched
};

} // namespace platform
