#include "formula/Parser.h"

#include "formula/formula.h"

namespace formula {

namespace {

// Marks a failed rule; every caller passes it straight up.
constexpr int32_t kFailed = -1;

// Guards one level of recursion of the parser.
class NestingGuard {
public:
    explicit NestingGuard(int& nesting) : nesting_(nesting) { ++nesting_; }
    ~NestingGuard() { --nesting_; }
    NestingGuard(const NestingGuard&) = delete;
    NestingGuard& operator=(const NestingGuard&) = delete;

private:
    int& nesting_;
};

bool isVariableName(std::string_view name) {
    return name == "x" || name == "X";
}

} // namespace

Parser::Parser(std::string_view text) : tokenizer_(text) {}

void Parser::advance() {
    token_ = tokenizer_.next();
}

int32_t Parser::fail(int code, int column) {
    if (error_.code == FORMULA_OK) {
        error_.code = code;
        error_.column = column;
    }
    return kFailed;
}

int32_t Parser::checked(int32_t node) {
    if (tree_->node(node).depth > ExpressionTree::kMaxDepth || tree_->size() > ExpressionTree::kMaxNodes)
        return fail(FORMULA_ERR_TOO_LONG, token_.column);
    return node;
}

bool Parser::parse(ExpressionTree& tree, ParseError& error) {
    // formula := sum END
    tree = ExpressionTree();
    tree_ = &tree;
    error_ = ParseError();
    advance();
    if (token_.kind == TokenKind::End) {
        error = ParseError{FORMULA_ERR_EMPTY, 1};
        return false;
    }
    const int32_t root = parseSum();
    if (root != kFailed && token_.kind != TokenKind::End) {
        if (token_.kind == TokenKind::RightParen)
            fail(FORMULA_ERR_PARENTHESES, token_.column);
        else
            fail(FORMULA_ERR_SYNTAX, token_.column);
    }
    if (error_.code != FORMULA_OK) {
        error = error_;
        tree = ExpressionTree();
        return false;
    }
    tree.setRoot(root);
    error = ParseError();
    return true;
}

int32_t Parser::parseSum() {
    // sum := term { ("+" | "-") term }
    int32_t left = parseTerm();
    while (left != kFailed && (token_.kind == TokenKind::Plus || token_.kind == TokenKind::Minus)) {
        const NodeKind kind = token_.kind == TokenKind::Plus ? NodeKind::Add : NodeKind::Subtract;
        advance();
        const int32_t right = parseTerm();
        if (right == kFailed)
            return kFailed;
        left = checked(tree_->addBinary(kind, left, right));
    }
    return left;
}

int32_t Parser::parseTerm() {
    // term := unary { ("*" | "/") unary }
    int32_t left = parseUnary();
    while (left != kFailed && (token_.kind == TokenKind::Star || token_.kind == TokenKind::Slash)) {
        const NodeKind kind = token_.kind == TokenKind::Star ? NodeKind::Multiply : NodeKind::Divide;
        advance();
        const int32_t right = parseUnary();
        if (right == kFailed)
            return kFailed;
        left = checked(tree_->addBinary(kind, left, right));
    }
    return left;
}

int32_t Parser::parseUnary() {
    // unary := ("-" | "+") unary | power
    const NestingGuard guard(nesting_);
    if (nesting_ > ExpressionTree::kMaxDepth)
        return fail(FORMULA_ERR_TOO_LONG, token_.column);
    if (token_.kind == TokenKind::Minus) {
        advance();
        const int32_t operand = parseUnary();
        if (operand == kFailed)
            return kFailed;
        return checked(tree_->addNegate(operand));
    }
    if (token_.kind == TokenKind::Plus) {
        advance();
        return parseUnary();
    }
    return parsePower();
}

int32_t Parser::parsePower() {
    // power := primary [ "^" unary ]
    const int32_t base = parsePrimary();
    if (base == kFailed || token_.kind != TokenKind::Caret)
        return base;
    advance();
    const int32_t exponent = parseUnary();
    if (exponent == kFailed)
        return kFailed;
    return checked(tree_->addBinary(NodeKind::Power, base, exponent));
}

int32_t Parser::parsePrimary() {
    // primary := NUMBER | "x" | NAME "(" sum ")" | "(" sum ")"
    const Token token = token_;
    switch (token.kind) {
    case TokenKind::Number:
        advance();
        return checked(tree_->addNumber(token.value));
    case TokenKind::Name: {
        advance();
        if (isVariableName(token.text))
            return checked(tree_->addVariable());
        Function function{};
        if (!findFunction(token.text, function))
            return fail(FORMULA_ERR_UNKNOWN_NAME, token.column);
        if (token_.kind != TokenKind::LeftParen)
            return fail(FORMULA_ERR_PARENTHESES, token_.column);
        advance();
        const int32_t argument = parseSum();
        if (argument == kFailed)
            return kFailed;
        if (token_.kind != TokenKind::RightParen)
            return fail(FORMULA_ERR_PARENTHESES, token_.column);
        advance();
        return checked(tree_->addCall(function, argument));
    }
    case TokenKind::LeftParen: {
        advance();
        const int32_t inner = parseSum();
        if (inner == kFailed)
            return kFailed;
        if (token_.kind != TokenKind::RightParen)
            return fail(FORMULA_ERR_PARENTHESES, token_.column);
        advance();
        return inner;
    }
    default:
        return fail(FORMULA_ERR_SYNTAX, token.column);
    }
}

} // namespace formula
