#include "engine/CFormula.h"
#include "engine/FormulaLibrary.h"
#include "formula/formula.h"
#include "platform/DynamicLibrary.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <filesystem>
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

bool sameValue(double a, double b) {
    return (std::isnan(a) && std::isnan(b)) || a == b;
}

const double kSamplePoints[] = {-40.0, -7.25, -1.0, -0.3, -1e-9, 0.0, 1e-9, 0.3, 1.0, 2.5, 7.25, 40.0};

// --- The two formulas the program uses ---------------------------------------

// Every constant text the network code can write must read back as its value.
TEST_F(FormulaTest, SigmoidOfEveryConstantTextIsTheBipolarSigmoid) {
    for (const auto& [text, a] : {std::pair{"1", 1.0}, std::pair{"-1", -1.0}, std::pair{".5", 0.5},
                                  std::pair{"-.25", -0.25}, std::pair{"0.75", 0.75}, std::pair{"1E-20", 1e-20},
                                  std::pair{"1.5E-07", 1.5e-7}, std::pair{"123456789012345", 123456789012345.0},
                                  std::pair{"1.79769313486232E+308", DBL_MAX}, // beyond the largest double: the largest
                                  std::pair{"-1.79769313486232E+308", -DBL_MAX}, std::pair{"0", 0.0}}) {
        CFormula f(library);
        create(f, std::string("2*sigmoid(") + text + "*x)-1");
        for (const double x : kSamplePoints)
            EXPECT_NEAR(f.Calc(x), 2.0 / (1.0 + std::exp(-a * x)) - 1.0, 1e-15) << text << " at x = " << x;
    }
}

// A new formula is x; each Create replaces the formula held. The network's formula
// saturates, passes NaN on, and shows as 1024 characters padded with NUL.
TEST_F(FormulaTest, CreateReplacesTheFormulaHeld) {
    CFormula f(library);
    EXPECT_EQ(f.Calc(-2.0), -2.0);
    EXPECT_EQ(shown(f), "x");
    create(f, "2*sigmoid(1*x)-1");
    EXPECT_EQ(f.Calc(1000.0), 1.0);
    EXPECT_EQ(f.Calc(-1000.0), -1.0);
    EXPECT_TRUE(std::isnan(f.Calc(std::nan(""))));
    EXPECT_EQ(f.View(), "2*sigmoid(1*x)-1" + std::string(1024 - 16, '\0'));
    create(f, "x*3");
    EXPECT_EQ(f.Calc(2.0), 6.0);
    EXPECT_EQ(shown(f), "x*3");

    // A rejected text does not bring back the formula held before.
    std::string bad = "x*";
    EXPECT_EQ(f.Create(bad), FORMULA_ERR_SYNTAX);
    EXPECT_TRUE(std::isnan(f.Calc(2.0)));
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

TEST_F(FormulaTest, Evaluates) {
    struct Row {
        const char* text;
        double x, expected;
    };
    for (const Row& row :
         {Row{"1+2*3", 0, 7}, Row{"(1+2)*3", 0, 9}, Row{"10-4-3", 0, 3}, Row{"64/4/2", 0, 8}, Row{"2^3^2", 0, 512},
          Row{"2*3^2", 0, 18}, Row{"-2^2", 0, -4}, Row{"2^-1", 0, 0.5}, Row{"-x", 3, -3}, Row{"--x", 3, 3},
          Row{"+x", 3, 3}, Row{"x--2", 3, 5}, Row{".5", 0, 0.5}, Row{"5.", 0, 5}, Row{"1E-20", 0, 1e-20},
          Row{"1.5E-07", 0, 1.5e-7}, Row{"2.5e+3", 0, 2500}, Row{"1e3", 0, 1000}, Row{"007", 0, 7},
          Row{"1E400", 0, DBL_MAX}, Row{"-1E400", 0, -DBL_MAX}, Row{"1E-400", 0, 0}, Row{"1000E306", 0, DBL_MAX},
          Row{"0.0001E312", 0, 1e308}, Row{"0.00001E-320", 0, 0}, Row{"4.9E-324", 0, 4.9e-324},
          Row{"1E-400*x+1E400*x", -1, -DBL_MAX}, Row{"123456789012345", 0, 123456789012345.0},
          // blanks
          Row{"  2 *\tx - 1 ", 4, 7}, Row{"sigmoid ( x )", 0, 0.5},
          // functions, names in any case
          Row{"sigmoid(0)", 0, 0.5}, Row{"exp(1)", 0, std::numbers::e}, Row{"ln(exp(2))", 0, 2}, Row{"sqrt(16)", 0, 4},
          Row{"abs(-3)", 0, 3}, Row{"sin(x)", std::numbers::pi / 2, 1}, Row{"cos(0)", 0, 1},
          Row{"tanh(x)", 0.5, 0.46211715726000974}, Row{"lg(1000)", 0, 3}, Row{"atan(1)*4", 0, std::numbers::pi},
          Row{"sign(x)", -7, -1}, Row{"SQRT(X)", 9, 3}, Row{"sigmoid(sigmoid(0)*2*x)", 0, 0.5},
          Row{"sigmoid(x*4)*x", 0.5, 0.5 / (1 + std::exp(-2.0))}, Row{"sigmoid(x+4)", 1, 1 / (1 + std::exp(-5.0))}}) {
        CFormula f(library);
        create(f, row.text);
        EXPECT_NEAR(f.Calc(row.x), row.expected, 1e-15 * std::max(1.0, std::fabs(row.expected)))
            << row.text << " at x = " << row.x;
    }
}

// --- Rejected texts --------------------------------------------------------------

TEST_F(FormulaTest, RejectedTextsReportCodeAndColumn) {
    // The codes are the interface's numbers: programs built against it compare them.
    EXPECT_EQ((std::vector<int>{FORMULA_OK, FORMULA_ERR_SYNTAX, FORMULA_ERR_UNKNOWN_NAME, FORMULA_ERR_PARENTHESES,
                                FORMULA_ERR_EMPTY, FORMULA_ERR_TOO_LONG, FORMULA_ERR_NO_MEMORY, FORMULA_ERR_ARGUMENT}),
              (std::vector{0, 1, 2, 3, 4, 5, 6, 7}));
    struct Row {
        const char* text;
        int code, column;
    };
    for (const Row& row :
         {Row{"", FORMULA_ERR_EMPTY, 1}, Row{"   ", FORMULA_ERR_EMPTY, 1}, Row{"2+", FORMULA_ERR_SYNTAX, 3},
          Row{"2+*3", FORMULA_ERR_SYNTAX, 3}, Row{"2 3", FORMULA_ERR_SYNTAX, 3}, Row{"2x", FORMULA_ERR_SYNTAX, 2},
          Row{".", FORMULA_ERR_SYNTAX, 1}, Row{"1..2", FORMULA_ERR_SYNTAX, 3}, Row{"1e", FORMULA_ERR_SYNTAX, 2},
          Row{"1,5", FORMULA_ERR_SYNTAX, 2}, Row{"()", FORMULA_ERR_SYNTAX, 2}, Row{"x(2)", FORMULA_ERR_SYNTAX, 2},
          Row{"y", FORMULA_ERR_UNKNOWN_NAME, 1}, Row{"2*foo(x)", FORMULA_ERR_UNKNOWN_NAME, 3},
          Row{"(x", FORMULA_ERR_PARENTHESES, 3}, Row{"x)", FORMULA_ERR_PARENTHESES, 2},
          Row{"sin x", FORMULA_ERR_PARENTHESES, 5}, Row{"2*sigmoid(1*x-1", FORMULA_ERR_PARENTHESES, 16}}) {
        FORMULA record{};
        std::string text = row.text;
        int column = -1, code = -1, length = -1;
        EXPECT_EQ(library->create(&record, text.data(), false, &column, &code, &length), row.code) << row.text;
        EXPECT_EQ(std::tuple(code, column, length), std::tuple(row.code, row.column, int(text.size()))) << row.text;
        library->release(&record);
    }
}

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

TEST_F(FormulaTest, SimplifyFoldsConstantsKeepingValues) {
    for (const auto& [text, folded] :
         {std::pair{"2*3+x", "6+x"}, std::pair{"(1+2)*(3+4)", "21"}, std::pair{"2*sigmoid(1*x)-1", "2*sigmoid(x)-1"},
          std::pair{"x*(2-1)", "x"}, std::pair{"x-(3-3)", "x"}, std::pair{"x^(4/4)", "x"}, std::pair{"--x", "x"},
          std::pair{"-(2)*x", "-2*x"}, std::pair{"x^-(1+1)", "x^-2"}, std::pair{"(0-2)^2+x", "4+x"},
          std::pair{"sqrt(4)*x", "2*x"}, std::pair{"x*2*3", "x*2*3"}, std::pair{"1/0+x", "1/0+x"},
          std::pair{"ln(0-1)*x", "ln(-1)*x"}, std::pair{"x+0", "x+0"}, std::pair{"1.5E-07*x", "1.5e-07*x"}}) {
        CFormula before(library);
        CFormula after(library);
        create(before, text);
        create(after, text);
        after.Simplify();
        EXPECT_EQ(shown(after), folded);
        for (const double x : kSamplePoints)
            EXPECT_TRUE(sameValue(after.Calc(x), before.Calc(x))) << text << " at x = " << x;
    }
}

// The text form reads back as a formula with exactly the same values.
TEST_F(FormulaTest, ViewReadsBackToSameValues) {
    for (const char* text :
         {"2*sigmoid(-.25*x)-1", "2*sigmoid(1.79769313486232E+308*x)-1", "(-2)^2*x", "-x^2", "2^3^x", "(2^3)^x",
          "x-(x-1)", "x/(x*2)", "x*-(x+1)", "-(-x)", "sin(cos(x))^2", "1E-20/x", "0.1+x*0.7"}) {
        CFormula original(library);
        CFormula copy(library);
        create(original, text);
        create(copy, shown(original));
        for (const double x : kSamplePoints)
            EXPECT_TRUE(sameValue(copy.Calc(x), original.Calc(x))) << text << " -> " << shown(original);
    }
}

TEST_F(FormulaTest, LongViewIsCutAtTheLimit) {
    std::string text = "x";
    for (int i = 0; i < 100; ++i)
        text += "+1.2345678901234567*x";
    FORMULA record{};
    ASSERT_EQ(library->create(&record, text.data(), false, nullptr, nullptr, nullptr), FORMULA_OK);
    std::vector<char> buffer(FORMULA_VIEW_CAPACITY + 1 + 64, '#');
    EXPECT_EQ(library->view(&record, buffer.data()), FORMULA_VIEW_CAPACITY);
    EXPECT_EQ(std::strlen(buffer.data()), static_cast<size_t>(FORMULA_VIEW_CAPACITY));
    EXPECT_EQ(std::string(buffer.data(), 22), "x+1.2345678901234567*x");
    EXPECT_EQ(std::string(buffer.end() - 64, buffer.end()), std::string(64, '#')) << "written beyond the terminator";
    library->release(&record);
}

// --- The record ------------------------------------------------------------------

TEST_F(FormulaTest, RecordHandlingIsSafe) {
    FORMULA record{};
    EXPECT_NE(library->simplify(&record, 10), 0); // an empty record
    EXPECT_TRUE(std::isnan(library->calc(&record, 0, nullptr)));
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
