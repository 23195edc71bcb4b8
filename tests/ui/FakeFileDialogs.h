#pragma once

#include "platform/FileDialogs.h"

#include <optional>
#include <string>

// Answers the file dialogs with prepared paths and records what was asked.
class FakeFileDialogs : public platform::FileDialogs {
public:
    // Returns openAnswer and records the options.
    std::optional<std::string> openFile(const platform::FileDialogOptions& options) override {
        ++openCalls;
        lastOptions = options;
        return openAnswer;
    }
    // Returns saveAnswer and records the options.
    std::optional<std::string> saveFile(const platform::FileDialogOptions& options) override {
        ++saveCalls;
        lastOptions = options;
        return saveAnswer;
    }

    std::optional<std::string> openAnswer;
    std::optional<std::string> saveAnswer;
    platform::FileDialogOptions lastOptions;
    int openCalls = 0;
    int saveCalls = 0;
};
