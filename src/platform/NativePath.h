#pragma once

#include <filesystem>
#include <string>

namespace platform {

// Paths travel through the program as std::string: on POSIX systems the file
// system's own bytes, whatever their encoding; on Windows UTF-8. Qt would
// turn bytes that are not UTF-8 into U+FFFD (QFile::decodeName does too), so
// files are opened through these conversions and never through QString.

// The file system's path for a program path string.
inline std::filesystem::path NativePath(const std::string& path) {
#ifdef _WIN32
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
#else
    return std::filesystem::path(path);
#endif
}

// The program path string of a file system path: NativePath's inverse.
inline std::string PathString(const std::filesystem::path& path) {
#ifdef _WIN32
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
#else
    return path.string();
#endif
}

} // namespace platform
