#pragma once

#include <string>
#include <vector>

namespace platform {

// Starts another program and leaves it running on its own.
class ProcessStarter {
public:
    virtual ~ProcessStarter() = default;
    // Starts `program` (a path of the file system's bytes) with `arguments` passed as a list, no shell,
    // minimised where the platform has such a thing. Returns false and fills
    // `error` when the program could not be started.
    virtual bool startDetached(const std::string& program, const std::vector<std::string>& arguments,
                               const std::string& workingFolder, std::string& error) = 0;
};

} // namespace platform
