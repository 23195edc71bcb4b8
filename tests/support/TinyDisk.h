#pragma once

#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

// A tiny tmpfs mounted over a fresh folder for as long as the object lives,
// to see writes fail on a full disk for real. Only root may mount: elsewhere
// mounted() is false and why() says so, and the test skips.
class TinyDisk {
public:
    explicit TinyDisk(std::filesystem::path folder) : folder_(std::move(folder)) {
        std::error_code code;
        std::filesystem::create_directories(folder_, code);
        if (::geteuid() != 0)
            why_ = "mounting a tmpfs needs root";
        else if (::mount("tmpfs", folder_.c_str(), "tmpfs", 0, "size=64k") != 0)
            why_ = std::string("cannot mount a tmpfs: ") + std::strerror(errno);
        else
            mounted_ = true;
    }
    ~TinyDisk() {
        if (mounted_)
            ::umount2(folder_.c_str(), MNT_DETACH);
        std::error_code code;
        std::filesystem::remove_all(folder_, code);
    }
    TinyDisk(const TinyDisk&) = delete;
    TinyDisk& operator=(const TinyDisk&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& why() const { return why_; }
    const std::filesystem::path& folder() const { return folder_; }

    // Fills every byte left with a file of its own, so the next write of any
    // file fails, while an empty file can still be created.
    void fill() const {
        std::FILE* filler = std::fopen((folder_ / "filler").c_str(), "wb");
        std::setvbuf(filler, nullptr, _IONBF, 0);
        const std::string page(4096, 'f');
        while (std::fwrite(page.data(), 1, page.size(), filler) == page.size()) {
        }
        while (std::fputc('f', filler) != EOF) {
        }
        std::fclose(filler);
    }

private:
    std::filesystem::path folder_;
    bool mounted_ = false;
    std::string why_;
};
