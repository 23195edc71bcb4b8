#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Number conversions that follow the user's regional settings.
class LocaleNumbers {
public:
    virtual ~LocaleNumbers() = default;
    // Reads the whole text as a number in the user's format; nullopt when it is not one.
    virtual std::optional<double> toDouble(std::string_view text) const = 0;
    // Writes a number in the user's format with up to 15 significant digits.
    virtual std::string toText(double value) const = 0;
};

} // namespace platform
