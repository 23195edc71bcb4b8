#pragma once

#include "engine/FormulaLibrary.h"

#include <cstdint>
#include <memory>
#include <string>

// One activation function held as formula text in x, parsed once and evaluated by Calc.
class CFormula {
public:
    // Creates the identity "x"; throws std::invalid_argument when `library` is null.
    explicit CFormula(std::shared_ptr<const FormulaLibrary> library);
    // Releases what the library bound to the record.
    ~CFormula();
    CFormula(const CFormula&) = delete;
    CFormula& operator=(const CFormula&) = delete;

    // The library's text form in a buffer of exactly 1024 characters, NUL-padded.
    std::string View() const;
    // Asks the library to fold constants (argument 10); the result is discarded.
    void Simplify();
    // Value of the formula at x, unchanged from the library.
    double Calc(double x) const { return calc_(&record_, 1, &x); }
    // Parses `s`, replacing the formula held before; returns the library's result.
    int32_t Create(std::string& s);

private:
    FORMULA record_{};
    FormulaLibrary::CalcFn calc_;
    std::shared_ptr<const FormulaLibrary> library_;
};
