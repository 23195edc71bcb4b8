#pragma once

#include <atomic>
#include <cstdio>

namespace platform {

// The terminal side of a command-line program: whether a stream is a
// terminal, and Ctrl-C turned into a flag instead of the end of the process.
class Console {
public:
    // Whether `stream` is an interactive terminal.
    static bool isTerminal(std::FILE* stream);

    // From now on Ctrl-C (SIGINT) sets the flag that interrupted() reads;
    // the program decides when to stop.
    static void catchInterrupt();
    // Whether Ctrl-C was pressed since catchInterrupt.
    static bool interrupted();
};

} // namespace platform
