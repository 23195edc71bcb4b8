#pragma once

#include "base/Result.h"
#include "platform/FileSystem.h"
#include "platform/ProcessStarter.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Command files "000.cmd" to "999.cmd" in the History folder and the start
// of the player with one of them.

// Number of command file names: 000 to 999.
inline constexpr int32_t CmdFileCount = 1000;

// File name of command file n: "000" and n, cut to the last three
// characters, then ".cmd" (5 gives "005.cmd").
std::string CmdFileName(int32_t n);

// `folder` and `name` joined with one "/" (none added after a trailing separator).
std::string JoinPath(const std::string& folder, const std::string& name);

// No folder can hold History: every folder tried, the one beside the program first.
struct NoHistoryFolder {
    std::vector<std::string> tried;
};

// The History folder: "History" in `programFolder` when it exists or can be
// created and is writable, otherwise "History" in the user's data folder
// (created when needed).
base::Result<std::string, NoHistoryFolder> ChooseHistoryFolder(platform::FileSystem& fs,
                                                               const std::string& programFolder);

// How long a started player is watched for an early failure: one that cannot
// open its sound device or read its file ends well within it.
inline constexpr int PlayerWatchMs = 3000;

// File name of the player program: "Play", "Play.exe" on Windows.
std::string PlayerFileName();

// A command file written and the player started with it.
struct PlayStarted {
    int32_t number = -1;  // the command file's number
    std::string filePath; // its full path
};

// Why a play request failed.
enum class PlayError {
    HistoryUnavailable, // neither the program's folder nor the user's data folder can hold History
    HistoryFull,        // all 1000 names are taken
    WriteFailed,        // the command file could not be written
    StartFailed,        // the player could not be started
};

// A failed play request and where it failed.
struct PlayFailure {
    PlayError error = PlayError::HistoryUnavailable;
    std::string filePath;           // (WriteFailed, StartFailed) the command file written or tried
    std::string folder;             // the History folder used, or (HistoryUnavailable) the one beside the program
    std::vector<std::string> tried; // (HistoryUnavailable) every folder tried, the one beside the program first
    std::string reason;             // (WriteFailed, StartFailed) the platform's reason
};

// The outcome of one play request.
using PlayResult = base::Result<PlayStarted, PlayFailure>;

// Writes command texts into the first free command file and starts the player.
class CommandPlayer {
public:
    // `programFolder` holds the player and, normally, the History folder.
    CommandPlayer(platform::FileSystem& fs, platform::ProcessStarter& starter, std::string programFolder);

    // Chooses the History folder (ChooseHistoryFolder) unless one is chosen
    // already; the folder is then kept for every later play.
    const base::Result<std::string, NoHistoryFolder>& PrepareHistory();
    // The History folder chosen so far, if any.
    std::optional<std::string> history() const;

    // Writes `text` and CR LF into the lowest free command file (a name taken
    // meanwhile, or held by a dangling link, passes on to the next), closes it and
    // starts the player with the file's bare name (its full path when the
    // History folder is not beside the player). Nothing is written when all
    // names are taken, and the player is not started when writing failed.
    // With `failed`, a player that fails within PlayerWatchMs is told there.
    PlayResult PlayCmd(const std::string& text, platform::ProcessStarter::EarlyFailure failed = {});

private:
    // `path` as it is when absolute, else inside the current folder.
    std::string AbsolutePath(const std::string& path) const;

    platform::FileSystem& fs_;
    platform::ProcessStarter& starter_;
    std::string programFolder_;
    std::optional<base::Result<std::string, NoHistoryFolder>> history_; // the last choice; a failed one is tried again
};
