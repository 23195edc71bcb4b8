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

std::optional<std::string> ChooseHistoryFolder(platform::FileSystem& fs, const std::string& programFolder,
                                               std::vector<std::string>* tried) {
    const std::string beside = JoinPath(programFolder, "History");
    if (tried)
        tried->push_back(beside);
    if (fs.createFolder(beside) && fs.isWritableFolder(beside))
        return beside;
    // A program installed into a read-only folder keeps its history with the user.
    const std::string dataFolder = fs.userDataFolder();
    if (dataFolder.empty())
        return std::nullopt;
    const std::string own = JoinPath(dataFolder, "History");
    if (tried)
        tried->push_back(own);
    if (fs.createFolder(own) && fs.isWritableFolder(own))
        return own;
    return std::nullopt;
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

const std::optional<std::string>& CommandPlayer::PrepareHistory() {
    if (!history_) {
        tried_.clear();
        history_ = ChooseHistoryFolder(fs_, programFolder_, &tried_);
    }
    return history_;
}

PlayResult CommandPlayer::PlayCmd(const std::string& text, platform::ProcessStarter::EarlyFailure failed) {
    PlayResult result;
    const std::optional<std::string>& history = PrepareHistory();
    if (!history) {
        result.status = PlayResult::Status::HistoryUnavailable;
        result.folder = JoinPath(programFolder_, "History");
        result.tried = tried_;
        return result;
    }
    result.folder = *history;

    for (int32_t n = 0; n < CmdFileCount; ++n) {
        const std::string name = CmdFileName(n);
        const std::string path = JoinPath(*history, name);
        if (fs_.exists(path))
            continue;

        result.number = n;
        result.filePath = path;
        const platform::FileResult<> written = fs_.writeNewFile(path, text + "\r\n");
        // Another player won the race for this name, or a dangling link holds
        // it (exists() does not see those): the next number will do.
        if (!written && written.error().error == platform::FileError::AlreadyExists)
            continue;
        if (!written) {
            result.status = PlayResult::Status::WriteFailed;
            result.reason = written.error().reason;
            return result;
        }
        // The player looks for a bare name in the History folder beside itself.
        const bool besidePlayer = *history == JoinPath(programFolder_, "History");
        // The player starts in its own folder: any other path must not depend on ours.
        const std::vector<std::string> arguments{besidePlayer ? name : AbsolutePath(path)};
        const std::string player = JoinPath(programFolder_, PlayerFileName());
        const platform::FileResult<> started =
            failed ? starter_.startWatched(player, arguments, programFolder_, PlayerWatchMs, std::move(failed))
                   : starter_.startDetached(player, arguments, programFolder_);
        if (!started) {
            result.status = PlayResult::Status::StartFailed;
            result.reason = started.error().reason;
            return result;
        }
        result.status = PlayResult::Status::Started;
        return result;
    }

    result.status = PlayResult::Status::HistoryFull;
    result.number = -1;
    result.filePath.clear();
    return result;
}
