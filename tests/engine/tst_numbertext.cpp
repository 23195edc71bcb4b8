#include "engine/NumberText.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <string>

namespace {

struct TextCase {
    double value;
    const char* text;
};

class NumberTextTable : public ::testing::TestWithParam<TextCase> {};

TEST_P(NumberTextTable, WritesAndReadsBack) {
    const TextCase& c = GetParam();
    EXPECT_EQ(NumberText(c.value), c.text);
    const std::optional<double> back = ParseStrictNumber(c.text);
    ASSERT_TRUE(back.has_value()) << c.text;
    EXPECT_EQ(NumberText(*back), c.text);
    EXPECT_EQ(LeadingNumber(c.text), *back);
}

INSTANTIATE_TEST_SUITE_P(Texts, NumberTextTable, ::testing::Values(
    TextCase{0.5, ".5"},
    TextCase{-0.25, "-.25"},
    TextCase{1.0, "1"},
    TextCase{-1.0, "-1"},
    TextCase{0.0, "0"},
    TextCase{-0.0, "0"},
    TextCase{2.5, "2.5"},
    TextCase{100.0, "100"},
    TextCase{1e-20, "1E-20"},
    TextCase{1.5e-7, "1.5E-07"},
    TextCase{0.0001, ".0001"},
    TextCase{0.00012345, ".00012345"},
    TextCase{0.00009, "9E-05"},
    TextCase{123456789012345.0, "123456789012345"},
    TextCase{999999999999999.0, "999999999999999"},
    TextCase{1e15, "1E+15"},
    TextCase{9999999999999999.0, "1E+16"},
    TextCase{0.1 + 0.2, ".3"},
    TextCase{1.0 / 3.0, ".333333333333333"},
    TextCase{-2.0 / 3.0, "-.666666666666667"},
    TextCase{1234.5678, "1234.5678"},
    TextCase{DBL_MAX, "1.79769313486232E+308"},
    TextCase{-DBL_MAX, "-1.79769313486232E+308"},
    TextCase{1e100, "1E+100"},
    TextCase{5e-324, "4.94065645841247E-324"}));

TEST(NumberText, NonFiniteValuesHaveNames) {
    EXPECT_EQ(NumberText(std::numeric_limits<double>::quiet_NaN()), "NaN");
    EXPECT_EQ(NumberText(std::numeric_limits<double>::infinity()), "Inf");
    EXPECT_EQ(NumberText(-std::numeric_limits<double>::infinity()), "-Inf");
}

TEST(FileNumberText, BlankBeforeNonNegative) {
    EXPECT_EQ(FileNumberText(8), " 8");
    EXPECT_EQ(FileNumberText(0.5), " .5");
    EXPECT_EQ(FileNumberText(-0.25), "-.25");
    EXPECT_EQ(FileNumberText(0), " 0");
    EXPECT_EQ(FileNumberText(1e-20), " 1E-20");
}

struct ReadCase {
    const char* text;
    double value;
};

class LeadingNumberTable : public ::testing::TestWithParam<ReadCase> {};

TEST_P(LeadingNumberTable, Reads) {
    const ReadCase& c = GetParam();
    const double got = LeadingNumber(c.text);
    EXPECT_EQ(got, c.value) << '"' << c.text << '"';
    EXPECT_FALSE(std::isnan(got));
}

INSTANTIATE_TEST_SUITE_P(Texts, LeadingNumberTable, ::testing::Values(
    ReadCase{"", 0.0},
    ReadCase{"abc", 0.0},
    ReadCase{"12abc", 12.0},
    ReadCase{"1 2", 12.0},
    ReadCase{" \t\n 3\t4 .5", 34.5},
    ReadCase{"-0.4", -0.4},
    ReadCase{"-.4", -0.4},
    ReadCase{"+7", 7.0},
    ReadCase{".", 0.0},
    ReadCase{"-", 0.0},
    ReadCase{"5.", 5.0},
    ReadCase{"1E3", 1000.0},
    ReadCase{"1e-2x", 0.01},
    ReadCase{"2D2", 200.0},
    ReadCase{"1E", 1.0},
    ReadCase{"1E+", 1.0},
    ReadCase{"1.5.5", 1.5},
    ReadCase{"1,5", 1.0},
    ReadCase{"&H1F", 31.0},
    ReadCase{"&h1f", 31.0},
    ReadCase{"&O17", 15.0},
    ReadCase{"&O19", 1.0},
    ReadCase{"&HZ", 0.0},
    ReadCase{"&", 0.0},
    ReadCase{"1E400", DBL_MAX},
    ReadCase{"-1E400", -DBL_MAX},
    ReadCase{"1E99999999999999999999", DBL_MAX},
    ReadCase{"1.8E308", DBL_MAX},
    ReadCase{"1E-400", 0.0},
    ReadCase{"0E999999", 0.0},
    ReadCase{"000000000000000000000000000012", 12.0},
    ReadCase{"1.79769313486232E+308", DBL_MAX}));

TEST(LeadingNumber, HugeDigitRunSaturates) {
    EXPECT_EQ(LeadingNumber(std::string(400, '9')), DBL_MAX);
    EXPECT_EQ(LeadingNumber("." + std::string(400, '0') + "1"), 0.0);
}

struct RoundCase {
    double value;
    int32_t to32;
    int64_t to64;
};

class RoundTable : public ::testing::TestWithParam<RoundCase> {};

TEST_P(RoundTable, HalvesToEvenAndSaturates) {
    const RoundCase& c = GetParam();
    EXPECT_EQ(RoundToInt32(c.value), c.to32) << c.value;
    EXPECT_EQ(RoundToInt64(c.value), c.to64) << c.value;
}

constexpr int32_t Max32 = std::numeric_limits<int32_t>::max();
constexpr int32_t Min32 = std::numeric_limits<int32_t>::min();
constexpr int64_t Max64 = std::numeric_limits<int64_t>::max();
constexpr int64_t Min64 = std::numeric_limits<int64_t>::min();

INSTANTIATE_TEST_SUITE_P(Values, RoundTable, ::testing::Values(
    RoundCase{0.0, 0, 0},
    RoundCase{2.5, 2, 2},
    RoundCase{3.5, 4, 4},
    RoundCase{-2.5, -2, -2},
    RoundCase{-3.5, -4, -4},
    RoundCase{0.49999999999999994, 0, 0},
    RoundCase{1.4, 1, 1},
    RoundCase{-1.6, -2, -2},
    RoundCase{2147483647.4, Max32, 2147483647},
    RoundCase{2147483647.5, Max32, 2147483648LL},
    RoundCase{-2147483648.5, Min32, -2147483648LL},
    RoundCase{1e300, Max32, Max64},
    RoundCase{-1e300, Min32, Min64},
    RoundCase{9223372036854775808.0, Max32, Max64},
    RoundCase{-9223372036854775808.0, Min32, Min64},
    RoundCase{std::numeric_limits<double>::infinity(), Max32, Max64},
    RoundCase{-std::numeric_limits<double>::infinity(), Min32, Min64},
    RoundCase{std::numeric_limits<double>::quiet_NaN(), 0, 0}));

struct StrictCase {
    const char* text;
    std::optional<double> value;
};

class StrictTable : public ::testing::TestWithParam<StrictCase> {};

TEST_P(StrictTable, AcceptsOnlyWholeNumbers) {
    const StrictCase& c = GetParam();
    EXPECT_EQ(ParseStrictNumber(c.text), c.value) << '"' << c.text << '"';
}

INSTANTIATE_TEST_SUITE_P(Texts, StrictTable, ::testing::Values(
    StrictCase{" 8", 8.0},
    StrictCase{" .5\r", 0.5},
    StrictCase{"-.25", -0.25},
    StrictCase{"0.25", 0.25},
    StrictCase{"+3", 3.0},
    StrictCase{"1E-20", 1e-20},
    StrictCase{"1.5e+07", 1.5e7},
    StrictCase{"1.79769313486232E+308", DBL_MAX},
    StrictCase{"-1.79769313486232E+308", -DBL_MAX},
    StrictCase{"1.79769313486233E+308", std::nullopt},
    StrictCase{"1E-400", 0.0},
    StrictCase{"5.", 5.0},
    StrictCase{"", std::nullopt},
    StrictCase{"   ", std::nullopt},
    StrictCase{".", std::nullopt},
    StrictCase{"1 2", std::nullopt},
    StrictCase{"12abc", std::nullopt},
    StrictCase{"1,5", std::nullopt},
    StrictCase{"1E", std::nullopt},
    StrictCase{"1E+", std::nullopt},
    StrictCase{"&H10", std::nullopt},
    StrictCase{"inf", std::nullopt},
    StrictCase{"nan", std::nullopt},
    StrictCase{"1E400", std::nullopt},
    StrictCase{"-1.8E308", std::nullopt},
    StrictCase{"--1", std::nullopt}));

// A user format with a decimal comma and blanks for grouping, as a
// European desktop would have it.
class CommaLocale : public platform::LocaleNumbers {
public:
    std::optional<double> toDouble(std::string_view text) const override {
        std::string plain;
        for (char c : text) {
            if (c == ' ')
                continue;
            if (c == '.')
                return std::nullopt;
            plain.push_back(c == ',' ? '.' : c);
        }
        return ParseStrictNumber(plain);
    }
    std::string toText(double value) const override { return NumberText(value); }
};

// A locale whose conversion hands back infinities and NaN for what it reads.
class NonFiniteLocale : public platform::LocaleNumbers {
public:
    std::optional<double> toDouble(std::string_view text) const override {
        if (text == "big")
            return std::numeric_limits<double>::infinity();
        if (text == "-big")
            return -std::numeric_limits<double>::infinity();
        if (text == "7nan")
            return std::numeric_limits<double>::quiet_NaN();
        return std::nullopt;
    }
    std::string toText(double) const override { return {}; }
};

TEST(StrToDbl, LocaleFirstThenPlainReading) {
    const CommaLocale comma;
    const struct {
        const char* text;
        double value;
    } cases[] = {
        {"2,5", 2.5}, {"2.5", 2.5}, {"12abc", 12.0}, {"", 0.0}, {"abc", 0.0},
        {"1 000,5", 1000.5}, {"-0,25", -0.25}, {"1E400", DBL_MAX}, {"-1E400", -DBL_MAX},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StrToDbl(c.text, comma), c.value) << c.text;
}

TEST(StrToDbl, NeverInfiniteOrNaN) {
    const NonFiniteLocale odd;
    EXPECT_EQ(StrToDbl("big", odd), DBL_MAX);
    EXPECT_EQ(StrToDbl("-big", odd), -DBL_MAX);
    EXPECT_EQ(StrToDbl("7nan", odd), 7.0);
}

TEST(PlainLocaleNumbers, PointOnly) {
    const PlainLocaleNumbers plain;
    EXPECT_EQ(plain.toDouble("2.5"), 2.5);
    EXPECT_EQ(plain.toDouble("2,5"), std::nullopt);
    EXPECT_EQ(plain.toText(0.5), ".5");
    EXPECT_EQ(StrToDbl("2,5", plain), 2.0);
}

} // namespace
