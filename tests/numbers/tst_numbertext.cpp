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
    const std::pair<double, const char*> cases[] = {
        {1e15, "1E+15"}, {DBL_MAX, "1.79769313486232E+308"},     {1.5e-7, "1.5E-07"}, {0.0001, ".0001"},
        {-0.25, "-.25"}, {999999999999999.0, "999999999999999"}, {0.00009, "9E-05"},  {5e-324, "4.94065645841247E-324"},
        {100.0, "100"},  {-2.0 / 3.0, "-.666666666666667"},      {0.1 + 0.2, ".3"},   {9999999999999999.0, "1E+16"},
        {-0.0, "0"}};
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
    const std::pair<std::string, double> cases[] = {{"1E", 1.0},          {"1.5.5", 1.5},
                                                    {"&O19", 1.0},        {"1E3", 1000.0},
                                                    {"0E999999", 0.0},    {"1E-400", 0.0},
                                                    {"1E400", DBL_MAX},   {"+7", 7.0},
                                                    {"12abc", 12.0},      {std::string(400, '9'), DBL_MAX},
                                                    {"&HZ", 0.0},         {"1E99999999999999999999", DBL_MAX},
                                                    {"2D2", 200.0},       {" \t\n 3\t4 .5", 34.5},
                                                    {"&h1f", 31.0},       {"000000000000000000000000000012", 12.0},
                                                    {".", 0.0},           {"&O17", 15.0},
                                                    {"-1E400", -DBL_MAX}, {"", 0.0},
                                                    {"-.4", -0.4},        {"." + std::string(400, '0') + "1", 0.0},
                                                    {"5.", 5.0},          {"1.79769313486232E+308", DBL_MAX},
                                                    {"&H1F", 31.0}};
    for (const auto& [text, value] : cases)
        EXPECT_EQ(LeadingNumber(text), value) << '"' << text << '"';
}

TEST(RoundToInt, HalvesToEvenAndSaturates) {
    constexpr int32_t Max32 = INT32_MAX, Min32 = INT32_MIN;
    constexpr int64_t Max64 = INT64_MAX, Min64 = INT64_MIN;
    const std::tuple<double, int32_t, int64_t> cases[] = {
        {-2147483648.5, Min32, -2147483648LL}, {-2.5, -2, -2}, {-1.6, -2, -2},
        {0.49999999999999994, 0, 0},           {NaN, 0, 0},    {-Inf, Min32, Min64},
        {2147483647.5, Max32, 2147483648LL},   {3.5, 4, 4},    {Inf, Max32, Max64},
        {9223372036854775808.0, Max32, Max64}, {2.5, 2, 2},    {-1e300, Min32, Min64}};
    for (const auto& [value, to32, to64] : cases) {
        EXPECT_EQ(RoundToInt32(value), to32) << value;
        EXPECT_EQ(RoundToInt64(value), to64) << value;
    }
}

TEST(ParseStrictNumber, AcceptsOnlyWholeNumbers) {
    const std::pair<const char*, std::optional<double>> cases[] = {
        {" .5\r", 0.5},          {" 8", 8.0},
        {"1E400", std::nullopt}, {"1,5", std::nullopt},
        {"1.5e+07", 1.5e7},      {"1 2", std::nullopt},
        {"   ", std::nullopt},   {"1.79769313486232E+308", DBL_MAX},
        {"1E-400", 0.0},         {"1.79769313486233E+308", std::nullopt},
        {".", std::nullopt},     {"+3", 3.0},
        {"inf", std::nullopt},   {"&H10", std::nullopt},
        {"-.25", -0.25},         {"5.", 5.0},
        {"--1", std::nullopt},   {"1E", std::nullopt}};
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
