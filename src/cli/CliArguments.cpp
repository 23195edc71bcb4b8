#include "cli/CliArguments.h"

#include "app/Messages.h"
#include "numbers/NumberText.h"

#include <charconv>
#include <cmath>

namespace {

namespace cli = app::messages::cli;

// An argument as error messages show it: on one line whatever it holds, and its start only.
std::string Shown(std::string_view text) {
    std::string shown;
    for (char c : text.substr(0, 80))
        shown.push_back(c == '\n' || c == '\r' ? ' ' : c);
    if (text.size() > 80)
        shown += "…";
    return shown;
}

} // namespace

std::optional<CliArguments> CliArguments::Parse(const std::vector<std::string>& arguments,
                                                std::span<const Option> options, std::string& error) {
    CliArguments parsed;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (argument.size() < 3 || argument.substr(0, 2) != "--") {
            error = cli::StrayArgument(Shown(argument));
            return std::nullopt;
        }
        std::string_view name = argument.substr(2);
        std::optional<std::string_view> inlineValue;
        if (const size_t eq = name.find('='); eq != std::string_view::npos) {
            inlineValue = name.substr(eq + 1);
            name = name.substr(0, eq);
        }
        const Option* option = nullptr;
        for (const Option& candidate : options)
            if (candidate.name == name)
                option = &candidate;
        if (!option) {
            error = cli::UnknownOption(name);
            return std::nullopt;
        }
        if (parsed.values_.contains(name)) {
            error = cli::RepeatedOption(name);
            return std::nullopt;
        }
        std::string value;
        if (option->takesValue) {
            if (inlineValue) {
                value = *inlineValue;
            } else if (i + 1 < arguments.size() && arguments[i + 1].rfind("--", 0) != 0) {
                value = arguments[++i];
            } else {
                error = cli::MissingValue(name);
                return std::nullopt;
            }
            // An empty file name must not read as "no option" or as ".qvl".
            if (value.empty() && !option->emptyAllowed) {
                error = cli::EmptyValue(name);
                return std::nullopt;
            }
        } else if (inlineValue) {
            error = cli::ValueNotTaken(name);
            return std::nullopt;
        }
        parsed.values_.emplace(std::string(name), std::move(value));
    }
    return parsed;
}

bool CliArguments::has(std::string_view name) const {
    return values_.find(name) != values_.end();
}

std::optional<std::string> CliArguments::text(std::string_view name) const {
    const auto found = values_.find(name);
    if (found == values_.end())
        return std::nullopt;
    return found->second;
}

bool CliArguments::readInteger(std::string_view name, int64_t min, int64_t max, int64_t& value,
                               std::string& error) const {
    const std::optional<std::string> given = text(name);
    if (!given)
        return true;
    const std::optional<double> number = ParseStrictNumber(*given);
    // Doubles hold every integer up to 2^53 exactly, far beyond any limit used here.
    if (!number || std::trunc(*number) != *number || *number < static_cast<double>(min) ||
        *number > static_cast<double>(max)) {
        error = cli::NotAnInteger(name, std::to_string(min), std::to_string(max), Shown(*given));
        return false;
    }
    value = static_cast<int64_t>(*number);
    return true;
}

bool CliArguments::readReal(std::string_view name, double& value, std::string& error) const {
    const std::optional<std::string> given = text(name);
    if (!given)
        return true;
    const std::optional<double> number = ParseStrictNumber(*given);
    if (!number || !std::isfinite(*number)) {
        error = cli::NotAReal(name, Shown(*given));
        return false;
    }
    value = *number;
    return true;
}

bool CliArguments::readUnsigned(std::string_view name, std::optional<uint64_t>& value, std::string& error) const {
    const std::optional<std::string> given = text(name);
    if (!given)
        return true;
    uint64_t number = 0;
    const char* begin = given->data();
    const char* end = begin + given->size();
    const auto [ptr, ec] = std::from_chars(begin, end, number);
    if (given->empty() || ec != std::errc() || ptr != end) {
        error = cli::NotAnInteger(name, "0", std::to_string(UINT64_MAX), Shown(*given));
        return false;
    }
    value = number;
    return true;
}
