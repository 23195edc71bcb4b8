#include "player/SoundFonts.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <system_error>

namespace {

bool IsSoundFontName(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; });
    return extension == ".sf2" || extension == ".sf3";
}

} // namespace

std::vector<std::filesystem::path> SoundFontFolders() {
    std::vector<std::filesystem::path> folders;
    if (const char* listed = std::getenv(SoundFontFoldersVariable)) {
        const std::string text = listed;
        for (size_t start = 0; start <= text.size();) {
            const size_t end = std::min(text.find(':', start), text.size());
            if (end > start)
                folders.emplace_back(text.substr(start, end - start));
            start = end + 1;
        }
        return folders;
    }
    std::filesystem::path data;
    // A relative XDG_DATA_HOME is invalid by the XDG rules and ignored.
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg == '/')
        data = xdg;
    else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        data = std::filesystem::path(home) / ".local" / "share";
    if (!data.empty()) {
        folders.push_back(data / "soundfonts");
        folders.push_back(data / "sounds" / "sf2");
    }
    for (const char* shared : {"/usr/share/sounds/sf2", "/usr/share/sounds/sf3", "/usr/share/soundfonts",
                               "/usr/local/share/soundfonts", "/usr/share/sounds/sf"})
        folders.emplace_back(shared);
    return folders;
}

std::optional<std::filesystem::path> FindSoundFont(const std::vector<std::filesystem::path>& folders) {
    const std::vector<std::filesystem::path> candidates = SoundFontCandidates(folders);
    if (candidates.empty())
        return std::nullopt;
    return candidates.front();
}

std::vector<std::filesystem::path> SoundFontCandidates(const std::vector<std::filesystem::path>& folders) {
    std::vector<std::filesystem::path> candidates;
    const auto add = [&candidates](const std::filesystem::path& path) {
        if (std::find(candidates.begin(), candidates.end(), path) == candidates.end())
            candidates.push_back(path);
    };
    std::error_code code;
    for (const char* name : {"TimGM6mb.sf2", "default-GM.sf2", "default-GM.sf3"})
        for (const std::filesystem::path& folder : folders)
            if (std::filesystem::is_regular_file(folder / name, code))
                add(folder / name);
    for (const std::filesystem::path& folder : folders) {
        std::vector<std::filesystem::path> found;
        for (std::filesystem::directory_iterator it(folder, code), end; !code && it != end; it.increment(code))
            if (IsSoundFontName(it->path()) && std::filesystem::is_regular_file(it->path(), code))
                found.push_back(it->path());
        code.clear();
        std::sort(found.begin(), found.end());
        for (const std::filesystem::path& path : found)
            add(path);
    }
    return candidates;
}
