#pragma once

#include <string>

namespace platform {

// Whether two paths lead to one and the same regular file (the same device
// and inode, through any spelling or link); false when either is missing.
// Devices and pipes, which nothing overwrites, are never the same file.
bool SameRegularFile(const std::string& first, const std::string& second);

} // namespace platform
