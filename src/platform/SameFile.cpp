#include "platform/SameFile.h"

#include "platform/NativePath.h"

#include <filesystem>
#include <system_error>

namespace platform {

bool SameRegularFile(const std::string& first, const std::string& second) {
    if (first.empty() || second.empty())
        return false;
    std::error_code code;
    const std::filesystem::path a = NativePath(first), b = NativePath(second);
    if (!std::filesystem::is_regular_file(a, code) || !std::filesystem::is_regular_file(b, code))
        return false;
    return std::filesystem::equivalent(a, b, code) && !code;
}

} // namespace platform
