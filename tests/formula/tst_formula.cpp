#include "engine/CFormula.h"
#include "engine/FormulaLibrary.h"
#include "formula/formula.h"
#include "platform/DynamicLibrary.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

namespace {

class FormulaTest : public ::testing::Test {
protected:
    // The formula held by `f` after Create, checked to be accepted.
    void create(CFormula& f, const std::string& text) {
        std::string s = text;
        ASSERT_EQ(f.Create(s), FORMULA_OK) << text;
        EXPECT_EQ(s, text) << "the library must leave the text alone";
    }

    // The text form written by the library, cut at its terminator.
    static std::string shown(const CFormula& f) {
        const std::string view = f.View();
        return view.substr(0, view.find('\0'));
    }

    std::shared_ptr<const FormulaLibrary> library = FormulaLibrary::loadFrom(platform::executableFolder()).value();
};

double bipolarSigmoid(double a, double x) {
    return 2.0 / (1.0 + std::exp(-a * x)) - 1.0;
}

bool sameValue(double a, double b) {
    return (std::isnan(a) && std::isnan(b)) || a == b;
}

const double kSamplePoints[] = {-40.0, -7.25, -1.0, -0.3, -1e-9, 0.0, 1e-9, 0.3, 1.0, 2.5, 7.25, 40.0};

// --- The two formulas the program uses ---------------------------------------

struct AlphaCase {
    const char* text;
    double value;
};

class SigmoidAlphaTest : public FormulaTest, public ::testing::WithParamInterface<AlphaCase> {};

// Every constant text the network code can write must read back as its value.
TEST_P(SigmoidAlphaTest, MatchesBipolarSigmoid) {
    const AlphaCase& c = GetParam();
    CFormula f(library);
    create(f, std::string("2*sigmoid(") + c.text + "*x)-1");
    for (const double x : kSamplePoints)
        EXPECT_NEAR(f.Calc(x), bipolarSigmoid(c.value, x), 1e-15) << "x = " << x;
}

INSTANTIATE_TEST_SUITE_P(NumberTexts, SigmoidAlphaTest,
                         ::testing::Values(AlphaCase{"1", 1.0}, AlphaCase{"-1", -1.0}, AlphaCase{".5", 0.5},
                                           AlphaCase{"-.25", -0.25}, AlphaCase{"0.75", 0.75}, AlphaCase{"1E-20", 1e-20},
                                           AlphaCase{"1.5E-07", 1.5e-7},
                                           AlphaCase{"123456789012345", 123456789012345.0},
                                           AlphaCase{"1.79769313486232E+308", DBL_MAX},
                                           AlphaCase{"-1.79769313486232E+308", -DBL_MAX}, AlphaCase{"0", 0.0}));

TEST_F(FormulaTest, SigmoidOfOneSaturates) {
    CFormula f(library);
    create(f, "2*sigmoid(1*x)-1");
    EXPECT_EQ(f.Calc(1000.0), 1.0);
    EXPECT_EQ(f.Calc(-1000.0), -1.0);
    EXPECT_TRUE(std::isnan(f.Calc(std::nan(""))));
}

// A new formula is x; each Create replaces the formula held.
TEST_F(FormulaTest, CreateReplacesTheFormulaHeld) {
    CFormula f(library);
    EXPECT_EQ(f.Calc(-2.0), -2.0);
    EXPECT_EQ(shown(f), "x");
    create(f, "2*sigmoid(1*x)-1");
    create(f, "x*3");
    EXPECT_EQ(f.Calc(2.0), 6.0);
    EXPECT_EQ(shown(f), "x*3");

    // A rejected text does not bring back the formula held before.
    std::string bad = "x*";
    EXPECT_EQ(f.Create(bad), FORMULA_ERR_SYNTAX);
    EXPECT_TRUE(std::isnan(f.Calc(2.0)));
}

TEST_F(FormulaTest, ViewIsExactly1024CharactersNulPadded) {
    CFormula f(library);
    create(f, "2*sigmoid(1*x)-1");
    const std::string view = f.View();
    ASSERT_EQ(view.size(), 1024u);
    EXPECT_EQ(view.rfind("2*sigmoid(1*x)-1", 0), 0u);
    EXPECT_EQ(view.find_first_not_of('\0', 16), std::string::npos);
}

// --- Loading the library -------------------------------------------------------

TEST(FormulaLibraryTest, MissingOrIncompleteLibraryIsRefusedWithItsReason) {
    EXPECT_THROW(CFormula(nullptr), std::invalid_argument);
    const std::filesystem::path folder = std::filesystem::path(FORMULA_PARTIAL_LIBRARY).parent_path();
    ASSERT_FALSE(std::filesystem::exists(folder / platform::DynamicLibrary::fileName("formula")));
    const FormulaLibrary::Loading missing = FormulaLibrary::loadFrom(folder);
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().error, FormulaLibraryError::NotLoadable);
    EXPECT_NE(missing.error().paths.at(0).find("formula"), std::string::npos);
    const FormulaLibrary::Loading partial = FormulaLibrary::loadFile(FORMULA_PARTIAL_LIBRARY);
    ASSERT_FALSE(partial);
    EXPECT_EQ(partial.error().error, FormulaLibraryError::LacksOperation);
    EXPECT_EQ(partial.error().reason, "ViewFormula");
}

// --- Values --------------------------------------------------------------------

struct ValueCase {
    const char* text;
    double x;
    double expected;
};

class FormulaValueTest : public FormulaTest, public ::testing::WithParamInterface<ValueCase> {};

TEST_P(FormulaValueTest, Evaluates) {
    const ValueCase& c = GetParam();
    CFormula f(library);
    create(f, c.text);
    EXPECT_NEAR(f.Calc(c.x), c.expected, 1e-15 * std::max(1.0, std::fabs(c.expected))) << c.text << " at x = " << c.x;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FormulaValueTest,
    ::testing::Values(
        ValueCase{"1+2*3", 0, 7}, ValueCase{"(1+2)*3", 0, 9}, ValueCase{"10-4-3", 0, 3}, ValueCase{"64/4/2", 0, 8},
        ValueCase{"2^3^2", 0, 512}, ValueCase{"2*3^2", 0, 18}, ValueCase{"-2^2", 0, -4}, ValueCase{"2^-1", 0, 0.5},
        ValueCase{"-x", 3, -3}, ValueCase{"--x", 3, 3}, ValueCase{"+x", 3, 3}, ValueCase{"x--2", 3, 5},
        ValueCase{".5", 0, 0.5}, ValueCase{"5.", 0, 5}, ValueCase{"1E-20", 0, 1e-20}, ValueCase{"1.5E-07", 0, 1.5e-7},
        ValueCase{"2.5e+3", 0, 2500}, ValueCase{"1e3", 0, 1000}, ValueCase{"007", 0, 7}, ValueCase{"1E400", 0, DBL_MAX},
        ValueCase{"-1E400", 0, -DBL_MAX}, ValueCase{"1E-400", 0, 0}, ValueCase{"1000E306", 0, DBL_MAX},
        ValueCase{"0.0001E312", 0, 1e308}, ValueCase{"0.00001E-320", 0, 0}, ValueCase{"4.9E-324", 0, 4.9e-324},
        ValueCase{"1E-400*x+1E400*x", -1, -DBL_MAX}, ValueCase{"123456789012345", 0, 123456789012345.0},
        // blanks
        ValueCase{"  2 *\tx - 1 ", 4, 7}, ValueCase{"sigmoid ( x )", 0, 0.5},
        // functions, names in any case
        ValueCase{"sigmoid(0)", 0, 0.5}, ValueCase{"exp(1)", 0, std::numbers::e}, ValueCase{"ln(exp(2))", 0, 2},
        ValueCase{"sqrt(16)", 0, 4}, ValueCase{"abs(-3)", 0, 3}, ValueCase{"sin(x)", std::numbers::pi / 2, 1},
        ValueCase{"cos(0)", 0, 1}, ValueCase{"tanh(x)", 0.5, 0.46211715726000974}, ValueCase{"lg(1000)", 0, 3},
        ValueCase{"atan(1)*4", 0, std::numbers::pi}, ValueCase{"sign(x)", -7, -1}, ValueCase{"SQRT(X)", 9, 3},
        ValueCase{"sigmoid(sigmoid(0)*2*x)", 0, 0.5}, ValueCase{"sigmoid(x*4)*x", 0.5, 0.5 / (1 + std::exp(-2.0))},
        ValueCase{"sigmoid(x+4)", 1, 1 / (1 + std::exp(-5.0))}));

// --- Rejected texts --------------------------------------------------------------

struct RejectCase {
    const char* text;
    int code;
    int column;
};

class FormulaRejectTest : public FormulaTest, public ::testing::WithParamInterface<RejectCase> {};

TEST_P(FormulaRejectTest, ReportsCodeAndColumn) {
    const RejectCase& c = GetParam();
    FORMULA record{};
    std::string text = c.text;
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    int column = -1;
    int code = -1;
    int length = -1;
    EXPECT_EQ(library->create(&record, buffer.data(), false, &column, &code, &length), c.code);
    EXPECT_EQ(code, c.code);
    EXPECT_EQ(column, c.column);
    EXPECT_EQ(length, static_cast<int>(text.size()));
    library->release(&record);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FormulaRejectTest,
    ::testing::Values(RejectCase{"", FORMULA_ERR_EMPTY, 1}, RejectCase{"   ", FORMULA_ERR_EMPTY, 1},
                      RejectCase{"2+", FORMULA_ERR_SYNTAX, 3}, RejectCase{"2+*3", FORMULA_ERR_SYNTAX, 3},
                      RejectCase{"2 3", FORMULA_ERR_SYNTAX, 3}, RejectCase{"2x", FORMULA_ERR_SYNTAX, 2},
                      RejectCase{".", FORMULA_ERR_SYNTAX, 1}, RejectCase{"1..2", FORMULA_ERR_SYNTAX, 3},
                      RejectCase{"1e", FORMULA_ERR_SYNTAX, 2}, RejectCase{"1,5", FORMULA_ERR_SYNTAX, 2},
                      RejectCase{"()", FORMULA_ERR_SYNTAX, 2}, RejectCase{"x(2)", FORMULA_ERR_SYNTAX, 2},
                      RejectCase{"y", FORMULA_ERR_UNKNOWN_NAME, 1}, RejectCase{"2*foo(x)", FORMULA_ERR_UNKNOWN_NAME, 3},
                      RejectCase{"(x", FORMULA_ERR_PARENTHESES, 3}, RejectCase{"x)", FORMULA_ERR_PARENTHESES, 2},
                      RejectCase{"sin x", FORMULA_ERR_PARENTHESES, 5},
                      RejectCase{"2*sigmoid(1*x-1", FORMULA_ERR_PARENTHESES, 16}));

TEST_F(FormulaTest, LimitsAreRejectedAsTooLong) {
    const auto repeat = [](const std::string& part, int times) {
        std::string text;
        for (int i = 0; i < times; ++i)
            text += part;
        return text;
    };
    CFormula f(library);
    for (std::string text : {std::string(300, '(') + "x" + std::string(300, ')'), "x" + repeat("+x", 300),
                             std::string(70000, ' ') + "x", "x" + repeat("^x", 300), std::string(1000, '-') + "x"})
        EXPECT_EQ(f.Create(text), FORMULA_ERR_TOO_LONG) << text.substr(0, 20);
    create(f, std::string(200, '(') + "x" + std::string(200, ')'));
    EXPECT_EQ(f.Calc(1.25), 1.25);
    create(f, "x" + repeat("+x", 255)); // as deep as a formula may be
    EXPECT_EQ(f.Calc(0.5), 128.0);
    // 4096 x, 4095 sums and one minus: as many nodes as a formula may have, in shallow groups of 64.
    const std::string group = "(x" + repeat("+x", 63) + ")";
    create(f, "-" + group + repeat("+" + group, 63));
    EXPECT_EQ(f.Calc(1.0), 3968.0);
    std::string over = "-" + group + repeat("+" + group, 63) + "+x";
    EXPECT_EQ(f.Create(over), FORMULA_ERR_TOO_LONG);
}

// --- Simplify and View -----------------------------------------------------------

struct SimplifyCase {
    const char* text;
    const char* folded;
};

class FormulaSimplifyTest : public FormulaTest, public ::testing::WithParamInterface<SimplifyCase> {};

TEST_P(FormulaSimplifyTest, FoldsConstantsKeepingValues) {
    const SimplifyCase& c = GetParam();
    CFormula before(library);
    CFormula after(library);
    create(before, c.text);
    create(after, c.text);
    after.Simplify();
    EXPECT_EQ(shown(after), c.folded);
    for (const double x : kSamplePoints)
        EXPECT_TRUE(sameValue(after.Calc(x), before.Calc(x))) << c.text << " at x = " << x;
}

INSTANTIATE_TEST_SUITE_P(Texts, FormulaSimplifyTest,
                         ::testing::Values(SimplifyCase{"2*3+x", "6+x"}, SimplifyCase{"(1+2)*(3+4)", "21"},
                                           SimplifyCase{"2*sigmoid(1*x)-1", "2*sigmoid(x)-1"},
                                           SimplifyCase{"x*(2-1)", "x"}, SimplifyCase{"x-(3-3)", "x"},
                                           SimplifyCase{"x^(4/4)", "x"}, SimplifyCase{"--x", "x"},
                                           SimplifyCase{"-(2)*x", "-2*x"}, SimplifyCase{"x^-(1+1)", "x^-2"},
                                           SimplifyCase{"(0-2)^2+x", "4+x"}, SimplifyCase{"sqrt(4)*x", "2*x"},
                                           SimplifyCase{"x*2*3", "x*2*3"}, SimplifyCase{"1/0+x", "1/0+x"},
                                           SimplifyCase{"ln(0-1)*x", "ln(-1)*x"}, SimplifyCase{"x+0", "x+0"},
                                           SimplifyCase{"1.5E-07*x", "1.5e-07*x"}));

TEST_F(FormulaTest, SimplifyOnEmptyRecordFails) {
    FORMULA record{};
    EXPECT_NE(library->simplify(&record, 10), 0);
    EXPECT_TRUE(std::isnan(library->calc(&record, 0, nullptr)));
}

class FormulaViewRoundTripTest : public FormulaTest, public ::testing::WithParamInterface<const char*> {};

// The text form reads back as a formula with exactly the same values.
TEST_P(FormulaViewRoundTripTest, ReadsBackToSameValues) {
    CFormula original(library);
    CFormula copy(library);
    create(original, GetParam());
    create(copy, shown(original));
    for (const double x : kSamplePoints)
        EXPECT_TRUE(sameValue(copy.Calc(x), original.Calc(x))) << GetParam() << " -> " << shown(original);
}

INSTANTIATE_TEST_SUITE_P(Texts, FormulaViewRoundTripTest,
                         ::testing::Values("2*sigmoid(-.25*x)-1", "2*sigmoid(1.79769313486232E+308*x)-1", "(-2)^2*x",
                                           "-x^2", "2^3^x", "(2^3)^x", "x-(x-1)", "x/(x*2)", "x*-(x+1)", "-(-x)",
                                           "sin(cos(x))^2", "1E-20/x", "0.1+x*0.7"));

TEST_F(FormulaTest, LongViewIsCutAtTheLimit) {
    std::string text = "x";
    for (int i = 0; i < 100; ++i)
        text += "+1.2345678901234567*x";
    FORMULA record{};
    std::vector<char> source(text.begin(), text.end());
    source.push_back('\0');
    ASSERT_EQ(library->create(&record, source.data(), false, nullptr, nullptr, nullptr), FORMULA_OK);

    std::vector<char> buffer(FORMULA_VIEW_CAPACITY + 1 + 64, '#');
    EXPECT_EQ(library->view(&record, buffer.data()), FORMULA_VIEW_CAPACITY);
    EXPECT_EQ(buffer[FORMULA_VIEW_CAPACITY], '\0');
    EXPECT_EQ(std::strlen(buffer.data()), static_cast<size_t>(FORMULA_VIEW_CAPACITY));
    for (size_t i = FORMULA_VIEW_CAPACITY + 1; i < buffer.size(); ++i)
        ASSERT_EQ(buffer[i], '#') << "written beyond the terminator at " << i;
    EXPECT_EQ(std::string(buffer.data(), 22), "x+1.2345678901234567*x");
    library->release(&record);
}

// --- The record ------------------------------------------------------------------

TEST_F(FormulaTest, RecordHandlingIsSafe) {
    FORMULA record{};
    char text[] = "x+1";
    const double two = 2.0;
    EXPECT_EQ(library->create(nullptr, text, false, nullptr, nullptr, nullptr), FORMULA_ERR_ARGUMENT);
    EXPECT_EQ(library->create(&record, nullptr, false, nullptr, nullptr, nullptr), FORMULA_ERR_ARGUMENT);
    EXPECT_TRUE(std::isnan(library->calc(&record, 1, &two)));
    EXPECT_TRUE(std::isnan(library->calc(nullptr, 1, &two)));

    ASSERT_EQ(library->create(&record, text, false, nullptr, nullptr, nullptr), FORMULA_OK);
    EXPECT_STREQ(text, "x+1");
    EXPECT_EQ(library->calc(&record, 1, &two), 3.0);
    EXPECT_TRUE(std::isnan(library->calc(&record, 0, &two)));
    EXPECT_TRUE(std::isnan(library->calc(&record, 1, nullptr)));

    library->release(&record);
    const FORMULA zero{};
    EXPECT_EQ(std::memcmp(&record, &zero, sizeof record), 0);
    library->release(&record);
    char view[FORMULA_VIEW_CAPACITY + 1] = "junk";
    EXPECT_EQ(library->view(&record, view), 0);
    EXPECT_EQ(view[0], '\0');

    // A formula without x needs no value.
    char constant[] = "2*sigmoid(0)";
    ASSERT_EQ(library->create(&record, constant, false, nullptr, nullptr, nullptr), FORMULA_OK);
    EXPECT_EQ(library->calc(&record, 0, nullptr), 1.0);
    library->release(&record);
}

} // namespace
