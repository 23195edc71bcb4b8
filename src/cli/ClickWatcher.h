#pragma once

#include "app/Session.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>

// While a training click runs: a line of progress on a terminal's stderr
// for clicks longer than half a second, and Ctrl-C turned into a cancel
// after the current iteration.
class ClickWatcher {
public:
    // Catches Ctrl-C from now on and starts the watching thread.
    explicit ClickWatcher(std::ostream& err);
    // Stops the watching thread.
    ~ClickWatcher();
    ClickWatcher(const ClickWatcher&) = delete;
    ClickWatcher& operator=(const ClickWatcher&) = delete;

    // Starts watching the click's `control` (null: the click has ended).
    void watch(int64_t click, int64_t iterations, app::TrainingControl* control);
    // Starts watching a run that tells its progress in `line` (called on the watching thread).
    void watch(std::function<std::string()> line, app::TrainingControl* control);

private:
    void run();

    std::ostream& err_;
    const bool terminal_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    bool shown_ = false;
    int64_t click_ = 0;
    int64_t iterations_ = 0;
    app::TrainingControl* control_ = nullptr;
    std::function<std::string()> line_;
    std::chrono::steady_clock::time_point started_;
    std::thread thread_;
};
