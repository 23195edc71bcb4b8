// Arbitrary bytes as formula text: whatever the text, the library must not
// crash, must leave the text alone, must keep its text form inside the
// buffer, and the text form and the folded formula must have the values of
// the formula they came from.
#include "formula/formula.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

namespace {

const double kPoints[] = {0.0,
                          -0.0,
                          1.0,
                          -1.0,
                          0.5,
                          -2.75,
                          40.0,
                          1e300,
                          -1e-300,
                          std::numeric_limits<double>::infinity(),
                          std::numeric_limits<double>::quiet_NaN()};
constexpr size_t kPointCount = sizeof kPoints / sizeof kPoints[0];

void check(bool condition) {
    if (!condition)
        std::abort();
}

bool sameValue(double a, double b) {
    return (std::isnan(a) && std::isnan(b)) || a == b;
}

void values(const FORMULA* f, double (&out)[kPointCount]) {
    for (size_t i = 0; i < kPointCount; ++i)
        out[i] = CalcFormula(f, 1, &kPoints[i]);
}

// The text form, checked to stay inside the buffer with its terminator.
std::vector<char> view(const FORMULA* f) {
    constexpr size_t kGuard = 32;
    std::vector<char> buffer(FORMULA_VIEW_CAPACITY + 1 + kGuard, '\x7f');
    const int written = ViewFormula(f, buffer.data());
    check(written >= 0 && written <= FORMULA_VIEW_CAPACITY);
    check(buffer[static_cast<size_t>(written)] == '\0');
    check(std::strlen(buffer.data()) == static_cast<size_t>(written));
    for (size_t i = FORMULA_VIEW_CAPACITY + 1; i < buffer.size(); ++i)
        check(buffer[i] == '\x7f');
    buffer.resize(static_cast<size_t>(written) + 1);
    return buffer;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<char> text(data, data + size);
    text.push_back('\0');
    const std::vector<char> original = text;

    FORMULA f{};
    int column = -1;
    int code = -1;
    int length = -1;
    const int result = CreateFormula(&f, text.data(), false, &column, &code, &length);
    check(text == original);
    check(code == result);
    check(length == static_cast<int>(std::strlen(text.data())));

    double before[kPointCount];
    values(&f, before);
    if (result != FORMULA_OK) {
        check(column >= 1 && column <= length + 1);
        for (const double v : before)
            check(std::isnan(v));
        check(view(&f).size() == 1);
        check(SimplifyFormula(&f, 10) != 0);
        ReleaseFormula(&f);
        return 0;
    }
    check(column == 0);

    const std::vector<char> shown = view(&f);
    if (shown.size() <= FORMULA_VIEW_CAPACITY) {
        FORMULA copy{};
        std::vector<char> again = shown;
        check(CreateFormula(&copy, again.data(), false, nullptr, nullptr, nullptr) == FORMULA_OK);
        double read[kPointCount];
        values(&copy, read);
        for (size_t i = 0; i < kPointCount; ++i)
            check(sameValue(read[i], before[i]));
        ReleaseFormula(&copy);
    }

    check(SimplifyFormula(&f, 10) == 0);
    double folded[kPointCount];
    values(&f, folded);
    for (size_t i = 0; i < kPointCount; ++i)
        check(sameValue(folded[i], before[i]));
    view(&f);

    // Creating over a record that holds a formula replaces it; the leak checker sees the rest.
    std::vector<char> identity = {'x', '\0'};
    check(CreateFormula(&f, identity.data(), false, nullptr, nullptr, nullptr) == FORMULA_OK);
    check(CalcFormula(&f, 1, &kPoints[3]) == -1.0);
    ReleaseFormula(&f);
    const FORMULA zero{};
    check(std::memcmp(&f, &zero, sizeof f) == 0);
    return 0;
}
