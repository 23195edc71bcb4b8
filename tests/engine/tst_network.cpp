#include "EngineTest.h"

#include <cmath>

namespace {

using NetworkTest = EngineTest;

double bipolar(double alpha, double x) {
    return 2.0 / (1.0 + std::exp(-(alpha * x))) - 1.0;
}

// How the layers are linked shows in the forward passes below; the links to
// outputs are bookkeeping that no computation reads.
TEST_F(NetworkTest, ForwardPassMatchesHandComputation) {
    auto s = network(3, 2, 1, 1.5, {0.25, -0.125, 0.375, -0.5, 0.0625, 0.1875, 0.4375, -0.3125});
    const double in[] = {0.25, -0.5, 0.125};
    for (int32_t j = 1; j <= 3; ++j)
        s->InLayer[static_cast<size_t>(j)]->setDisplacing(in[j - 1]);
    s->HiddenLayer[2]->setDisplacing(0.0625);
    s->OutNeuron->setDisplacing(-0.125);
    const double h1 = bipolar(1.5, 0.25 * 0.25 - 0.5 * -0.125 + 0.125 * 0.375);
    const double h2 = bipolar(1.5, 0.0625 + 0.25 * -0.5 - 0.5 * 0.0625 + 0.125 * 0.1875);
    EXPECT_NEAR(s->CalcNS(), bipolar(1.5, -0.125 + h1 * 0.4375 - h2 * 0.3125), 1e-15);
    EXPECT_EQ(s->CalcNS(), s->OutNeuron->Result());
}

TEST_F(NetworkTest, ForwardPassInOneSweepEqualsNeuronByNeuron) {
    // inputs, hidden, lanes, setup: 1 gives every other hidden neuron sqrt(x),
    // which is NaN for a negative sum and so keeps the last output; 2 links a
    // hidden neuron's input to another input neuron; 3 leaves the input
    // layer's first place and every first link empty.
    const std::tuple<int32_t, int32_t, TrainingLanes, int> cases[] = {
        {40, 9, TrainingLanes::Four, 0}, {20, 37, TrainingLanes::Eight, 0}, {300, 1, TrainingLanes::Eight, 0},
        {40, 9, TrainingLanes::Four, 1}, {20, 37, TrainingLanes::Eight, 1}, {40, 9, TrainingLanes::Four, 2},
        {40, 9, TrainingLanes::Four, 3}};
    for (const auto& [n, h, lanes, setup] : cases) {
        SCOPED_TRACE(testing::Message() << n << "-" << h << " setup " << setup);
        auto swept = network(n, h, 3, 1.0, {}, lanes), operated = network(n, h, 3, 1.0, {}, lanes);
        for (mdMain* s : {swept.get(), operated.get()}) {
            for (size_t j = 1; j <= size_t(n); ++j)
                s->InLayer[j]->setDisplacing(double((j * 5) % 49) / 48.0 - 0.5);
            for (size_t k = 1; k <= size_t(h); ++k) {
                s->HiddenLayer[k]->setDisplacing(0.01 * double(k) - 0.05);
                std::string root = "sqrt(x)";
                if (setup == 1 && k % 2 == 1)
                    s->HiddenLayer[k]->SetActFun(root);
            }
            if (setup == 2)
                s->HiddenLayer[size_t(h)]->setINeuron(1, s->InLayer[2]);
            for (size_t k = 1; setup == 3 && k <= size_t(h); ++k)
                s->HiddenLayer[k]->setINeuron(1, s->InLayer[1] = nullptr);
        }
        const double out = swept->CalcNS();
        for (size_t k = 1; k <= size_t(h); ++k)
            operated->HiddenLayer[k]->Operate();
        EXPECT_EQ(out, operated->OutNeuron->Operate());
        EXPECT_TRUE(sameBits(weights(*swept), weights(*operated)));
    }
}

// A rebuild makes new neurons, keeps the output neuron, draws on from the seeded sequence
// and lets every discarded neuron go.
TEST_F(NetworkTest, RebuildReplacesAndReclaimsTheLayers) {
    auto s = network(5, 3, 7);
    const CNeuron* out = s->OutNeuron.get();
    const auto first = weights(*s);
    s->InputCount = 9; // the pass runs on the built layers, whatever the counts say
    EXPECT_NO_THROW(s->CalcNS());
    s->InputCount = 5;
    std::vector<std::weak_ptr<CNeuron>> old(s->InLayer.begin() + 1, s->InLayer.end());
    old.insert(old.end(), s->HiddenLayer.begin() + 1, s->HiddenLayer.end());
    s->CreateNS();
    EXPECT_NE(weights(*s), first);
    EXPECT_EQ(s->OutNeuron.get(), out);
    EXPECT_TRUE(std::all_of(old.begin(), old.end(), [](const auto& w) { return w.expired(); }));
    s->SetSeed(7);
    s->CreateNS();
    EXPECT_EQ(weights(*s), first);
    s->SetSeed(std::nullopt);
    s->CreateNS();
    EXPECT_NE(weights(*s), first);
    old.assign(s->InLayer.begin() + 1, s->InLayer.end());
    s.reset();
    EXPECT_TRUE(std::all_of(old.begin(), old.end(), [](const auto& w) { return w.expired(); }));
}

TEST_F(NetworkTest, ImpossibleShapesAreRefusedBeforeAnyChange) {
    auto s = network(3, 2);
    const std::vector<NeuronRef> inputs = s->InLayer;
    using enum ShapeCheck;
    const std::tuple<int32_t, int32_t, ShapeCheck> shapes[] = {
        {0, 3, CountBelowOne},   {INT32_MIN, 1, CountBelowOne}, {3, 0, CountBelowOne},    {1, INT32_MAX, TooLarge},
        {100000, 201, TooLarge}, {2000000, 1, TooLarge},        {100000, 200, Buildable}, {1, 1, Buildable}};
    for (const auto& [n, h, check] : shapes) {
        s->InputCount = n;
        s->HiddenCount = h;
        EXPECT_EQ(s->CheckShape(), check) << n << "-" << h;
        if (check != Buildable) {
            EXPECT_EQ(s->CreateNS(), check);
            EXPECT_EQ(s->InLayer, inputs);
        }
    }
}

} // namespace
