#pragma once

#include <string>

namespace platform {

// The system's text for error number `code`, in Russian: the C library's own
// translation when its Russian messages and locale are installed, else our
// words for the usual file errors (the same as the library's), else the
// untranslated text with the number.
std::string SystemReason(int code);

// Our own words for error number `code`, whatever the locale; empty for the
// errors the list does not hold.
std::string OwnSystemReason(int code);

} // namespace platform
