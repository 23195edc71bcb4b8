#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Options of one subcommand: "--name value", "--name=value" or a bare "--flag".
// Number values are read strictly and without regard to the locale.
class CliArguments {
public:
    // One accepted option, named without the leading "--".
    struct Option {
        std::string_view name;
        bool takesValue;
        bool emptyAllowed = false; // an empty value is a value (a melody text), not a mistake
    };

    // Reads `arguments` (those after the subcommand). nullopt and a one-line
    // `error` for an unknown or repeated option, a missing value or a stray argument.
    static std::optional<CliArguments> Parse(const std::vector<std::string>& arguments, std::span<const Option> options,
                                             std::string& error);

    // Whether the option was given.
    bool has(std::string_view name) const;

    // The option's text, or nullopt when it was not given.
    std::optional<std::string> text(std::string_view name) const;

    // Reads an integer option in [min, max] into `value` (left alone when the
    // option is absent); false and `error` when its text is not such a number.
    // Integral number texts in exponent form ("1E4") are accepted.
    bool readInteger(std::string_view name, int64_t min, int64_t max, int64_t& value, std::string& error) const;

    // Reads a real option (finite) into `value`, left alone when absent.
    bool readReal(std::string_view name, double& value, std::string& error) const;

    // Reads an unsigned 64-bit option of plain decimal digits into `value`.
    bool readUnsigned(std::string_view name, std::optional<uint64_t>& value, std::string& error) const;

private:
    std::map<std::string, std::string, std::less<>> values_;
};
