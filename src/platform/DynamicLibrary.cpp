#include "platform/DynamicLibrary.h"

#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <climits>
#include <dlfcn.h>
#include <unistd.h>
#include <vector>
#endif

namespace platform {

FileResult<DynamicLibrary> DynamicLibrary::open(const std::filesystem::path& path) {
#ifdef _WIN32
    void* handle = reinterpret_cast<void*>(::LoadLibraryW(path.wstring().c_str()));
    if (!handle)
        return FileFailed("error " + std::to_string(::GetLastError()));
#else
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = ::dlerror();
        return FileFailed(reason ? reason : "unknown reason");
    }
#endif
    return DynamicLibrary(handle, path);
}

DynamicLibrary::~DynamicLibrary() {
    if (!handle_)
        return;
#ifdef _WIN32
    ::FreeLibrary(reinterpret_cast<HMODULE>(handle_));
#else
    ::dlclose(handle_);
#endif
}

DynamicLibrary::DynamicLibrary(DynamicLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), path_(std::move(other.path_)) {}

DynamicLibrary& DynamicLibrary::operator=(DynamicLibrary&& other) noexcept {
    if (this != &other) {
        DynamicLibrary old(std::move(*this));
        handle_ = std::exchange(other.handle_, nullptr);
        path_ = std::move(other.path_);
    }
    return *this;
}

void* DynamicLibrary::symbol(const char* name) const {
    if (!handle_)
        return nullptr;
#ifdef _WIN32
    return reinterpret_cast<void*>(::GetProcAddress(reinterpret_cast<HMODULE>(handle_), name));
#else
    return ::dlsym(handle_, name);
#endif
}

std::string DynamicLibrary::fileName(std::string_view baseName) {
#ifdef _WIN32
    return std::string(baseName) + ".dll";
#elif defined(__APPLE__)
    return "lib" + std::string(baseName) + ".dylib";
#else
    return "lib" + std::string(baseName) + ".so";
#endif
}

std::filesystem::path executableFolder() {
#ifdef _WIN32
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0)
            return std::filesystem::current_path();
        if (n < buffer.size()) {
            buffer.resize(n);
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    return std::filesystem::path(buffer).parent_path();
#else
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        return std::filesystem::current_path();
    return exe.parent_path();
#endif
}

std::filesystem::path privateLibraryFolder() {
    // Relative, so that an installed tree still works after it has been moved.
    return (executableFolder() / MELODYNET_PRIVATE_LIBDIR).lexically_normal();
}

} // namespace platform
