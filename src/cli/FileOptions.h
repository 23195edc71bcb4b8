#pragma once

#include "cli/CliArguments.h"

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

    // Why the command must not run: a written file that is a read one, or
    // another written one, through any path or link; empty when none is.
    // Such a file would be overwritten by the command's own results.
    std::string sameFileProblem() const;

private:
    std::vector<Named> read_;
    std::vector<Named> written_;
};
