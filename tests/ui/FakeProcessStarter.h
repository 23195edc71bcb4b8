#pragma once

#include "platform/ProcessStarter.h"

#include <string>
#include <vector>

// Records program starts instead of starting anything.
class FakeProcessStarter : public platform::ProcessStarter {
public:
    struct Start {
        std::string program;
        std::vector<std::string> arguments;
        std::string workingFolder;
    };

    // Records the start; fails with `failure` when it is not empty.
    bool startDetached(const std::string& program, const std::vector<std::string>& arguments,
                       const std::string& workingFolder, std::string& error) override {
        starts.push_back({program, arguments, workingFolder});
        if (!failure.empty()) {
            error = failure;
            return false;
        }
        return true;
    }

    std::vector<Start> starts;
    std::string failure;
};
