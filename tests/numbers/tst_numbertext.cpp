#include "numbers/NumberText.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <limits>
#include <string>
#include <vector>

namespace {

constexpr double Inf = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

TEST(NumberText, WritesAndReadsBack) {
    // clang-format off
    const std::pair<double, const char*> cases[] = {
        {-0.25, "-.25"}, {100.0, "100"}, {-0.0, "0"}, {1.5e-7, "1.5E-07"}, {0.0001, ".0001"}, {0.00009, "9E-05"},
        {999999999999999.0, "999999999999999"}, {1e15, "1E+15"}, {9999999999999999.0, "1E+16"}, {0.1 + 0.2, ".3"},
        {-2.0 / 3.0, "-.666666666666667"}, {DBL_MAX, "1.79769313486232E+308"}, {5e-324, "4.94065645841247E-324"}};
    // clang-format on
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(NumberText(value), text);
        const std::optional<double> back = ParseStrictNumber(text);
        ASSERT_TRUE(back.has_value()) << text;
        EXPECT_EQ(NumberText(*back), text);
        EXPECT_EQ(LeadingNumber(text), *back) << text;
    }
}

TEST(NumberText, SpecialForms) {
    EXPECT_EQ((std::vector{NumberText(NaN), NumberText(Inf), NumberText(-Inf)}),
              (std::vector<std::string>{"NaN", "Inf", "-Inf"}));
    EXPECT_EQ((std::vector{FileNumberText(0), FileNumberText(0.5), FileNumberText(-0.25)}),
              (std::vector<std::string>{" 0", " .5", "-.25"}));
}

TEST(LeadingNumber, ReadsTheLeadingNumberAndSaturates) {
    // clang-format off
    const std::pair<std::string, double> cases[] = {
        {"", 0.0}, {"12abc", 12.0}, {" \t\n 3\t4 .5", 34.5}, {"-.4", -0.4}, {"+7", 7.0}, {".", 0.0}, {"5.", 5.0},
        {"1E3", 1000.0}, {"2D2", 200.0}, {"1E", 1.0}, {"1.5.5", 1.5}, {"&H1F", 31.0}, {"&h1f", 31.0}, {"&O17", 15.0},
        {"&o17", 15.0}, {"&O19", 1.0}, {"&HZ", 0.0}, {"1E400", DBL_MAX}, {"-1E400", -DBL_MAX},
        {"1E99999999999999999999", DBL_MAX}, {"1E-400", 0.0}, {"0E999999", 0.0},
        {"000000000000000000000000000012", 12.0}, {"1.79769313486232E+308", DBL_MAX},
        {std::string(400, '9'), DBL_MAX}, {"." + std::string(400, '0') + "1", 0.0}};
    // clang-format on
    for (const auto& [text, value] : cases)
        EXPECT_EQ(LeadingNumber(text), value) << '"' << text << '"';
}

TEST(RoundToInt, HalvesToEvenAndSaturates) {
    constexpr int32_t Max32 = INT32_MAX, Min32 = INT32_MIN;
    constexpr int64_t Max64 = INT64_MAX, Min64 = INT64_MIN;
    // clang-format off
    const std::tuple<double, int32_t, int64_t> cases[] = {
        {2.5, 2, 2}, {3.5, 4, 4}, {-2.5, -2, -2}, {0.49999999999999994, 0, 0}, {-1.6, -2, -2},
        {2147483647.5, Max32, 2147483648LL}, {-2147483648.5, Min32, -2147483648LL}, {-1e300, Min32, Min64},
        {9223372036854775808.0, Max32, Max64}, {Inf, Max32, Max64}, {-Inf, Min32, Min64}, {NaN, 0, 0}};
    // clang-format on
    for (const auto& [value, to32, to64] : cases) {
        EXPECT_EQ(RoundToInt32(value), to32) << value;
        EXPECT_EQ(RoundToInt64(value), to64) << value;
    }
}

TEST(ParseStrictNumber, AcceptsOnlyWholeNumbers) {
    // clang-format off
    const std::pair<const char*, std::optional<double>> cases[] = {
        {" 8", 8.0}, {" .5\r", 0.5}, {"-.25", -0.25}, {"+3", 3.0}, {"1.5e+07", 1.5e7},
        {"1.79769313486232E+308", DBL_MAX}, {"1.79769313486233E+308", std::nullopt}, {"1E-400", 0.0}, {"5.", 5.0},
        {" ", std::nullopt}, {".", std::nullopt}, {"1 2", std::nullopt}, {"1,5", std::nullopt}, {"1E", std::nullopt},
        {"&H10", std::nullopt}, {"inf", std::nullopt}, {"1E400", std::nullopt}, {"--1", std::nullopt}};
    // clang-format on
    for (const auto& [text, value] : cases)
        EXPECT_EQ(ParseStrictNumber(text), value) << '"' << text << '"';
}

// A locale that answers the prepared value, as a user format with a decimal comma would
// (nothing: the text is not a number there).
struct AnsweringLocale : platform::LocaleNumbers {
    std::optional<double> answer;
    std::optional<double> toDouble(std::string_view) const override { return answer; }
    std::string toText(double value) const override { return NumberText(value); }
};

TEST(StrToDbl, LocaleFirstThenPlainReadingNeverInfinite) {
    const std::tuple<const char*, std::optional<double>, double> cases[] = {{"2,5", 2.5, 2.5},
                                                                            {"12abc", std::nullopt, 12.0},
                                                                            {"big", Inf, DBL_MAX},
                                                                            {"-big", -Inf, -DBL_MAX},
                                                                            {"7nan", NaN, 7.0}};
    AnsweringLocale locale;
    for (const auto& [text, answer, value] : cases) {
        locale.answer = answer;
        EXPECT_EQ(StrToDbl(text, locale), value) << text;
    }
    const PlainLocaleNumbers plain;
    EXPECT_EQ(std::tuple(plain.toDouble("2.5"), plain.toDouble("2,5"), plain.toText(0.5)),
              std::tuple(std::optional(2.5), std::optional<double>(), ".5"));
}

} // namespace
