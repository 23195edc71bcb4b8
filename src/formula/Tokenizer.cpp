#include "formula/Tokenizer.h"

#include <cfloat>
#include <charconv>
#include <system_error>

namespace formula {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Decimal magnitude of a literal beyond a double's range: positive when it is
// too large, negative when too small. Only the sign matters.
long long roughMagnitude(std::string_view literal) {
    long long magnitude = 0;
    bool seenPoint = false;
    bool seenNonZero = false;
    size_t i = 0;
    for (; i < literal.size() && literal[i] != 'e' && literal[i] != 'E'; ++i) {
        const char c = literal[i];
        if (c == '.') {
            seenPoint = true;
        } else if (!seenNonZero && c == '0') {
            if (seenPoint)
                --magnitude;
        } else {
            seenNonZero = true;
            if (!seenPoint && magnitude < 1'000'000)
                ++magnitude;
        }
    }
    if (i < literal.size()) {
        ++i;
        bool negative = false;
        if (i < literal.size() && (literal[i] == '+' || literal[i] == '-'))
            negative = literal[i++] == '-';
        long long exponent = 0;
        for (; i < literal.size(); ++i) {
            if (exponent < 1'000'000'000)
                exponent = exponent * 10 + (literal[i] - '0');
        }
        magnitude += negative ? -exponent : exponent;
    }
    return magnitude;
}

} // namespace

Tokenizer::Tokenizer(std::string_view text) : text_(text) {}

double Tokenizer::numberValue(std::string_view literal) {
    double value = 0.0;
    const auto [ptr, ec] =
        std::from_chars(literal.data(), literal.data() + literal.size(), value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range)
        return roughMagnitude(literal) > 0 ? DBL_MAX : 0.0;
    if (ec != std::errc() || ptr != literal.data() + literal.size())
        return 0.0;
    return value;
}

size_t Tokenizer::scanNumber(size_t start) const {
    size_t i = start;
    size_t digits = 0;
    while (i < text_.size() && isDigit(text_[i])) {
        ++i;
        ++digits;
    }
    if (i < text_.size() && text_[i] == '.') {
        ++i;
        while (i < text_.size() && isDigit(text_[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return start;
    // An exponent only counts when digits follow; otherwise the "e" starts the next token.
    if (i < text_.size() && (text_[i] == 'e' || text_[i] == 'E')) {
        size_t j = i + 1;
        if (j < text_.size() && (text_[j] == '+' || text_[j] == '-'))
            ++j;
        if (j < text_.size() && isDigit(text_[j])) {
            while (j < text_.size() && isDigit(text_[j]))
                ++j;
            i = j;
        }
    }
    return i;
}

Token Tokenizer::next() {
    while (pos_ < text_.size() && isBlank(text_[pos_]))
        ++pos_;
    Token token;
    token.column = static_cast<int>(pos_) + 1;
    if (pos_ >= text_.size()) {
        token.kind = TokenKind::End;
        return token;
    }
    const size_t start = pos_;
    const char c = text_[pos_];
    if (isDigit(c) || c == '.') {
        const size_t end = scanNumber(start);
        if (end == start) {
            token.kind = TokenKind::Invalid;
            token.text = text_.substr(start, 1);
            ++pos_;
            return token;
        }
        token.kind = TokenKind::Number;
        token.text = text_.substr(start, end - start);
        token.value = numberValue(token.text);
        pos_ = end;
        return token;
    }
    if (isLetter(c)) {
        size_t end = start + 1;
        while (end < text_.size() && (isLetter(text_[end]) || isDigit(text_[end])))
            ++end;
        token.kind = TokenKind::Name;
        token.text = text_.substr(start, end - start);
        pos_ = end;
        return token;
    }
    switch (c) {
    case '+':
        token.kind = TokenKind::Plus;
        break;
    case '-':
        token.kind = TokenKind::Minus;
        break;
    case '*':
        token.kind = TokenKind::Star;
        break;
    case '/':
        token.kind = TokenKind::Slash;
        break;
    case '^':
        token.kind = TokenKind::Caret;
        break;
    case '(':
        token.kind = TokenKind::LeftParen;
        break;
    case ')':
        token.kind = TokenKind::RightParen;
        break;
    default:
        token.kind = TokenKind::Invalid;
        break;
    }
    token.text = text_.substr(start, 1);
    ++pos_;
    return token;
}

} // namespace formula
