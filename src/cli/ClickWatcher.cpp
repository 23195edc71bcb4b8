#include "cli/ClickWatcher.h"

#include "app/Messages.h"
#include "platform/Console.h"

#include <cstdio>
#include <string>

ClickWatcher::ClickWatcher(std::ostream& err) : err_(err), terminal_(platform::Console::isTerminal(stderr)) {
    platform::Console::catchInterrupt();
    thread_ = std::thread([this] { run(); });
}

ClickWatcher::~ClickWatcher() {
    {
        const std::lock_guard lock(mutex_);
        done_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void ClickWatcher::watch(int64_t click, int64_t iterations, app::TrainingControl* control) {
    const std::lock_guard lock(mutex_);
    if (!control && shown_)
        err_ << "\r" << std::string(80, ' ') << "\r" << std::flush;
    shown_ = false;
    click_ = click;
    iterations_ = iterations;
    control_ = control;
    line_ = nullptr;
    started_ = std::chrono::steady_clock::now();
}

void ClickWatcher::watch(std::function<std::string()> line, app::TrainingControl* control) {
    watch(0, 0, control);
    const std::lock_guard lock(mutex_);
    line_ = std::move(line);
}

void ClickWatcher::run() {
    std::unique_lock lock(mutex_);
    while (!done_) {
        wake_.wait_for(lock, std::chrono::milliseconds(100));
        if (!control_)
            continue;
        if (platform::Console::interrupted())
            control_->cancel.store(true, std::memory_order_relaxed);
        if (terminal_ && std::chrono::steady_clock::now() - started_ > std::chrono::milliseconds(500)) {
            if (line_)
                err_ << "\r" << line_() << std::flush;
            else
                err_ << "\r"
                     << app::messages::cli::ClickProgress(click_, control_->iterations.load(std::memory_order_relaxed),
                                                          iterations_)
                     << std::flush;
            shown_ = true;
        }
    }
}
