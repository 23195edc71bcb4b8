#include "numbers/NumberText.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace {

constexpr double Largest = std::numeric_limits<double>::max();

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Decimal exponent of the leading non-zero digit of a mantissa written as
// `digits` (no sign, at most one '.'), or nullopt when every digit is zero.
std::optional<long long> leadingDigitExponent(std::string_view digits) {
    const size_t point = digits.find('.');
    const size_t intLength = point == std::string_view::npos ? digits.size() : point;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (digits[i] == '.' || digits[i] == '0')
            continue;
        if (i < intLength)
            return static_cast<long long>(intLength - i) - 1;
        return -static_cast<long long>(i - intLength);
    }
    return std::nullopt;
}

// Converts the parts of a checked number text. An overflow gives nullopt with
// `overflow` set; an underflow gives a zero of the right sign.
std::optional<double> convert(bool negative, std::string_view mantissa, long long exponent, bool& overflow) {
    overflow = false;
    const std::optional<long long> lead = leadingDigitExponent(mantissa);
    if (!lead)
        return negative ? -0.0 : 0.0;
    // Far outside the range the answer is known; this also keeps the
    // exponent text short for texts like "1E999999999999".
    const long long magnitude = *lead + exponent;
    if (magnitude > 400) {
        overflow = true;
        return std::nullopt;
    }
    if (magnitude < -400)
        return negative ? -0.0 : 0.0;

    std::string text;
    text.reserve(mantissa.size() + 24);
    if (negative)
        text.push_back('-');
    text.append(mantissa);
    text.push_back('e');
    std::array<char, 24> buffer{};
    const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), exponent);
    (void)ec;
    text.append(buffer.data(), end);

    double value = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        if (magnitude > 0) {
            overflow = true;
            return std::nullopt;
        }
        return negative ? -0.0 : 0.0;
    }
    if (result.ec != std::errc() || result.ptr != text.data() + text.size())
        return std::nullopt;
    if (std::isinf(value)) {
        overflow = true;
        return std::nullopt;
    }
    return value;
}

// The parts of the decimal number at the start of a text: an optional sign,
// digits with an optional '.', and an exponent whose letter counts only when
// digits follow it ("D" as well as "E" where `letterD` allows it).
struct DecimalScan {
    bool found = false; // at least one mantissa digit
    bool negative = false;
    std::string_view mantissa; // digits with at most one '.', never ending in '.'
    long long exponent = 0;
    size_t end = 0; // characters that belong to the number
};

DecimalScan scanDecimal(std::string_view s, bool letterD) {
    DecimalScan scan;
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        scan.negative = s[i] == '-';
        ++i;
    }
    const size_t mantissaStart = i;
    size_t digitCount = 0;
    while (i < s.size() && isDigit(s[i])) {
        ++i;
        ++digitCount;
    }
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && isDigit(s[i])) {
            ++i;
            ++digitCount;
        }
    }
    if (digitCount == 0)
        return scan;
    scan.found = true;
    scan.mantissa = s.substr(mantissaStart, i - mantissaStart);
    if (scan.mantissa.back() == '.')
        scan.mantissa.remove_suffix(1);
    scan.end = i;

    const bool letter = i < s.size() && (s[i] == 'E' || s[i] == 'e' || (letterD && (s[i] == 'D' || s[i] == 'd')));
    if (!letter)
        return scan;
    size_t j = i + 1;
    bool exponentNegative = false;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) {
        exponentNegative = s[j] == '-';
        ++j;
    }
    if (j == s.size() || !isDigit(s[j]))
        return scan;
    for (; j < s.size() && isDigit(s[j]); ++j) {
        if (scan.exponent < 1'000'000)
            scan.exponent = scan.exponent * 10 + (s[j] - '0');
    }
    if (exponentNegative)
        scan.exponent = -scan.exponent;
    scan.end = j;
    return scan;
}

// Reads "&H..." or "&O..." (the '&' already consumed) as a non-negative integer.
double radixInteger(std::string_view rest) {
    if (rest.empty())
        return 0.0;
    const char kind = rest.front();
    int base = 0;
    if (kind == 'H' || kind == 'h')
        base = 16;
    else if (kind == 'O' || kind == 'o')
        base = 8;
    else
        return 0.0;
    double value = 0.0;
    for (char c : rest.substr(1)) {
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        if (digit < 0 || digit >= base)
            break;
        value = value * base + digit;
    }
    return std::isinf(value) ? Largest : value;
}

// The number of a text that has already been freed of blanks.
double leadingNumberOfCompact(std::string_view s) {
    if (!s.empty() && s.front() == '&')
        return radixInteger(s.substr(1));
    const DecimalScan scan = scanDecimal(s, true);
    if (!scan.found)
        return 0.0;
    bool overflow = false;
    const std::optional<double> value = convert(scan.negative, scan.mantissa, scan.exponent, overflow);
    if (overflow)
        return scan.negative ? -Largest : Largest;
    return value.value_or(0.0);
}

double roundHalfEven(double value) {
    const double lower = std::floor(value);
    const double fraction = value - lower;
    if (fraction > 0.5)
        return lower + 1.0;
    if (fraction < 0.5)
        return lower;
    return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}

} // namespace

std::string NumberText(double value) {
    if (std::isnan(value))
        return "NaN";
    if (std::isinf(value))
        return value < 0 ? "-Inf" : "Inf";
    if (value == 0.0)
        return "0";

    // Fifteen significant digits, rounded once by to_chars.
    std::array<char, 64> buffer{};
    const auto [end, ec] =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::scientific, 14);
    (void)ec;
    const std::string_view scientific(buffer.data(), static_cast<size_t>(end - buffer.data()));
    const bool negative = scientific.front() == '-';
    const size_t ePos = scientific.find('e');
    std::string digits;
    for (char c : scientific.substr(negative ? 1 : 0, ePos - (negative ? 1 : 0)))
        if (isDigit(c))
            digits.push_back(c);
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    int exponent = 0;
    std::from_chars(scientific.data() + ePos + 1 + (scientific[ePos + 1] == '+' ? 1 : 0),
                    scientific.data() + scientific.size(), exponent);

    std::string text;
    if (negative)
        text.push_back('-');
    const int count = static_cast<int>(digits.size());
    if (exponent >= 15 || exponent < -4) {
        text.push_back(digits[0]);
        if (count > 1) {
            text.push_back('.');
            text.append(digits, 1);
        }
        text.push_back('E');
        text.push_back(exponent < 0 ? '-' : '+');
        const int magnitude = exponent < 0 ? -exponent : exponent;
        if (magnitude < 10)
            text.push_back('0');
        text.append(std::to_string(magnitude));
    } else if (exponent < 0) {
        text.push_back('.');
        text.append(static_cast<size_t>(-exponent - 1), '0');
        text.append(digits);
    } else if (count <= exponent + 1) {
        text.append(digits);
        text.append(static_cast<size_t>(exponent + 1 - count), '0');
    } else {
        text.append(digits, 0, static_cast<size_t>(exponent + 1));
        text.push_back('.');
        text.append(digits, static_cast<size_t>(exponent + 1));
    }
    return text;
}

std::string FileNumberText(double value) {
    std::string text = NumberText(value);
    if (text.front() != '-')
        text.insert(text.begin(), ' ');
    return text;
}

double LeadingNumber(std::string_view text) {
    std::string compact;
    compact.reserve(text.size());
    for (char c : text)
        if (!isBlank(c))
            compact.push_back(c);
    return leadingNumberOfCompact(compact);
}

int32_t RoundToInt32(double value) {
    if (std::isnan(value))
        return 0;
    const double rounded = roundHalfEven(value);
    if (rounded >= 2147483647.0)
        return std::numeric_limits<int32_t>::max();
    if (rounded <= -2147483648.0)
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(rounded);
}

int64_t RoundToInt64(double value) {
    if (std::isnan(value))
        return 0;
    const double rounded = roundHalfEven(value);
    // 2^63 is the first double beyond the range; -2^63 itself fits.
    if (rounded >= 9223372036854775808.0)
        return std::numeric_limits<int64_t>::max();
    if (rounded <= -9223372036854775808.0)
        return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(rounded);
}

double StrToDbl(std::string_view text, const platform::LocaleNumbers& locale) {
    const std::optional<double> typed = locale.toDouble(text);
    if (typed && !std::isnan(*typed)) {
        if (std::isinf(*typed))
            return *typed < 0 ? -Largest : Largest;
        return *typed;
    }
    return LeadingNumber(text);
}

std::optional<double> ParseStrictNumber(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);

    const DecimalScan scan = scanDecimal(text, false);
    if (!scan.found || scan.end != text.size())
        return std::nullopt;
    bool overflow = false;
    const std::optional<double> value = convert(scan.negative, scan.mantissa, scan.exponent, overflow);
    if (overflow) {
        // NumberText writes the largest double as 1.79769313486232E+308, a
        // little above it; such a text must read back as the largest double.
        const std::optional<double> tenth = convert(false, scan.mantissa, scan.exponent - 1, overflow);
        if (tenth && *tenth <= 1.79769313486232E+307)
            return scan.negative ? -Largest : Largest;
    }
    return value;
}

std::optional<double> PlainLocaleNumbers::toDouble(std::string_view text) const {
    return ParseStrictNumber(text);
}

std::string PlainLocaleNumbers::toText(double value) const {
    return NumberText(value);
}
