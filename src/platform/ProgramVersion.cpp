#include "platform/ProgramVersion.h"

#include "platform/SystemReason.h"

#include <cerrno>
#include <cstdio>
#include <string>

namespace platform {

std::string_view programVersion() {
    return MELODYNET_VERSION;
}

int printVersion(std::string_view program) {
    const std::string line = std::string(program) + " " + std::string(programVersion()) + "\n";
    errno = 0;
    // A full disk or a closed pipe only shows when the buffer is flushed.
    if (std::fputs(line.c_str(), stdout) >= 0 && std::fflush(stdout) == 0)
        return 0;
    const int reason = errno;
    std::clearerr(stdout);
    const std::string complaint = std::string(program) + ": не удалось вывести версию: " +
                                  (reason != 0 ? SystemReason(reason) : "ошибка вывода") + "\n";
    std::fputs(complaint.c_str(), stderr);
    return 1;
}

} // namespace platform
