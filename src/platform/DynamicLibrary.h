#pragma once

#include "platform/FileSystem.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

// A shared library opened at run time; closed when the object is destroyed.
class DynamicLibrary {
public:
    // Opens the library at `path`; Failed with the system's reason when it cannot be loaded.
    static FileResult<DynamicLibrary> open(const std::filesystem::path& path);
    ~DynamicLibrary();
    DynamicLibrary(DynamicLibrary&& other) noexcept;
    DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // Address of an exported symbol, or nullptr when the library lacks it.
    void* symbol(const char* name) const;
    // The path the library was opened from.
    const std::filesystem::path& path() const { return path_; }

    // The platform's file name of a shared library: "libformula.so", "formula.dll".
    static std::string fileName(std::string_view baseName);

private:
    DynamicLibrary(void* handle, std::filesystem::path path) : handle_(handle), path_(std::move(path)) {}

    void* handle_ = nullptr;
    std::filesystem::path path_;
};

// Folder that holds the running executable (not the working directory).
std::filesystem::path executableFolder();

// Our private library folder of an installed tree, found relative to executableFolder().
std::filesystem::path privateLibraryFolder();

} // namespace platform
