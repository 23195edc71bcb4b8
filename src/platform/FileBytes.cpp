#include "platform/FileBytes.h"

#include "platform/NewFile.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <system_error>

namespace platform {

namespace {

struct CloseFile {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

} // namespace

FileResult<std::string> ReadFileBytes(const std::filesystem::path& path, uint64_t maxBytes) {
    std::error_code code;
    if (std::filesystem::is_directory(path, code))
        return FileFailed(SystemReason(EISDIR));
    errno = 0;
#ifdef _WIN32
    const std::unique_ptr<std::FILE, CloseFile> file(::_wfopen(path.c_str(), L"rb"));
#else
    const std::unique_ptr<std::FILE, CloseFile> file(std::fopen(path.c_str(), "rb"));
#endif
    if (!file)
        return FileFailed(SystemReason(errno != 0 ? errno : ENOENT));

    std::string bytes;
    char chunk[65536];
    for (;;) {
        // One byte beyond the limit tells a file of exactly maxBytes from a longer one.
        const uint64_t room = maxBytes - bytes.size();
        const size_t wanted = room < sizeof chunk ? static_cast<size_t>(room) + 1 : sizeof chunk;
        errno = 0;
        const size_t got = std::fread(chunk, 1, wanted, file.get());
        bytes.append(chunk, got);
        if (bytes.size() > maxBytes)
            return base::Fail(FileFailure{FileError::TooLarge, {}});
        if (got < wanted) {
            if (std::ferror(file.get()) != 0)
                return FileFailed(SystemReason(errno != 0 ? errno : EIO));
            break;
        }
    }
    return bytes;
}

} // namespace platform
