#include "engine/mdMain.h"

#include "platform/DynamicLibrary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>
#include <vector>

namespace {

class NetworkTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { library_ = FormulaLibrary::loadFrom(platform::executableFolder()); }
    static void TearDownTestSuite() { library_.reset(); }

    void SetUp() override {
        state_ = std::make_unique<mdMain>(library_);
        state_->Alpha = 1.0;
        state_->CreateOutNeuron();
    }

    mdMain& build(int32_t inputs, int32_t hidden) {
        state_->InputCount = inputs;
        state_->HiddenCount = hidden;
        state_->CreateNS();
        return *state_;
    }

    static std::vector<double> allWeights(const mdMain& s) {
        std::vector<double> w;
        for (int32_t k = 1; k <= s.HiddenCount; ++k)
            for (int32_t i = 1; i <= s.InputCount; ++i)
                w.push_back(s.HiddenLayer[k]->iWeight(i));
        for (int32_t k = 1; k <= s.HiddenCount; ++k)
            w.push_back(s.OutNeuron->iWeight(k));
        return w;
    }

    static double bipolar(double alpha, double x) { return 2.0 / (1.0 + std::exp(-(alpha * x))) - 1.0; }

    static std::shared_ptr<const FormulaLibrary> library_;
    std::unique_ptr<mdMain> state_;
};

std::shared_ptr<const FormulaLibrary> NetworkTest::library_;

TEST_F(NetworkTest, SmallestNetworkIsLinkedBothWays) {
    mdMain& s = build(2, 1);
    ASSERT_EQ(s.InLayer.size(), 3u);
    ASSERT_EQ(s.HiddenLayer.size(), 2u);
    const NeuronRef& hidden = s.HiddenLayer[1];
    for (int32_t j = 1; j <= 2; ++j) {
        const NeuronRef& input = s.InLayer[j];
        EXPECT_EQ(input->nInput(), 0);
        EXPECT_EQ(input->nOutput(), 1);
        EXPECT_TRUE(input->AutoOperate());
        EXPECT_EQ(input->ActFun()->Calc(0.3), 0.3);
        EXPECT_EQ(input->oNeuron(1), hidden);
        EXPECT_EQ(input->oSynapse(1), j);
        EXPECT_EQ(hidden->iNeuron(j), input);
    }
    EXPECT_EQ(hidden->nInput(), 2);
    EXPECT_EQ(hidden->nOutput(), 1);
    EXPECT_TRUE(hidden->AutoOperate());
    EXPECT_EQ(hidden->oNeuron(1), s.OutNeuron);
    EXPECT_EQ(hidden->oSynapse(1), 1);
    EXPECT_EQ(s.OutNeuron->nInput(), 1);
    EXPECT_EQ(s.OutNeuron->nOutput(), 0);
    EXPECT_FALSE(s.OutNeuron->AutoOperate());
    EXPECT_EQ(s.OutNeuron->iNeuron(1), hidden);
    for (double w : allWeights(s)) {
        EXPECT_GE(w, -0.5);
        EXPECT_LT(w, 0.5);
    }
    EXPECT_EQ(hidden->Displacing(), 0.0);
    EXPECT_EQ(s.OutNeuron->Displacing(), 0.0);
}

TEST_F(NetworkTest, HiddenNeuronsKnowTheirNumber) {
    mdMain& s = build(4, 3);
    for (int32_t k = 1; k <= 3; ++k) {
        EXPECT_EQ(s.HiddenLayer[k]->oSynapse(1), k);
        EXPECT_EQ(s.OutNeuron->iNeuron(k), s.HiddenLayer[k]);
        for (int32_t j = 1; j <= 4; ++j) {
            EXPECT_EQ(s.InLayer[j]->oNeuron(k), s.HiddenLayer[k]);
            EXPECT_EQ(s.InLayer[j]->oSynapse(k), j);
        }
    }
}

TEST_F(NetworkTest, ZeroInputsGiveZero) {
    for (auto [inputs, hidden] : {std::pair{2, 1}, std::pair{8, 3}, std::pair{50, 7}}) {
        mdMain& s = build(inputs, hidden);
        EXPECT_EQ(s.CalcNS(), 0.0) << inputs << "-" << hidden;
    }
}

TEST_F(NetworkTest, ForwardPassMatchesHandComputation) {
    state_->Alpha = 1.5;
    mdMain& s = build(3, 2);
    const double inputs[] = {0.0, 0.25, -0.5, 0.125};
    for (int32_t j = 1; j <= 3; ++j)
        s.InLayer[j]->setDisplacing(inputs[j]);
    s.HiddenLayer[2]->setDisplacing(0.0625);
    s.OutNeuron->setDisplacing(-0.125);

    double outSum = s.OutNeuron->Displacing();
    for (int32_t k = 1; k <= 2; ++k) {
        double sum = s.HiddenLayer[k]->Displacing();
        for (int32_t j = 1; j <= 3; ++j)
            sum += inputs[j] * s.HiddenLayer[k]->iWeight(j);
        outSum += bipolar(1.5, sum) * s.OutNeuron->iWeight(k);
    }
    EXPECT_NEAR(s.CalcNS(), bipolar(1.5, outSum), 1e-15);
    EXPECT_EQ(s.CalcNS(), s.OutNeuron->Result());
}

TEST_F(NetworkTest, RebuildMakesNewNeuronsAndWeightsButKeepsOutput) {
    mdMain& s = build(5, 3);
    const CNeuron* out = s.OutNeuron.get();
    const std::vector<NeuronRef> oldInputs = s.InLayer;
    const std::vector<NeuronRef> oldHidden = s.HiddenLayer;
    const std::vector<double> oldWeights = allWeights(s);
    s.CreateNS();
    EXPECT_EQ(s.OutNeuron.get(), out);
    for (int32_t j = 1; j <= 5; ++j)
        EXPECT_NE(s.InLayer[j], oldInputs[j]);
    for (int32_t k = 1; k <= 3; ++k) {
        EXPECT_NE(s.HiddenLayer[k], oldHidden[k]);
        EXPECT_EQ(s.OutNeuron->iNeuron(k), s.HiddenLayer[k]);
    }
    const std::vector<double> newWeights = allWeights(s);
    for (size_t i = 0; i < newWeights.size(); ++i)
        EXPECT_NE(newWeights[i], oldWeights[i]) << i;
}

TEST_F(NetworkTest, ShapeChangeRebuildsToNewCounts) {
    mdMain& s = build(5, 3);
    s.InputCount = 2;
    s.HiddenCount = 6;
    // Before the rebuild the forward pass still runs on the built layers.
    EXPECT_NO_THROW(s.CalcNS());
    s.CreateNS();
    EXPECT_EQ(s.InLayer.size(), 3u);
    EXPECT_EQ(s.HiddenLayer.size(), 7u);
    EXPECT_EQ(s.OutNeuron->nInput(), 6);
}

TEST_F(NetworkTest, ActivationTextFollowsAlpha) {
    const struct {
        double alpha;
        const char* text;
    } cases[] = {
        {1.0, "2*sigmoid(1*x)-1"}, {-1.0, "2*sigmoid(-1*x)-1"}, {0.5, "2*sigmoid(.5*x)-1"},
        {2.0, "2*sigmoid(2*x)-1"}, {1e-20, "2*sigmoid(1E-20*x)-1"},
    };
    for (const auto& c : cases) {
        state_->Alpha = c.alpha;
        EXPECT_EQ(state_->ActivationText(), c.text);
    }
}

TEST_F(NetworkTest, AlphaReachesHiddenAndOutputOnly) {
    state_->Alpha = 2.0;
    mdMain& s = build(2, 2);
    EXPECT_NEAR(s.HiddenLayer[1]->ActFun()->Calc(0.3), bipolar(2.0, 0.3), 1e-15);
    EXPECT_NEAR(s.OutNeuron->ActFun()->Calc(-0.7), bipolar(2.0, -0.7), 1e-15);
    EXPECT_EQ(s.InLayer[1]->ActFun()->Calc(0.3), 0.3);
}

TEST_F(NetworkTest, ImpossibleShapesAreRefusedBeforeAnyChange) {
    mdMain& s = build(3, 2);
    const std::vector<NeuronRef> inputs = s.InLayer;
    const struct {
        int32_t inputs;
        int32_t hidden;
    } cases[] = {
        {0, 3}, {3, 0}, {-1, 5}, {INT32_MIN, 1}, {INT32_MAX, 1}, {1, INT32_MAX}, {100000, 201}, {2000000, 1},
    };
    for (const auto& c : cases) {
        s.InputCount = c.inputs;
        s.HiddenCount = c.hidden;
        const std::optional<std::string> problem = s.ShapeProblem();
        ASSERT_TRUE(problem.has_value()) << c.inputs << "-" << c.hidden;
        EXPECT_FALSE(problem->empty());
        EXPECT_THROW(s.CreateNS(), NetworkShapeError);
        EXPECT_EQ(s.InLayer, inputs);
    }
    s.InputCount = 100000;
    s.HiddenCount = 200;
    EXPECT_EQ(s.ShapeProblem(), std::nullopt);
    s.InputCount = 1;
    s.HiddenCount = 1;
    EXPECT_EQ(s.ShapeProblem(), std::nullopt);
}

TEST_F(NetworkTest, SeededBuildsDrawInTheDocumentedOrder) {
    state_->SetSeed(42);
    mdMain& s = build(3, 2);
    std::mt19937_64 reference(42);
    auto next = [&] { return static_cast<double>(reference() >> 11) * 0x1.0p-53 - 0.5; };
    std::vector<double> expected;
    for (int k = 0; k < 3 * 2 + 2; ++k)
        expected.push_back(next());
    EXPECT_EQ(allWeights(s), expected);
    // A later build continues the sequence.
    s.CreateNS();
    expected.clear();
    for (int k = 0; k < 3 * 2 + 2; ++k)
        expected.push_back(next());
    EXPECT_EQ(allWeights(s), expected);
}

TEST_F(NetworkTest, SameSeedSameNetwork) {
    state_->SetSeed(7);
    const std::vector<double> first = allWeights(build(6, 3));
    state_->SetSeed(7);
    EXPECT_EQ(allWeights(build(6, 3)), first);
    state_->SetSeed(std::nullopt);
    EXPECT_NE(allWeights(build(6, 3)), first);
}

TEST_F(NetworkTest, DiscardedNetworksAreReclaimed) {
    std::vector<std::weak_ptr<CNeuron>> old;
    for (int round = 0; round < 50; ++round) {
        mdMain& s = build(8, 3);
        for (size_t j = 1; j < s.InLayer.size(); ++j)
            old.emplace_back(s.InLayer[j]);
        for (size_t k = 1; k < s.HiddenLayer.size(); ++k)
            old.emplace_back(s.HiddenLayer[k]);
    }
    const size_t live = static_cast<size_t>(std::count_if(old.begin(), old.end(), [](auto& w) { return !w.expired(); }));
    EXPECT_EQ(live, 8u + 3u); // only the last network
    state_.reset();
    for (const auto& w : old)
        EXPECT_TRUE(w.expired());
}

} // namespace
