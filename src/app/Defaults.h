#pragma once

#include <cstdint>
#include <string_view>

// The texts and values a fresh start begins with, shared by the window's
// fields and the command-line tool's defaults.
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

// Lowest counts the parameter fields allow.
inline constexpr int32_t MinInputCount = 2;
inline constexpr int32_t MinHiddenCount = 1;

} // namespace app::defaults
