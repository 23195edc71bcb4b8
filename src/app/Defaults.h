#pragma once

#include "engine/mdMain.h"
#include "storage/NetworkFile.h"

#include <cstdint>
#include <string_view>

// The texts and values a fresh start begins with, shared by the window's
// fields and the command-line tool's defaults: the one place for them.
namespace app::defaults {

inline constexpr std::string_view Melody = "3, 8, 11, 3, 8, 11, 4, 8, 10, 1, 8, 10";
inline constexpr std::string_view InputCount = "8";
// Shown in the hidden field until the start-up's input handling replaces it.
inline constexpr std::string_view HiddenCount = "2";
inline constexpr std::string_view Alpha = "1";
inline constexpr std::string_view LearnStep = "1";
inline constexpr std::string_view Iterations = "10000";
inline constexpr std::string_view ContinuationNotes = "8";
inline constexpr std::string_view NoteLength = "8";
inline constexpr std::string_view PauseLength = "8";

// The same defaults as numbers, for the command-line tool's options.
inline constexpr int64_t InputCountValue = 8;
inline constexpr int64_t IterationsValue = 10000;

// Lowest counts the parameter fields allow.
inline constexpr int32_t MinInputCount = MinNetworkInputCount;
inline constexpr int32_t MinHiddenCount = MinNetworkHiddenCount;

} // namespace app::defaults

// The largest values the program takes.
namespace app::limits {

// Neurons in one layer.
inline constexpr int64_t LayerNeurons = mdMain::MaxLayerNeurons;
// Notes the melody buffer holds: the beginning and its continuation together.
inline constexpr int32_t MelodyNotes = mdMain::MelodyCapacity;
// Clicks one command-line training may repeat.
inline constexpr int64_t Clicks = 1'000'000;
// Width in pixels of a drawn picture.
inline constexpr int PictureWidth = 16384;

} // namespace app::limits
