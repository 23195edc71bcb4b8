#include "melody/CommandFiles.h"

#include <charconv>
#include <utility>
#include <vector>

std::string CmdFileName(int32_t n) {
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, n).ptr;
    const std::string padded = "000" + std::string(digits, end);
    return padded.substr(padded.size() - 3) + ".cmd";
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/' || folder.back() == '\\')
        return folder + name;
    return folder + "/" + name;
}

base::Result<std::string, NoHistoryFolder> ChooseHistoryFolder(platform::FileSystem& fs,
                                                               const std::string& programFolder) {
    NoHistoryFolder none;
    const std::string beside = JoinPath(programFolder, "History");
    none.tried.push_back(beside);
    if (fs.createFolder(beside) && fs.isWritableFolder(beside))
        return beside;
    // A program installed into a read-only folder keeps its history with the user.
    const std::string dataFolder = fs.userDataFolder();
    if (dataFolder.empty())
        return base::Fail(std::move(none));
    const std::string own = JoinPath(dataFolder, "History");
    none.tried.push_back(own);
    if (fs.createFolder(own) && fs.isWritableFolder(own))
        return own;
    return base::Fail(std::move(none));
}

std::string PlayerFileName() {
#ifdef _WIN32
    return "Play.exe";
#else
    return "Play";
#endif
}

std::string CommandPlayer::AbsolutePath(const std::string& path) const {
    const bool absolute = path.starts_with('/') || path.starts_with('\\') || (path.size() > 1 && path[1] == ':');
    return absolute ? path : JoinPath(fs_.currentFolder(), path);
}

CommandPlayer::CommandPlayer(platform::FileSystem& fs, platform::ProcessStarter& starter, std::string programFolder)
    : fs_(fs), starter_(starter), programFolder_(std::move(programFolder)) {}

const base::Result<std::string, NoHistoryFolder>& CommandPlayer::PrepareHistory() {
    if (!history_ || !*history_)
        history_.emplace(ChooseHistoryFolder(fs_, programFolder_));
    return *history_;
}

std::optional<std::string> CommandPlayer::history() const {
    if (history_ && *history_)
        return history_->value();
    return std::nullopt;
}

PlayResult CommandPlayer::PlayCmd(const std::string& text, platform::ProcessStarter::EarlyFailure failed) {
    const base::Result<std::string, NoHistoryFolder>& history = PrepareHistory();
    if (!history)
        return base::Fail(PlayFailure{
            PlayError::HistoryUnavailable, {}, JoinPath(programFolder_, "History"), history.error().tried, {}});
    const std::string& folder = *history;

    for (int32_t n = 0; n < CmdFileCount; ++n) {
        const std::string name = CmdFileName(n);
        const std::string path = JoinPath(folder, name);
        if (fs_.exists(path))
            continue;

        const platform::FileResult<> written = fs_.writeNewFile(path, text + "\r\n");
        // Another player won the race for this name, or a dangling link holds
        // it (exists() does not see those): the next number will do.
        if (!written && written.error().error == platform::FileError::AlreadyExists)
            continue;
        if (!written)
            return base::Fail(PlayFailure{PlayError::WriteFailed, path, folder, {}, written.error().reason});
        // The player looks for a bare name in the History folder beside itself.
        const bool besidePlayer = folder == JoinPath(programFolder_, "History");
        // The player starts in its own folder: any other path must not depend on ours.
        const std::vector<std::string> arguments{besidePlayer ? name : AbsolutePath(path)};
        const std::string player = JoinPath(programFolder_, PlayerFileName());
        const platform::FileResult<> started =
            failed ? starter_.startWatched(player, arguments, programFolder_, PlayerWatchMs, std::move(failed))
                   : starter_.startDetached(player, arguments, programFolder_);
        if (!started)
            return base::Fail(PlayFailure{PlayError::StartFailed, path, folder, {}, started.error().reason});
        return PlayStarted{n, path};
    }
    return base::Fail(PlayFailure{PlayError::HistoryFull, {}, folder, {}, {}});
}
