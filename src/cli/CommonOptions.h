#pragma once

#include "app/Defaults.h"
#include "cli/CliArguments.h"
#include "cli/CliSession.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

// The options the subcommands share: the melody (--melody, --melody-file
// with --track, or the window's default melody), the lengths of the
// play-command text (--note-length, --pause-length) and the network file
// (--load); and the session they open with them.
class CommonOptions {
public:
    // Reads them from `args`; a status other than success after telling `err`.
    int read(const CliArguments& args, std::string_view command, std::ostream& err);

    // The file of --load, when given.
    const std::optional<std::string>& network() const { return network_; }

    // A usage error unless --load was given.
    static int RequireNetwork(const CliArguments& args, std::string_view command, std::ostream& err);

    // Opens the session and sets it up in this order: the network of --load,
    // the command's own `prepare` step, the lengths, then the melody as the
    // window's melody field takes it, with a warning on `err` for whatever
    // reading it had to change. Null after telling `err`, with the exit status in `status`.
    std::unique_ptr<CliSession> open(std::ostream& err, int& status,
                                     const std::function<int(app::Session&)>& prepare = {}) const;

private:
    int readMelody(const CliArguments& args, std::ostream& err);
    int setMelody(app::Session& session, std::ostream& err) const;

    std::string text_{app::defaults::Melody};
    std::optional<std::string> file_;
    std::optional<int> track_; // 0-based
    int64_t noteLength_ = 8;
    int64_t pauseLength_ = 8;
    std::optional<std::string> network_;
};
