#pragma once

#include <cstddef>
#include <string_view>

namespace formula {

// The kinds of token of a formula text.
enum class TokenKind {
    End,
    Number,
    Name,
    Plus,
    Minus,
    Star,
    Slash,
    Caret,
    LeftParen,
    RightParen,
    Invalid,
};

// One token: its kind, its 1-based column, its text and, for a number, its value.
struct Token {
    TokenKind kind = TokenKind::End;
    int column = 1;
    std::string_view text;
    double value = 0.0;
};

// Splits a formula text into tokens; blanks between tokens are skipped.
class Tokenizer {
public:
    // Reads `text`, which must outlive the tokenizer.
    explicit Tokenizer(std::string_view text);
    // The next token; End (at the column behind the text) once the text is used up.
    Token next();

    // Value of a number literal (digits with an optional point and exponent,
    // "." alone excluded); beyond a double's range it saturates to DBL_MAX, below it gives 0.
    static double numberValue(std::string_view literal);

private:
    size_t scanNumber(size_t start) const;

    std::string_view text_;
    size_t pos_ = 0;
};

} // namespace formula
