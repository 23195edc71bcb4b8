#pragma once

#include "platform/ProcessStarter.h"

namespace platform {

// Starts programs through QProcess::startDetached with an argument list.
class QtProcessStarter : public ProcessStarter {
public:
    // Starts `program` with `arguments` in `workingFolder` (empty: the current one), minimised on Windows.
    bool startDetached(const std::string& program, const std::vector<std::string>& arguments,
                       const std::string& workingFolder, std::string& error) override;
};

} // namespace platform
