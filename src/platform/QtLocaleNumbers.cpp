#include "platform/QtLocaleNumbers.h"

#include <QString>

#include <cmath>

namespace platform {

namespace {

QLocale withoutGrouping(QLocale locale) {
    // A written number is read back by the same locale: grouping would only
    // add separators that a user might take for the decimal point.
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale;
}

} // namespace

QtLocaleNumbers::QtLocaleNumbers() : QtLocaleNumbers(QLocale::system()) {}

QtLocaleNumbers::QtLocaleNumbers(const QLocale& locale) : locale_(withoutGrouping(locale)) {}

std::optional<double> QtLocaleNumbers::toDouble(std::string_view text) const {
    const QString trimmed = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    bool ok = false;
    const double value = locale_.toDouble(trimmed, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::string QtLocaleNumbers::toText(double value) const {
    return locale_.toString(value, 'g', 15).toStdString();
}

} // namespace platform
