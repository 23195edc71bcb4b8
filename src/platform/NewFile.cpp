#include "platform/NewFile.h"

#include <cerrno>
#include <stdexcept>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace platform {

namespace {

std::FILE* OpenExclusive(const std::filesystem::path& path) {
#ifdef _WIN32
    return ::_wfopen(path.c_str(), L"wbx");
#else
    // "x" is O_EXCL: the create fails on any name that is taken, even by a
    // link that leads nowhere, and never writes through a link.
    return std::fopen(path.c_str(), "wbx");
#endif
}

int SyncToDisk(std::FILE* stream) {
#ifdef _WIN32
    return ::_commit(::_fileno(stream));
#else
    return ::fsync(::fileno(stream));
#endif
}

} // namespace

NewFile::NewFile(std::filesystem::path path) : path_(std::move(path)) {}

NewFile::~NewFile() {
    if (stream_ != nullptr)
        std::fclose(stream_);
    if (created_ && !closed_) {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
}

FileResult<> NewFile::create() {
    if (created_)
        throw std::logic_error("NewFile created twice");
    errno = 0;
    stream_ = OpenExclusive(path_);
    if (stream_ == nullptr) {
        const int code = errno;
        return base::Fail(
            FileFailure{code == EEXIST ? FileError::AlreadyExists : FileError::Failed, SystemReason(code)});
    }
    created_ = true;
    return {};
}

FileResult<> NewFile::write(std::string_view bytes) {
    if (stream_ == nullptr)
        throw std::logic_error("NewFile written while not open");
    if (std::fwrite(bytes.data(), 1, bytes.size(), stream_) != bytes.size())
        return FileFailed(SystemReason(errno));
    return {};
}

FileResult<> NewFile::close() {
    if (stream_ == nullptr)
        throw std::logic_error("NewFile closed while not open");
    // A small file sits wholly in the stream's buffer: its writes "succeed"
    // and a full disk shows only here, at the flush, the sync or the close.
    int code = 0;
    if (std::ferror(stream_) != 0)
        code = EIO;
    else if (std::fflush(stream_) != 0 || SyncToDisk(stream_) != 0)
        code = errno != 0 ? errno : EIO;
    if (std::fclose(stream_) != 0 && code == 0)
        code = errno != 0 ? errno : EIO;
    stream_ = nullptr;
    if (code != 0) {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
        created_ = false;
        return FileFailed(SystemReason(code));
    }
    closed_ = true;
    return {};
}

} // namespace platform
