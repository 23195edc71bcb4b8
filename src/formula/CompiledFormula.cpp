#include "formula/CompiledFormula.h"

#include "formula/formula.h"

namespace formula {

std::unique_ptr<CompiledFormula> CompiledFormula::create(std::string_view text, ParseError& error) {
    if (text.size() > kMaxTextLength) {
        error = ParseError{FORMULA_ERR_TOO_LONG, static_cast<int>(kMaxTextLength) + 1};
        return nullptr;
    }
    auto compiled = std::make_unique<CompiledFormula>();
    Parser parser(text);
    if (!parser.parse(compiled->tree_, error))
        return nullptr;
    if (!compiled->program_.compile(compiled->tree_)) {
        error = ParseError{FORMULA_ERR_TOO_LONG, 1};
        return nullptr;
    }
    return compiled;
}

bool CompiledFormula::simplify() {
    ExpressionTree folded = tree_.simplified();
    Program program;
    if (!program.compile(folded))
        return false;
    tree_ = std::move(folded);
    program_ = std::move(program);
    return true;
}

} // namespace formula
