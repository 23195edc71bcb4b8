#include "player/ReplacingFile.h"

#include <cerrno>
#include <cstring>
#include <random>
#include <system_error>

ReplacingFile::ReplacingFile(std::filesystem::path target) : target_(std::move(target)) {}

ReplacingFile::~ReplacingFile() {
    if (stream_ != nullptr)
        std::fclose(stream_);
    if (!committed_ && !temporary_.empty()) {
        std::error_code ignored;
        std::filesystem::remove(temporary_, ignored);
    }
}

bool ReplacingFile::open(std::string& error) {
    std::random_device random;
    static constexpr char Hex[] = "0123456789abcdef";
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::string name = "." + target_.filename().string() + ".";
        for (uint32_t bits = random(), i = 0; i < 8; ++i, bits >>= 4)
            name += Hex[bits & 15];
        const std::filesystem::path candidate = target_.parent_path() / name;
        // "x": never take over a file that is already there.
        stream_ = std::fopen(candidate.string().c_str(), "wbx");
        if (stream_ != nullptr) {
            temporary_ = candidate;
            return true;
        }
        if (errno != EEXIST)
            break;
    }
    error = std::strerror(errno);
    return false;
}

bool ReplacingFile::commit(std::string& error) {
    if (stream_ == nullptr) {
        error = "the file was not opened";
        return false;
    }
    const bool written = std::ferror(stream_) == 0 && std::fflush(stream_) == 0;
    const int savedErrno = errno;
    const bool closed = std::fclose(stream_) == 0;
    stream_ = nullptr;
    if (!written || !closed) {
        error = std::strerror(written ? errno : savedErrno);
        return false;
    }
    std::error_code code;
    std::filesystem::rename(temporary_, target_, code);
    if (code) {
        error = code.message();
        return false;
    }
    committed_ = true;
    return true;
}

bool ReplacingFile::writeAll(const std::filesystem::path& target, std::span<const uint8_t> bytes, std::string& error) {
    ReplacingFile file(target);
    if (!file.open(error))
        return false;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file.stream()) != bytes.size()) {
        error = std::strerror(errno);
        return false;
    }
    return file.commit(error);
}
