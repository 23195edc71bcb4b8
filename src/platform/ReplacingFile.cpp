#include "platform/ReplacingFile.h"

#include <cerrno>
#include <random>
#include <stdexcept>
#include <system_error>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace platform {

namespace {

// The path a chain of symbolic links leads to (the path itself when it is
// none); a link that leads nowhere yet leads to the name a new file takes.
std::filesystem::path FollowLinks(std::filesystem::path path) {
    // As many links as the system itself follows before it gives up.
    for (int hop = 0; hop < 40; ++hop) {
        std::error_code code;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(path, code)))
            return path;
        const std::filesystem::path next = std::filesystem::read_symlink(path, code);
        if (code)
            return path;
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    return path;
}

int ErrorOr(int fallback) {
    return errno != 0 ? errno : fallback;
}

} // namespace

ReplacingFile::ReplacingFile(std::filesystem::path target) : target_(std::move(target)) {}

ReplacingFile::~ReplacingFile() {
    if (spool_ != nullptr)
        std::fclose(spool_);
    if (through_ != nullptr)
        std::fclose(through_);
    if (temporary_ && !committed_) {
        const std::filesystem::path path = temporary_->path();
        temporary_.reset(); // removes a file that was never closed
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
}

std::FILE* ReplacingFile::stream() const {
    if (spool_ != nullptr)
        return spool_;
    if (through_ != nullptr)
        return through_;
    return temporary_ ? temporary_->stream() : nullptr;
}

FileResult<> ReplacingFile::open() {
    if (temporary_ || through_ != nullptr || committed_)
        throw std::logic_error("ReplacingFile opened twice");
    target_ = FollowLinks(target_);
    std::error_code code;
    const std::filesystem::file_status status = std::filesystem::symlink_status(target_, code);
    if (std::filesystem::is_directory(status))
        return FileFailed(SystemReason(EISDIR));
    if (!code && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status) &&
        !std::filesystem::is_symlink(status))
        return openThrough();
    return openTemporary();
}

FileResult<> ReplacingFile::openTemporary() {
    std::random_device random;
    static constexpr char Hex[] = "0123456789abcdef";
    for (int attempt = 0; attempt < 16; ++attempt) {
        // Not the target's own name: a long one plus a suffix could pass the
        // longest name the file system allows.
        std::string name = ".melodynet-";
        for (uint32_t bits = random(), i = 0; i < 8; ++i, bits >>= 4)
            name += Hex[bits & 15];
        name += ".tmp";
        temporary_.emplace(target_.parent_path() / name);
        // Watched before it exists: a signal right after the create must
        // not find it unwatched. The name is our own random one.
        cleanup_.emplace(temporary_->path());
        FileResult<> created = temporary_->create();
        if (created)
            return created;
        cleanup_.reset();
        temporary_.reset();
        if (created.error().error != FileError::AlreadyExists)
            return FileFailed(created.error().reason);
    }
    return FileFailed(SystemReason(EEXIST));
}

FileResult<> ReplacingFile::openThrough() {
#ifdef _WIN32
    return FileFailed(SystemReason(EINVAL));
#else
    // No O_CREAT: should the device go away meanwhile, no regular file takes its name.
    errno = 0;
    const int fd = ::open(target_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return FileFailed(SystemReason(ErrorOr(EIO)));
    through_ = ::fdopen(fd, "wb");
    if (through_ == nullptr) {
        const int code = ErrorOr(EIO);
        ::close(fd);
        return FileFailed(SystemReason(code));
    }
    // A writer may seek back to finish a header; a pipe cannot, so the bytes
    // gather in a nameless file first (gone by itself however the program ends).
    if (::lseek(fd, 0, SEEK_CUR) < 0) {
        spool_ = std::tmpfile();
        if (spool_ == nullptr)
            return FileFailed(SystemReason(ErrorOr(EIO)));
    }
    return {};
#endif
}

FileResult<> ReplacingFile::write(std::string_view bytes) {
    if (spool_ != nullptr || through_ != nullptr) {
        errno = 0;
        if (std::fwrite(bytes.data(), 1, bytes.size(), stream()) != bytes.size())
            return FileFailed(SystemReason(ErrorOr(EIO)));
        return {};
    }
    if (!temporary_)
        throw std::logic_error("ReplacingFile written while not open");
    return temporary_->write(bytes);
}

FileResult<> ReplacingFile::commitThrough() {
    int code = 0;
    if (spool_ != nullptr) {
        if (std::ferror(spool_) != 0 || std::fflush(spool_) != 0 || std::fseek(spool_, 0, SEEK_SET) != 0)
            code = EIO;
        std::vector<char> chunk(1 << 16);
        while (code == 0) {
            const size_t count = std::fread(chunk.data(), 1, chunk.size(), spool_);
            errno = 0;
            if (count > 0 && std::fwrite(chunk.data(), 1, count, through_) != count)
                code = ErrorOr(EIO);
            if (count < chunk.size()) {
                if (std::ferror(spool_) != 0)
                    code = EIO;
                break;
            }
        }
        std::fclose(spool_);
        spool_ = nullptr;
    }
    errno = 0;
    if (code == 0 && (std::ferror(through_) != 0 || std::fflush(through_) != 0))
        code = ErrorOr(EIO);
    errno = 0;
    if (std::fclose(through_) != 0 && code == 0)
        code = ErrorOr(EIO);
    through_ = nullptr;
    if (code != 0)
        return FileFailed(SystemReason(code));
    committed_ = true;
    return {};
}

FileResult<> ReplacingFile::commit() {
    if (committed_ || (!temporary_ && through_ == nullptr))
        throw std::logic_error("ReplacingFile committed while not open");
    if (through_ != nullptr)
        return commitThrough();
    if (FileResult<> closed = temporary_->close(); !closed)
        return closed;
    // A replaced file keeps its permissions, as far as they can be set.
    std::error_code code;
    const std::filesystem::file_status old = std::filesystem::status(target_, code);
    if (!code && std::filesystem::is_regular_file(old))
        std::filesystem::permissions(temporary_->path(), old.permissions(), code);
    std::filesystem::rename(temporary_->path(), target_, code);
    if (code)
        return FileFailed(SystemReason(code.value()));
    committed_ = true;
    cleanup_.reset();
    return {};
}

FileResult<> ReplacingFile::writeAll(const std::filesystem::path& target, std::string_view bytes) {
    ReplacingFile file(target);
    if (FileResult<> opened = file.open(); !opened)
        return opened;
    if (FileResult<> written = file.write(bytes); !written)
        return written;
    return file.commit();
}

} // namespace platform
