#pragma once

#include "platform/LocaleNumbers.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Number texts shared by the activation formula, the network file, the
// melody text and the parameter fields. None of them depends on the locale
// of the C library.

// Decimal text of a double: "." as the point, "-" when negative, at most 15
// significant digits, no trailing zeros, no point when integral, no 0 before
// the point below 1, exponent form ("1E-20", "1.5E-07") for very large and
// very small magnitudes. Never a leading blank. The exponent form is used when the
// value rounded to 15 digits is 1E15 or more or below 1E-4 in magnitude: a
// mantissa, "E", the exponent's sign and at least two digits ("1E+15", "1.5E-07",
// "1.79769313486232E+308"). Zero of either sign gives "0"; NaN and the
// infinities, which no caller should pass, give "NaN", "Inf" and "-Inf".
std::string NumberText(double value);

// The network file's form: NumberText with a blank in front of zero and
// positive numbers (" 8", " .5", "-.25").
std::string FileNumberText(double value);

// The plain reading of a text's leading number: blanks, tabs and line feeds
// anywhere are skipped, then an optional sign, digits with an optional "."
// and an optional exponent; reading stops at the first character that cannot
// continue the number ("1 2" is 12, "12abc" is 12; "E" or "D" starts the
// exponent). "&H"/"&O" read hexadecimal/octal integers, never negative. A text
// without a leading number gives 0; a number beyond the range of a double
// saturates to the largest finite double of its sign; one too small for a
// double gives 0.
double LeadingNumber(std::string_view text);

// A double taken to the nearest 32-bit integer, halves to the even
// neighbour; values beyond the 32-bit range saturate, NaN gives 0.
int32_t RoundToInt32(double value);

// The same rounding into 64 bits (for counts that may exceed 32 bits).
int64_t RoundToInt64(double value);

// Reads a typed number: the whole text in the user's format through
// `locale` first, the plain leading-number reading if that fails. Never
// infinite or NaN: beyond the range of a double it saturates.
double StrToDbl(std::string_view text, const platform::LocaleNumbers& locale);

// Strict reading of one number line of a file or a command-line value:
// blanks around it allowed, "." as the point, an optional 0 before it, the
// exponent form; nullopt for anything else and for values beyond a double.
// A value too small for a double reads as 0; the text NumberText writes for the
// largest double ("1.79769313486232E+308", just above it) reads back as that double.
std::optional<double> ParseStrictNumber(std::string_view text);

// The locale that the number texts above use everywhere: "." and no grouping.
class PlainLocaleNumbers : public platform::LocaleNumbers {
public:
    std::optional<double> toDouble(std::string_view text) const override;
    std::string toText(double value) const override;
};
