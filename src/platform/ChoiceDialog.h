#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// What a choice dialog shows: its title, the question and the lines to choose from.
struct ChoiceOptions {
    std::string title;
    std::string label;
    std::vector<std::string> items; // UTF-8, one line each
    size_t preselected = 0;         // index of the line chosen at first
};

// A small modal dialog that lets the user choose one line of a list.
class ChoiceDialog {
public:
    virtual ~ChoiceDialog() = default;
    // The index of the line chosen, nullopt when the user cancels.
    virtual std::optional<size_t> choose(const ChoiceOptions& options) = 0;
};

} // namespace platform
