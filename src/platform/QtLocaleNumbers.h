#pragma once

#include "platform/LocaleNumbers.h"

#include <QLocale>

namespace platform {

// Number conversions in a Qt locale: the user's regional settings by default.
class QtLocaleNumbers : public LocaleNumbers {
public:
    // Uses QLocale::system().
    QtLocaleNumbers();
    // Uses the given locale (tests pass a comma-decimal one).
    explicit QtLocaleNumbers(const QLocale& locale);

    // Reads the whole trimmed text in the locale's format; nullopt when it is
    // not a number or its value is not finite.
    std::optional<double> toDouble(std::string_view text) const override;
    // Writes the value in the locale's format, 15 significant digits at most,
    // without group separators.
    std::string toText(double value) const override;

private:
    QLocale locale_;
};

} // namespace platform
