#include "engine/CNeuron.h"

#include "platform/DynamicLibrary.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <functional>
#include <stdexcept>
#include <string>

namespace {

class NeuronTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { library_ = FormulaLibrary::loadFrom(platform::executableFolder()); }
    static void TearDownTestSuite() { library_.reset(); }

    NeuronRef make() const { return std::make_shared<CNeuron>(library_); }

    NeuronRef sigmoid(double alpha) const {
        NeuronRef n = make();
        std::string text = alpha == 1.0 ? "2*sigmoid(1*x)-1" : "2*sigmoid(2*x)-1";
        n->SetActFun(text);
        return n;
    }

    static std::shared_ptr<const FormulaLibrary> library_;
};

std::shared_ptr<const FormulaLibrary> NeuronTest::library_;

TEST_F(NeuronTest, NewNeuronIsEmpty) {
    NeuronRef n = make();
    EXPECT_EQ(n->nInput(), 0);
    EXPECT_EQ(n->nOutput(), 0);
    EXPECT_EQ(n->Displacing(), 0.0);
    EXPECT_EQ(n->Result(), 0.0);
    EXPECT_TRUE(n->AutoOperate());
    EXPECT_EQ(n->iWeight(0), 0.0);
    EXPECT_EQ(n->iNeuron(0), nullptr);
    EXPECT_EQ(n->oNeuron(0), nullptr);
    EXPECT_EQ(n->oSynapse(0), 0);
    EXPECT_EQ(n->Operate(), 0.0);
}

TEST_F(NeuronTest, DisplacingShiftsResultWithoutEvaluation) {
    NeuronRef n = sigmoid(1.0);
    EXPECT_EQ(n->Operate(), 0.0);
    n->setDisplacing(0.25);
    EXPECT_EQ(n->Result(), 0.25);
    n->setDisplacing(-0.5);
    EXPECT_EQ(n->Result(), -0.5);
    n->setDisplacing(1.0);
    EXPECT_EQ(n->Result(), 1.0); // a shift, not 2/(1+e^-1)-1
    EXPECT_NEAR(n->Operate(), 0.46211715726000974, 1e-15);
}

TEST_F(NeuronTest, ManualModeChangesNothingUntilOperate) {
    NeuronRef source = make();
    source->setDisplacing(0.5);
    NeuronRef n = make();
    n->setNInput(1);
    n->setAutoOperate(false);
    n->setDisplacing(0.25);
    n->setINeuron(1, source);
    n->setIWeight(1, 2.0);
    EXPECT_EQ(n->Result(), 0.0);
    EXPECT_EQ(n->Operate(), 1.25);
}

TEST_F(NeuronTest, OperateSkipsEmptyLinksAndElementZero) {
    NeuronRef source = make();
    source->setDisplacing(0.5);
    EXPECT_EQ(source->Result(), 0.5);
    NeuronRef n = make();
    n->setNInput(2);
    n->setINeuron(1, source);
    n->setIWeight(1, 2.0);
    n->setIWeight(0, 100.0);
    n->setINeuron(0, source);
    n->setDisplacing(0.1);
    EXPECT_DOUBLE_EQ(n->Operate(), 1.1);
}

TEST_F(NeuronTest, OperateReadsStoredResultsOnly) {
    NeuronRef source = sigmoid(1.0);
    source->setAutoOperate(false);
    source->setDisplacing(3.0); // not evaluated: Result stays 0
    NeuronRef n = make();
    n->setNInput(1);
    n->setINeuron(1, source);
    n->setIWeight(1, 1.0);
    EXPECT_EQ(n->Operate(), 0.0);
    EXPECT_EQ(source->Result(), 0.0);
}

TEST_F(NeuronTest, AutomaticReevaluationTable) {
    struct Case {
        const char* change;
        std::function<void(CNeuron&, const NeuronRef&)> apply;
        bool evaluates;
    };
    const Case cases[] = {
        {"AutoOperate true", [](CNeuron& n, const NeuronRef&) { n.setAutoOperate(true); }, true},
        {"AutoOperate false", [](CNeuron& n, const NeuronRef&) { n.setAutoOperate(false); }, false},
        {"iWeight", [](CNeuron& n, const NeuronRef&) { n.setIWeight(1, 0.5); }, true},
        {"iNeuron", [](CNeuron& n, const NeuronRef& s) { n.setINeuron(1, s); }, true},
        {"oNeuron", [](CNeuron& n, const NeuronRef& s) { n.setONeuron(1, s); }, false},
        {"oSynapse", [](CNeuron& n, const NeuronRef&) { n.setOSynapse(1, 7); }, false},
        {"nOutput", [](CNeuron& n, const NeuronRef&) { n.setNOutput(3); }, false},
        {"nInput", [](CNeuron& n, const NeuronRef&) { n.setNInput(1); }, true},
        {"SetActFun", [](CNeuron& n, const NeuronRef&) { std::string s = "x"; n.SetActFun(s); }, true},
        {"ActFun", [](CNeuron& n, const NeuronRef&) { n.setActFun(n.ActFun()); }, true},
    };
    for (const Case& c : cases) {
        NeuronRef source = make();
        source->setDisplacing(1.0);
        NeuronRef n = make();
        n->setNInput(1);
        n->setNOutput(1);
        n->setINeuron(1, source);
        n->setIWeight(1, 0.25);
        n->setDisplacing(2.0);
        // Result now is 2.25 and the neuron is marked by a stale value.
        n->setAutoOperate(false);
        n->setDisplacing(2.5);
        n->setAutoOperate(true);
        ASSERT_EQ(n->Result(), 2.75);
        source->setDisplacing(5.0); // n still holds 2.75 from the old input
        const double before = n->Result();
        c.apply(*n, source);
        if (c.evaluates)
            EXPECT_NE(n->Result(), before) << c.change;
        else
            EXPECT_EQ(n->Result(), before) << c.change;
    }
}

TEST_F(NeuronTest, InputCountClearsBothSidesAndEvaluates) {
    NeuronRef source = make();
    NeuronRef target = make();
    NeuronRef n = sigmoid(1.0);
    n->setNInput(2);
    n->setNOutput(2);
    n->setINeuron(1, source);
    n->setIWeight(2, 0.75);
    n->setONeuron(1, target);
    n->setOSynapse(2, 9);
    n->setDisplacing(0.5);
    n->setNInput(3);
    EXPECT_EQ(n->nInput(), 3);
    EXPECT_EQ(n->nOutput(), 2);
    for (int32_t i = 0; i <= 3; ++i) {
        EXPECT_EQ(n->iWeight(i), 0.0);
        EXPECT_EQ(n->iNeuron(i), nullptr);
    }
    for (int32_t k = 0; k <= 2; ++k) {
        EXPECT_EQ(n->oNeuron(k), nullptr);
        EXPECT_EQ(n->oSynapse(k), 0);
    }
    EXPECT_EQ(n->Result(), n->ActFun()->Calc(0.5));
}

TEST_F(NeuronTest, OutputCountKeepsInputSide) {
    NeuronRef source = make();
    NeuronRef n = make();
    n->setNInput(1);
    n->setINeuron(1, source);
    n->setIWeight(1, 0.75);
    n->setAutoOperate(false);
    n->setDisplacing(1.0);
    n->setNOutput(4);
    EXPECT_EQ(n->nOutput(), 4);
    EXPECT_EQ(n->iNeuron(1), source);
    EXPECT_EQ(n->iWeight(1), 0.75);
    EXPECT_EQ(n->Result(), 0.0);
}

TEST_F(NeuronTest, IndexOutsideArraysThrowsAndStoresNothing) {
    NeuronRef n = make();
    n->setNInput(2);
    n->setNOutput(3);
    n->setAutoOperate(false);
    NeuronRef other = make();
    struct Case {
        const char* member;
        std::function<void(int32_t)> call;
        int32_t last;
    };
    const Case cases[] = {
        {"iWeight get", [&](int32_t i) { (void)n->iWeight(i); }, 2},
        {"iWeight let", [&](int32_t i) { n->setIWeight(i, 9.0); }, 2},
        {"iNeuron get", [&](int32_t i) { (void)n->iNeuron(i); }, 2},
        {"iNeuron set", [&](int32_t i) { n->setINeuron(i, other); }, 2},
        {"oNeuron get", [&](int32_t i) { (void)n->oNeuron(i); }, 3},
        {"oNeuron set", [&](int32_t i) { n->setONeuron(i, other); }, 3},
        {"oSynapse get", [&](int32_t i) { (void)n->oSynapse(i); }, 3},
        {"oSynapse let", [&](int32_t i) { n->setOSynapse(i, 9); }, 3},
    };
    for (const Case& c : cases) {
        EXPECT_THROW(c.call(-1), std::out_of_range) << c.member;
        EXPECT_THROW(c.call(c.last + 1), std::out_of_range) << c.member;
        EXPECT_THROW(c.call(INT32_MIN), std::out_of_range) << c.member;
        EXPECT_THROW(c.call(INT32_MAX), std::out_of_range) << c.member;
    }
    EXPECT_EQ(other.use_count(), 1);
    for (int32_t i = 0; i <= 2; ++i)
        EXPECT_EQ(n->iWeight(i), 0.0);
    for (int32_t k = 0; k <= 3; ++k)
        EXPECT_EQ(n->oSynapse(k), 0);
    for (const Case& c : cases)
        EXPECT_NO_THROW(c.call(0)) << c.member;
}

TEST_F(NeuronTest, NegativeCountsAreRefused) {
    NeuronRef n = make();
    n->setNInput(2);
    n->setNOutput(1);
    EXPECT_THROW(n->setNInput(-1), std::invalid_argument);
    EXPECT_THROW(n->setNOutput(-1), std::invalid_argument);
    EXPECT_EQ(n->nInput(), 2);
    EXPECT_EQ(n->nOutput(), 1);
    EXPECT_NO_THROW(n->iWeight(2));
}

TEST_F(NeuronTest, OutputLinksDoNotKeepTargetsAlive) {
    NeuronRef n = make();
    n->setNOutput(1);
    std::weak_ptr<CNeuron> watch;
    {
        NeuronRef target = make();
        watch = target;
        n->setONeuron(1, target);
        EXPECT_EQ(n->oNeuron(1), target);
    }
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(n->oNeuron(1), nullptr);
}

TEST_F(NeuronTest, DisplacingOverflowReportsAndKeepsOldBias) {
    NeuronRef source = make();
    source->setDisplacing(DBL_MAX);
    NeuronRef n = make();
    n->setNInput(1);
    n->setINeuron(1, source);
    n->setIWeight(1, 1.0);
    ASSERT_EQ(n->Result(), DBL_MAX);
    EXPECT_THROW(n->setDisplacing(DBL_MAX), std::overflow_error);
    EXPECT_TRUE(std::isinf(n->Result()));
    EXPECT_EQ(n->Displacing(), 0.0);
    // Without AutoOperate nothing is shifted, so nothing can overflow.
    n->setAutoOperate(false);
    EXPECT_NO_THROW(n->setDisplacing(DBL_MAX));
    EXPECT_EQ(n->Displacing(), DBL_MAX);
}

TEST_F(NeuronTest, UnusableFormulaKeepsLastResult) {
    NeuronRef n = make();
    n->setDisplacing(0.75);
    ASSERT_EQ(n->Result(), 0.75);
    std::string broken = "((";
    n->SetActFun(broken);
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
