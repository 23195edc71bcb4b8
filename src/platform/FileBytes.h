#pragma once

#include "platform/FileSystem.h"

#include <cstdint>
#include <filesystem>

namespace platform {

// Reads the whole file at `path` piece by piece, stopping with TooLarge as
// soon as it holds more than `maxBytes`: a device or pipe that never ends
// (/dev/zero) costs no more memory than that. A folder is Failed.
FileResult<std::string> ReadFileBytes(const std::filesystem::path& path, uint64_t maxBytes);

} // namespace platform
