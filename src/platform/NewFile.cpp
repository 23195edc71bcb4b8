#include "platform/NewFile.h"

#include <cerrno>
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

FileError NewFile::create(std::string& error) {
    if (created_) {
        error = "the file was created already";
        return FileError::Failed;
    }
    errno = 0;
    stream_ = OpenExclusive(path_);
    if (stream_ == nullptr) {
        const int code = errno;
        error = SystemReason(code);
        return code == EEXIST ? FileError::AlreadyExists : FileError::Failed;
    }
    created_ = true;
    return FileError::None;
}

bool NewFile::write(std::string_view bytes, std::string& error) {
    if (stream_ == nullptr) {
        error = "the file is not open";
        return false;
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), stream_) != bytes.size()) {
        error = SystemReason(errno);
        return false;
    }
    return true;
}

bool NewFile::close(std::string& error) {
    if (stream_ == nullptr) {
        error = "the file is not open";
        return false;
    }
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
        error = SystemReason(code);
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
        created_ = false;
        return false;
    }
    closed_ = true;
    return true;
}

} // namespace platform
