#pragma once

#include <cmath>
#include <cstdint>
#include <string_view>

// The functions a formula may call and the arithmetic shared by constant
// folding and the evaluator, so that a folded constant has exactly the
// value the evaluator would have computed.
namespace formula {

// The callable functions, in the order of their names in functionName().
enum class Function : uint8_t {
    Sigmoid,
    Exp,
    Ln,
    Lg,
    Sqrt,
    Abs,
    Sin,
    Cos,
    Tan,
    Atan,
    Tanh,
    Sinh,
    Cosh,
    Sign,
};

// Number of entries of Function.
inline constexpr int kFunctionCount = 14;

// The name of a function as written in a formula (lower case).
std::string_view functionName(Function function);

// The function of that name, compared without regard to case; false if none.
bool findFunction(std::string_view name, Function& function);

// The logistic function 1/(1+e^-t).
inline double sigmoid(double t) {
    return 1.0 / (1.0 + std::exp(-t));
}

// Sign of t: -1, 0 or 1; NaN stays NaN.
inline double sign(double t) {
    return t > 0.0 ? 1.0 : (t < 0.0 ? -1.0 : t);
}

// Value of `function` at t.
inline double applyFunction(Function function, double t) {
    switch (function) {
    case Function::Sigmoid:
        return sigmoid(t);
    case Function::Exp:
        return std::exp(t);
    case Function::Ln:
        return std::log(t);
    case Function::Lg:
        return std::log10(t);
    case Function::Sqrt:
        return std::sqrt(t);
    case Function::Abs:
        return std::fabs(t);
    case Function::Sin:
        return std::sin(t);
    case Function::Cos:
        return std::cos(t);
    case Function::Tan:
        return std::tan(t);
    case Function::Atan:
        return std::atan(t);
    case Function::Tanh:
        return std::tanh(t);
    case Function::Sinh:
        return std::sinh(t);
    case Function::Cosh:
        return std::cosh(t);
    case Function::Sign:
        return sign(t);
    }
    return std::nan("");
}

} // namespace formula
