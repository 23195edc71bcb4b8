#pragma once

#include <filesystem>
#include <optional>
#include <vector>

// Environment variable naming the folders searched for a SoundFont (separated
// by ':'), instead of the usual ones.
inline constexpr char SoundFontFoldersVariable[] = "MELODYNET_SOUNDFONT_DIRS";

// Folders searched for a SoundFont when none is named: those of
// MELODYNET_SOUNDFONT_DIRS when it is set, else Debian's and the usual
// shared and per-user SoundFont folders.
std::vector<std::filesystem::path> SoundFontFolders();

// The SoundFont to play with from `folders`: TimGM6mb.sf2, then
// default-GM.sf2 or .sf3 in any of them, else the first .sf2 or .sf3 by name
// in the first folder holding one; nullopt when there is none.
std::optional<std::filesystem::path> FindSoundFont(const std::vector<std::filesystem::path>& folders);

// Every SoundFont of `folders` in the order of preference of FindSoundFont,
// each once: the next to try when one cannot be loaded.
std::vector<std::filesystem::path> SoundFontCandidates(const std::vector<std::filesystem::path>& folders);
