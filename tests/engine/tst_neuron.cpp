#include "EngineTest.h"

#include <cfloat>
#include <cmath>
#include <functional>
#include <stdexcept>

namespace {

using NeuronTest = EngineTest;
const char* const Sigmoid1 = "2*sigmoid(1*x)-1";

TEST_F(NeuronTest, DisplacingShiftsResultUntilOperate) {
    NeuronRef n = neuron(Sigmoid1);
    n->setDisplacing(0.25);
    n->setDisplacing(-0.5);
    EXPECT_EQ(n->Result(), -0.5);
    n->setDisplacing(1.0);
    EXPECT_EQ(n->Result(), 1.0); // a shift, not 2/(1+e^-1)-1
    EXPECT_NEAR(n->Operate(), 0.46211715726000974, 1e-15);
}

TEST_F(NeuronTest, OperateSumsStoredResultsOfLinkedInputsOnly) {
    NeuronRef source = neuron(Sigmoid1);
    source->setDisplacing(0.5); // shifted to 0.5; evaluating it would give .245
    NeuronRef n = neuron();
    n->setNInput(2);
    n->setAutoOperate(false);
    n->setINeuron(1, source);
    n->setIWeight(1, 2.0);
    n->setINeuron(0, source); // element 0 exists and never counts
    n->setIWeight(0, 100.0);
    n->setDisplacing(0.1);
    EXPECT_EQ(n->Result(), 0.0);
    EXPECT_DOUBLE_EQ(n->Operate(), 1.1);
    EXPECT_EQ(source->Result(), 0.5);
}

TEST_F(NeuronTest, WhichChangesReevaluate) {
    using Change = std::function<void(CNeuron&, const NeuronRef&)>;
    const std::tuple<const char*, Change, bool> cases[] = {
        {"AutoOperate true", [](CNeuron& n, const NeuronRef&) { n.setAutoOperate(true); }, true},
        {"AutoOperate false", [](CNeuron& n, const NeuronRef&) { n.setAutoOperate(false); }, false},
        {"iWeight", [](CNeuron& n, const NeuronRef&) { n.setIWeight(1, 0.5); }, true},
        {"iNeuron", [](CNeuron& n, const NeuronRef& s) { n.setINeuron(1, s); }, true},
        {"ActFun", [](CNeuron& n, const NeuronRef&) { n.setActFun(n.ActFun()); }, true},
    };
    for (const auto& [change, apply, evaluates] : cases) {
        NeuronRef source = neuron(), n = neuron();
        n->setNInput(1);
        n->setINeuron(1, source);
        n->setIWeight(1, 0.25);
        source->setDisplacing(4.0); // n still holds 0 from the old input
        apply(*n, source);
        EXPECT_EQ(n->Result() != 0.0, evaluates) << change;
    }
}

TEST_F(NeuronTest, CountsRecreateTheirArrays) {
    NeuronRef source = neuron(), n = std::make_shared<CNeuron>(library);
    // A new neuron: AutoOperate, the identity, and the element 0.
    EXPECT_TRUE(n->AutoOperate());
    EXPECT_EQ(n->ActFun()->Calc(0.3), 0.3);
    n->setIWeight(0, 0.25);
    EXPECT_EQ(n->iWeight(0), 0.25);
    n->setNInput(2);
    n->setINeuron(1, source);
    n->setIWeight(1, 0.75);
    n->setAutoOperate(false);
    n->setDisplacing(0.5);
    n->setNOutput(2); // the output side only, and no evaluation
    EXPECT_EQ(std::pair(n->iNeuron(1), n->Result()), std::pair(source, 0.0));
    n->setNInput(3); // everything, then an evaluation
    EXPECT_EQ(std::tuple(n->iWeight(1), n->iNeuron(1), n->Result()), std::tuple(0.0, nullptr, 0.5));
    EXPECT_THROW(n->setNInput(-1), std::invalid_argument);
    EXPECT_EQ(n->nInput(), 3);
}

TEST_F(NeuronTest, IndexOutsideArraysThrowsAndStoresNothing) {
    NeuronRef n = neuron(), other = neuron();
    n->setNInput(2);
    const std::tuple<const char*, std::function<void(int32_t)>, int32_t> cases[] = {
        {"iWeight get", [&](int32_t i) { (void)n->iWeight(i); }, 2},
        {"iWeight let", [&](int32_t i) { n->setIWeight(i, 9.0); }, 2},
        {"iNeuron get", [&](int32_t i) { (void)n->iNeuron(i); }, 2},
        {"iNeuron set", [&](int32_t i) { n->setINeuron(i, other); }, 2},
    };
    for (const auto& [member, call, last] : cases)
        for (int32_t i : {-1, last + 1, INT32_MIN, INT32_MAX})
            EXPECT_THROW(call(i), std::out_of_range) << member << " " << i;
    EXPECT_EQ(other.use_count(), 1);
    EXPECT_EQ((std::vector{n->iWeight(0), n->iWeight(1), n->iWeight(2)}), std::vector(3, 0.0));
}

TEST_F(NeuronTest, OverflowingShiftThrowsAndKeepsTheBias) {
    NeuronRef n = neuron();
    n->setDisplacing(DBL_MAX);
    EXPECT_THROW(n->setDisplacing(DBL_MAX / 2), std::overflow_error);
    EXPECT_EQ(std::pair(n->Result(), n->Displacing()), std::pair(HUGE_VAL, DBL_MAX));
    n->setAutoOperate(false); // nothing is shifted, so nothing can overflow
    EXPECT_NO_THROW(n->setDisplacing(DBL_MAX / 2));
}

TEST_F(NeuronTest, UnusableFormulaKeepsLastResult) {
    NeuronRef n = neuron("((");
    n->setDisplacing(0.75);
    n->setAutoOperate(false);
    n->setDisplacing(0.5);
    EXPECT_EQ(n->Operate(), 0.75);
    n->setActFun(nullptr);
    EXPECT_EQ(n->Operate(), 0.75);
    std::string identity = "x";
    n->SetActFun(identity);
    EXPECT_EQ(n->Result(), 0.5);
}

} // namespace
