#pragma once

#include <string_view>

namespace platform {

// The version of the programs, as the build sets it: "0.1.0".
std::string_view programVersion();

// Writes "<program> <version>" and a line end to stdout and flushes it;
// returns 0, or 1 after a line on stderr when the output could not be written.
int printVersion(std::string_view program);

} // namespace platform
