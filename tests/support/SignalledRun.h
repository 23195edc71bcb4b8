#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// How a program sent a signal in the middle of its work ended.
struct SignalledEnd {
    bool ready = false;   // the awaited state came before the program ended
    int endingSignal = 0; // the signal that ended it, 0 when it exited
    int exitCode = -1;    // its exit status when it exited
};

// Starts `program` with `arguments` and the variables `environment` added,
// its output thrown away; once `ready()` holds (within a minute) sends it
// `signal`, then waits for its end.
inline SignalledEnd RunAndSignal(const std::string& program, const std::vector<std::string>& arguments,
                                 const std::vector<std::pair<std::string, std::string>>& environment,
                                 const std::function<bool()>& ready, int signal) {
    const pid_t child = ::fork();
    if (child == 0) {
        for (const auto& [name, value] : environment)
            ::setenv(name.c_str(), value.c_str(), 1);
        for (const int s : {SIGINT, SIGTERM, SIGHUP})
            ::signal(s, SIG_DFL);
        const int quiet = ::open("/dev/null", O_RDWR);
        ::dup2(quiet, 0);
        ::dup2(quiet, 1);
        ::dup2(quiet, 2);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    SignalledEnd end;
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (std::chrono::steady_clock::now() < deadline) {
        if (::waitpid(child, &status, WNOHANG) == child) {
            end.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            end.endingSignal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
            return end;
        }
        if (ready()) {
            end.ready = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(child, end.ready ? signal : SIGKILL);
    ::waitpid(child, &status, 0);
    end.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    end.endingSignal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return end;
}
