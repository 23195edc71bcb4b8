#pragma once

#include "app/LearningReport.h"
#include "app/Session.h"
#include "cli/CliArguments.h"
#include "platform/FileSystem.h"

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

// The pictures of --plot (the learning curve) and --roll (the melody with
// its continuation): each replaces its file only when complete. They exist
// where the painting library is built.

// Whether this build draws them.
#ifdef MELODYNET_CLI_PICTURES
inline constexpr bool PicturesDrawn = true;
#else
inline constexpr bool PicturesDrawn = false;
#endif

// A usage error of `command` unless the picture option `name`, when given, names a .png or .svg file.
int CheckPicturePath(const CliArguments& args, std::string_view name, std::string_view command, std::ostream& err);

// Draws the session's learning curve into `path`; why that failed, or empty.
std::string WriteCurve(const std::string& path, const app::Session& session, platform::FileSystem& files);

// Draws the session's beginning, the continuation `codes` and the network's
// predictions `scored` into `path`; why that failed, or empty.
std::string WriteRoll(const std::string& path, const app::Session& session, const std::vector<uint8_t>& codes,
                      const app::LearningReport& scored, platform::FileSystem& files);
