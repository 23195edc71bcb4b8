// The activation through the loaded formula library against the same
// function written out in C++, in one run. Each iteration takes a new x so
// that nothing can be folded away.
#include "engine/CFormula.h"
#include "engine/FormulaLibrary.h"
#include "platform/DynamicLibrary.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <string>

namespace {

// x walks through [-4, 4) in small steps, much as a neuron's input does.
class Inputs {
public:
    double next() {
        x_ += 0.0009765625;
        if (x_ >= 4.0)
            x_ = -4.0;
        return x_;
    }

private:
    double x_ = -4.0;
};

void BM_DirectActivation(benchmark::State& state) {
    Inputs inputs;
    for (auto _ : state) {
        const double x = inputs.next();
        double y = 2.0 / (1.0 + std::exp(-x)) - 1.0;
        benchmark::DoNotOptimize(y);
    }
}
BENCHMARK(BM_DirectActivation);

void runFormula(benchmark::State& state, const std::string& text) {
    const auto library = FormulaLibrary::loadFrom(platform::executableFolder()).value();
    CFormula formula(library);
    std::string s = text;
    if (formula.Create(s) != 0) {
        state.SkipWithError("the formula was rejected");
        return;
    }
    Inputs inputs;
    for (auto _ : state) {
        double y = formula.Calc(inputs.next());
        benchmark::DoNotOptimize(y);
    }
}

void BM_FormulaActivation(benchmark::State& state) {
    runFormula(state, "2*sigmoid(1*x)-1");
}
BENCHMARK(BM_FormulaActivation);

void BM_FormulaActivationNegativeAlpha(benchmark::State& state) {
    runFormula(state, "2*sigmoid(-.25*x)-1");
}
BENCHMARK(BM_FormulaActivationNegativeAlpha);

void BM_DirectIdentity(benchmark::State& state) {
    Inputs inputs;
    for (auto _ : state) {
        double y = inputs.next();
        benchmark::DoNotOptimize(y);
    }
}
BENCHMARK(BM_DirectIdentity);

void BM_FormulaIdentity(benchmark::State& state) {
    runFormula(state, "x");
}
BENCHMARK(BM_FormulaIdentity);

// A formula without superinstructions: the general stack path.
void BM_FormulaGeneral(benchmark::State& state) {
    runFormula(state, "exp(x)/(1+exp(x))*(x-x^2)");
}
BENCHMARK(BM_FormulaGeneral);

void BM_DirectGeneral(benchmark::State& state) {
    Inputs inputs;
    for (auto _ : state) {
        const double x = inputs.next();
        double y = std::exp(x) / (1.0 + std::exp(x)) * (x - std::pow(x, 2.0));
        benchmark::DoNotOptimize(y);
    }
}
BENCHMARK(BM_DirectGeneral);

} // namespace

BENCHMARK_MAIN();
