#pragma once

// Sends the process's stderr to nowhere while it lives. Libraries below the
// player (SDL's sound back ends, FluidSynth's SoundFont loaders) write their
// own diagnostics there; the player reports a failure in one line itself.
class QuietStderr {
public:
    // Redirects stderr to the null device.
    QuietStderr();
    // Restores stderr.
    ~QuietStderr();
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

private:
    int saved_ = -1;
};
