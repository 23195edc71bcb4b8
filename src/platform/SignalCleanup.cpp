#include "platform/SignalCleanup.h"

#include <array>
#include <atomic>
#include <csignal>
#include <cstring>
#include <mutex>

#ifndef _WIN32
#include <sys/types.h>
#include <unistd.h>
#endif

namespace platform {

namespace {

// The handler may only read these: a place is filled before it is marked
// used and marked free before it is reused. The table lives for the whole
// program because a signal can come at any moment.
constexpr int Places = 16;
constexpr size_t PathBytes = 4096;

struct Place {
    std::atomic<int> state{0}; // 0 free, 1 a file, 2 a process
    long long process = 0;
    std::array<char, PathBytes> path{};
};

std::array<Place, Places> places;
std::mutex placesMutex;
int used = 0;

constexpr std::array<int, 3> Signals = {SIGINT, SIGTERM,
#ifdef SIGHUP
                                        SIGHUP
#else
                                        SIGINT
#endif
};

#ifndef _WIN32
std::array<struct sigaction, Signals.size()> previous{};

extern "C" void onEndingSignal(int signal) {
    for (Place& place : places) {
        const int state = place.state.load(std::memory_order_acquire);
        if (state == 1)
            ::unlink(place.path.data());
        else if (state == 2)
            ::kill(static_cast<pid_t>(place.process), signal);
    }
    // Ends the program as the signal would have, so that its parent sees why.
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

void Install() {
    for (size_t i = 0; i < Signals.size(); ++i) {
        struct sigaction current {};
        ::sigaction(Signals[i], nullptr, &current);
        previous[i] = current;
        // Only a signal that would end the program now is taken over.
        if (current.sa_handler != SIG_DFL || (current.sa_flags & SA_SIGINFO) != 0)
            continue;
        struct sigaction ours {};
        ours.sa_handler = onEndingSignal;
        sigemptyset(&ours.sa_mask);
        for (const int other : Signals)
            sigaddset(&ours.sa_mask, other);
        ::sigaction(Signals[i], &ours, nullptr);
    }
}

void Restore() {
    for (size_t i = 0; i < Signals.size(); ++i) {
        struct sigaction current {};
        ::sigaction(Signals[i], nullptr, &current);
        if (current.sa_handler == onEndingSignal)
            ::sigaction(Signals[i], &previous[i], nullptr);
    }
}
#else
void Install() {}
void Restore() {}
#endif

int Take(int state, const std::filesystem::path& path, long long process) {
    const std::string text = path.string();
    if (state == 1 && text.size() >= PathBytes)
        return -1;
    const std::lock_guard lock(placesMutex);
    for (int i = 0; i < Places; ++i) {
        Place& place = places[static_cast<size_t>(i)];
        if (place.state.load(std::memory_order_relaxed) != 0)
            continue;
        std::memcpy(place.path.data(), text.c_str(), text.size() + 1);
        place.process = process;
        place.state.store(state, std::memory_order_release);
        if (used++ == 0)
            Install();
        return i;
    }
    return -1;
}

} // namespace

SignalCleanup::SignalCleanup(const std::filesystem::path& path) : slot_(Take(1, path, 0)) {}

SignalCleanup::SignalCleanup(long long processId) : slot_(processId > 0 ? Take(2, {}, processId) : -1) {}

SignalCleanup::~SignalCleanup() {
    if (slot_ < 0)
        return;
    const std::lock_guard lock(placesMutex);
    places[static_cast<size_t>(slot_)].state.store(0, std::memory_order_release);
    if (--used == 0)
        Restore();
}

} // namespace platform
