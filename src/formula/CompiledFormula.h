#pragma once

#include "formula/ExpressionTree.h"
#include "formula/Parser.h"
#include "formula/Program.h"

#include <memory>
#include <string_view>

namespace formula {

// What a FORMULA record points to: the parsed tree, kept for the text form
// and for folding, and the program compiled from it.
class CompiledFormula {
public:
    // Longest text accepted, in characters.
    static constexpr size_t kMaxTextLength = 65536;

    // Parses and compiles `text`; null with `error` set when it is rejected.
    static std::unique_ptr<CompiledFormula> create(std::string_view text, ParseError& error);

    // Replaces the formula by its folded form; false (formula unchanged) if that cannot be compiled.
    bool simplify();
    // Writes the text form into `buffer`: at most `capacity` characters and a NUL; returns the count written.
    size_t view(char* buffer, size_t capacity) const { return tree_.write(buffer, capacity); }

    // The program's first instruction.
    const Instruction* code() const { return program_.code(); }
    // Number of instructions of the program.
    size_t programSize() const { return program_.size(); }
    // True when the formula refers to x.
    bool usesVariable() const { return tree_.usesVariable(); }

private:
    ExpressionTree tree_;
    Program program_;
};

} // namespace formula
