#include "formula/Arithmetic.h"

#include <array>

namespace formula {

namespace {

constexpr std::array<std::string_view, kFunctionCount> kNames = {
    "sigmoid", "exp", "ln", "lg", "sqrt", "abs", "sin", "cos", "tan", "atan", "tanh", "sinh", "cosh", "sign",
};

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char c = a[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != b[i])
            return false;
    }
    return true;
}

} // namespace

std::string_view functionName(Function function) {
    return kNames[static_cast<size_t>(function)];
}

bool findFunction(std::string_view name, Function& function) {
    for (size_t i = 0; i < kNames.size(); ++i) {
        if (equalIgnoringCase(name, kNames[i])) {
            function = static_cast<Function>(i);
            return true;
        }
    }
    return false;
}

} // namespace formula
