#include "cli/FileOptions.h"

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

std::string FileOptions::sameFileProblem() const {
    for (size_t w = 0; w < written_.size(); ++w) {
        std::vector<Named> others = read_;
        others.insert(others.end(), written_.begin(), written_.begin() + static_cast<std::ptrdiff_t>(w));
        for (const Named& other : others)
            if (other.option != written_[w].replaces && platform::SameRegularFile(written_[w].path, other.path))
                return written_[w].option + " «" + written_[w].path + "» — тот же файл, что " + other.option + " «" +
                       other.path + "»; он был бы перезаписан, ничего не записано";
    }
    return {};
}
