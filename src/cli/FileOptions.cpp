#include "cli/FileOptions.h"

#include "app/Messages.h"
#include "cli/CliOutput.h"
#include "platform/SameFile.h"

void FileOptions::read(const CliArguments& args, std::string_view name) {
    if (const std::optional<std::string> path = args.text(name))
        read_.push_back({"--" + std::string(name), *path, {}});
}

void FileOptions::written(const CliArguments& args, std::string_view name, const std::string& path,
                          std::string_view replaces) {
    if (const std::optional<std::string> given = args.text(name))
        written_.push_back({"--" + std::string(name), path.empty() ? *given : path,
                            replaces.empty() ? std::string() : "--" + std::string(replaces)});
}

int FileOptions::refuse(std::string_view command, std::ostream& err) const {
    for (size_t w = 0; w < written_.size(); ++w) {
        std::vector<Named> others = read_;
        others.insert(others.end(), written_.begin(), written_.begin() + static_cast<std::ptrdiff_t>(w));
        for (const Named& other : others)
            if (other.option != written_[w].replaces && platform::SameRegularFile(written_[w].path, other.path))
                return Fail(err, CliUsageError,
                            app::messages::cli::OfCommand(
                                command, app::messages::cli::SameFile(written_[w].option, written_[w].path,
                                                                      other.option, other.path)));
    }
    return CliSuccess;
}

FileOptions FileOptions::OfExports(const CliArguments& args) {
    FileOptions files;
    for (const std::string_view read : {"load", "melody-file"})
        files.read(args, read);
    for (const std::string_view written : {"midi", "wav", "roll"})
        files.written(args, written);
    return files;
}
