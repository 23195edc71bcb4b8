#pragma once

#include "cli/CliArguments.h"

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

// The file options of one command: those it reads and those it writes.
class FileOptions {
public:
    // A file option given on the command line, by its name and path.
    struct Named {
        std::string option;
        std::string path;
        std::string replaces; // the read option whose file this one may replace (a network trained further)
    };

    // Notes option `name` of `args` as read (when given).
    void read(const CliArguments& args, std::string_view name);
    // Notes option `name` of `args` as written (when given), under `path`
    // when the command changes the name; it may be the file of option `replaces`.
    void written(const CliArguments& args, std::string_view name, const std::string& path = {},
                 std::string_view replaces = {});

    // Refuses, as a usage error of `command` told on `err`, a written file
    // that is a read one or another written one, through any path or link:
    // it would be overwritten by the command's own results. Success when none is.
    int refuse(std::string_view command, std::ostream& err) const;

    // The files of --load and --melody-file as read, and the exports
    // (--midi, --wav, --roll) as written.
    static FileOptions OfExports(const CliArguments& args);

private:
    std::vector<Named> read_;
    std::vector<Named> written_;
};
