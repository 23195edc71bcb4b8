#include "platform/Console.h"

#include <csignal>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace platform {

namespace {

// Written by the signal handler: a lock-free atomic is safe there.
std::atomic<bool> interruptFlag{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void onInterrupt(int) {
    interruptFlag.store(true, std::memory_order_relaxed);
}

} // namespace

bool Console::isTerminal(std::FILE* stream) {
#ifdef _WIN32
    return _isatty(_fileno(stream)) != 0;
#else
    return isatty(fileno(stream)) != 0;
#endif
}

void Console::catchInterrupt() {
    std::signal(SIGINT, onInterrupt);
}

bool Console::interrupted() {
    return interruptFlag.load(std::memory_order_relaxed);
}

} // namespace platform
