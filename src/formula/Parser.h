#pragma once

#include "formula/ExpressionTree.h"
#include "formula/Tokenizer.h"

#include <string_view>

namespace formula {

// Why a text was rejected: one of the FORMULA_ERR_ codes and the 1-based column.
struct ParseError {
    int code = 0;
    int column = 0;
};

// Recursive-descent parser from formula text to an expression tree.
class Parser {
public:
    // Parses `text` (which must outlive the parser).
    explicit Parser(std::string_view text);
    // Builds the tree of the whole text; false with `error` set when the text is rejected.
    bool parse(ExpressionTree& tree, ParseError& error);

private:
    int32_t parseSum();
    int32_t parseTerm();
    int32_t parseUnary();
    int32_t parsePower();
    int32_t parsePrimary();
    int32_t checked(int32_t node);
    int32_t fail(int code, int column);
    void advance();

    Tokenizer tokenizer_;
    Token token_;
    ExpressionTree* tree_ = nullptr;
    ParseError error_;
    int nesting_ = 0;
};

} // namespace formula
