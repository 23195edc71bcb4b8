#include "platform/ReplacingFile.h"

#include <random>
#include <system_error>

namespace platform {

ReplacingFile::ReplacingFile(std::filesystem::path target) : target_(std::move(target)) {}

ReplacingFile::~ReplacingFile() {
    if (temporary_ && !committed_) {
        const std::filesystem::path path = temporary_->path();
        temporary_.reset(); // removes a file that was never closed
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
}

bool ReplacingFile::open(std::string& error) {
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
        const FileError created = temporary_->create(error);
        if (created == FileError::None)
            return true;
        temporary_.reset();
        if (created != FileError::AlreadyExists)
            return false;
    }
    return false;
}

bool ReplacingFile::write(std::string_view bytes, std::string& error) {
    if (!temporary_) {
        error = "the file was not opened";
        return false;
    }
    return temporary_->write(bytes, error);
}

bool ReplacingFile::commit(std::string& error) {
    if (!temporary_ || committed_) {
        error = "the file was not opened";
        return false;
    }
    if (!temporary_->close(error))
        return false;
    // A replaced file keeps its permissions, as far as they can be set.
    std::error_code code;
    const std::filesystem::file_status old = std::filesystem::status(target_, code);
    if (!code && std::filesystem::is_regular_file(old))
        std::filesystem::permissions(temporary_->path(), old.permissions(), code);
    std::filesystem::rename(temporary_->path(), target_, code);
    if (code) {
        error = SystemReason(code.value());
        return false;
    }
    committed_ = true;
    return true;
}

bool ReplacingFile::writeAll(const std::filesystem::path& target, std::string_view bytes, std::string& error) {
    ReplacingFile file(target);
    return file.open(error) && file.write(bytes, error) && file.commit(error);
}

} // namespace platform
