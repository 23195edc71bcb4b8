#include "engine/Training.h"

#include "engine/Prediction.h"
#include "platform/DynamicLibrary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

const std::vector<uint8_t> DefaultMelody{3, 8, 11, 3, 8, 11, 4, 8, 10, 1, 8, 10};

class TrainingTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { library_ = FormulaLibrary::loadFrom(platform::executableFolder()); }
    static void TearDownTestSuite() { library_.reset(); }

    std::unique_ptr<mdMain> makeState(int32_t inputs, int32_t hidden, uint64_t seed, double alpha = 1.0) const {
        auto s = std::make_unique<mdMain>(library_);
        s->Alpha = alpha;
        s->LearnStep = 1.0;
        s->InputCount = inputs;
        s->HiddenCount = hidden;
        s->SetSeed(seed);
        s->CreateOutNeuron();
        s->CreateNS();
        return s;
    }

    static void setMelody(mdMain& s, const std::vector<uint8_t>& notes) {
        for (size_t i = 0; i < notes.size(); ++i)
            s.Melody[i] = notes[i];
        s.MelodyLen = static_cast<int32_t>(notes.size()) - 1;
    }

    // Every weight and Result of the network, in a fixed order.
    static std::vector<double> snapshot(const mdMain& s) {
        std::vector<double> v;
        for (size_t k = 1; k < s.HiddenLayer.size(); ++k) {
            for (int32_t i = 1; i <= s.HiddenLayer[k]->nInput(); ++i)
                v.push_back(s.HiddenLayer[k]->iWeight(i));
            v.push_back(s.HiddenLayer[k]->Result());
        }
        for (int32_t k = 1; k <= s.OutNeuron->nInput(); ++k)
            v.push_back(s.OutNeuron->iWeight(k));
        v.push_back(s.OutNeuron->Result());
        return v;
    }

    static bool sameBits(const std::vector<double>& a, const std::vector<double>& b) {
        return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
    }

    static std::vector<double> inputs(const mdMain& s) {
        std::vector<double> v;
        for (size_t j = 1; j < s.InLayer.size(); ++j)
            v.push_back(s.InLayer[j]->Displacing());
        return v;
    }

    // The worked example: one input holding -0.5, one hidden neuron whose
    // Result is 0.5, output weight 0.25, output 0; identity formulas keep the
    // library's exponential out of the arithmetic.
    std::unique_ptr<mdMain> workedExample() const {
        auto s = makeState(1, 1, 1);
        std::string identity = "x";
        CNeuron& hidden = *s->HiddenLayer[1];
        CNeuron& out = *s->OutNeuron;
        hidden.SetActFun(identity);
        out.SetActFun(identity);
        s->InLayer[1]->setDisplacing(-0.5);
        hidden.setIWeight(1, 0.125);
        hidden.setAutoOperate(false);
        hidden.setDisplacing(0.5625);
        hidden.setAutoOperate(true);
        out.setIWeight(1, 0.25);
        out.setDisplacing(-0.125);
        return s;
    }

    static std::shared_ptr<const FormulaLibrary> library_;
};

std::shared_ptr<const FormulaLibrary> TrainingTest::library_;

using TeachFn = TeachOutcome (*)(mdMain&, double, int32_t);

class OneIteration : public TrainingTest, public ::testing::WithParamInterface<TeachFn> {};

TEST_P(OneIteration, WorkedExampleToTheLastBit) {
    auto s = workedExample();
    ASSERT_EQ(s->CalcNS(), 0.0);
    ASSERT_EQ(s->HiddenLayer[1]->Result(), 0.5);
    const TeachOutcome outcome = GetParam()(*s, 0.25, 1);
    EXPECT_EQ(outcome.iterations, 1);
    EXPECT_FALSE(outcome.reachedTarget);
    EXPECT_FALSE(outcome.diverged);
    // delta 0.125; output weight 0.5 * 0.125 + 0.25; hidden error term
    // 1 * 0.125 * 1.5 * 0.5 * 0.3125 / 2 with the new output weight.
    EXPECT_EQ(s->OutNeuron->iWeight(1), 0.3125);
    EXPECT_EQ(s->HiddenLayer[1]->iWeight(1), 0.11767578125);
    EXPECT_EQ(s->HiddenLayer[1]->iWeight(1), -0.5 * 0.0146484375 + 0.125);
    // The output was re-evaluated with the old hidden Result, the hidden neuron afterwards.
    EXPECT_EQ(s->OutNeuron->Result(), -0.125 + 0.5 * 0.3125);
    EXPECT_EQ(s->HiddenLayer[1]->Result(), 0.5625 + -0.5 * 0.11767578125);
}

TEST_P(OneIteration, EqualOutputStopsWithoutChange) {
    auto s = workedExample();
    const std::vector<double> before = snapshot(*s);
    const TeachOutcome outcome = GetParam()(*s, 0.0, 100);
    EXPECT_EQ(outcome.iterations, 1);
    EXPECT_TRUE(outcome.reachedTarget);
    EXPECT_TRUE(sameBits(snapshot(*s), before));
}

TEST_P(OneIteration, NoLimitNoForwardPass) {
    for (int32_t limit : {0, -1, INT32_MIN}) {
        auto s = workedExample();
        s->OutNeuron->setAutoOperate(false);
        s->OutNeuron->setDisplacing(7.0); // a stale Result that a forward pass would replace
        const std::vector<double> before = snapshot(*s);
        const TeachOutcome outcome = GetParam()(*s, 0.25, limit);
        EXPECT_EQ(outcome.iterations, 0);
        EXPECT_TRUE(sameBits(snapshot(*s), before));
    }
}

TEST_P(OneIteration, DivergingStepIsNotTaken) {
    const struct {
        double learnStep;
        double alpha;
    } cases[] = {{1e308, 1.0}, {1e300, 1.0}, {1e200, 1e200}, {1e160, 1.0}};
    for (const auto& c : cases) {
        auto s = makeState(8, 3, 5, c.alpha);
        s->LearnStep = c.learnStep;
        setMelody(*s, DefaultMelody);
        PlaceInputs(*s, 8);
        const TeachOutcome outcome = GetParam()(*s, 0.4, 1000);
        EXPECT_TRUE(outcome.diverged) << c.learnStep << " " << c.alpha;
        EXPECT_LT(outcome.iterations, 1000);
        for (double v : snapshot(*s))
            EXPECT_TRUE(std::isfinite(v));
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, OneIteration, ::testing::Values(&TeachNS, &TeachNSPlain));

TEST_F(TrainingTest, NoNetworkIsRefused) {
    mdMain s(library_);
    s.CreateOutNeuron();
    EXPECT_THROW(TeachNS(s, 0.0, 1), std::logic_error);
    EXPECT_THROW(TrainMelody(s, 1), std::logic_error);
}

TEST_F(TrainingTest, WindowsAndShares) {
    const double p = -0.5;
    const auto v = [](uint8_t c) { return NoteToValue(c); };
    const struct {
        size_t notes;
        int32_t inputCount;
        double learnStep;
        int32_t iterations;
        bool trained;
        int32_t windows;
        int32_t share;
        std::vector<double> lastInputs;
    } cases[] = {
        {12, 8, 1.0, 10000, true, 4, 2500, {v(3), v(8), v(11), v(4), v(8), v(10), v(1), v(8)}},
        {12, 8, 1.0, 10001, true, 4, 2500, {v(3), v(8), v(11), v(4), v(8), v(10), v(1), v(8)}},
        {12, 8, 1.0, 10003, true, 4, 2500, {v(3), v(8), v(11), v(4), v(8), v(10), v(1), v(8)}},
        {12, 8, 1.0, 3, true, 4, 0, {v(3), v(8), v(11), v(4), v(8), v(10), v(1), v(8)}},
        {10, 8, 1.0, 100, true, 2, 50, {v(8), v(11), v(3), v(8), v(11), v(4), v(8), v(10)}},
        {9, 8, 1.0, 1234, true, 1, 1234, {v(3), v(8), v(11), v(3), v(8), v(11), v(4), v(8)}},
        {5, 8, 1.0, 1234, true, 1, 1234, {p, p, p, p, v(3), v(8), v(11), v(3)}},
        {3, 8, 1.0, 10, true, 1, 10, {p, p, p, p, p, p, v(3), v(8)}},
        {2, 8, 1.0, 100, false, 0, 0, {}},
        {12, 1, 1.0, 100, false, 0, 0, {}},
        {12, 8, 0.0, 100, false, 0, 0, {}},
        {12, 8, -1.0, 100, false, 0, 0, {}},
    };
    for (const auto& c : cases) {
        auto s = makeState(c.inputCount, 3, 11);
        s->LearnStep = c.learnStep;
        setMelody(*s, std::vector<uint8_t>(DefaultMelody.begin(), DefaultMelody.begin() + static_cast<long>(c.notes)));
        const std::vector<double> before = snapshot(*s);
        const MelodyTrainingOutcome outcome = TrainMelody(*s, c.iterations);
        SCOPED_TRACE(testing::Message() << c.notes << " notes, " << c.inputCount << " inputs, " << c.iterations);
        EXPECT_EQ(outcome.trained, c.trained);
        EXPECT_EQ(outcome.windows, c.windows);
        EXPECT_EQ(outcome.iterationsPerWindow, c.share);
        EXPECT_FALSE(outcome.diverged);
        EXPECT_EQ(sameBits(snapshot(*s), before), !c.trained || c.share == 0);
        if (c.trained) {
            EXPECT_EQ(inputs(*s), c.lastInputs);
        }
    }
}

TEST_F(TrainingTest, WindowsAreTrainedInTurnWithTheirTargets) {
    auto trained = makeState(8, 3, 99);
    auto manual = makeState(8, 3, 99);
    setMelody(*trained, DefaultMelody);
    TrainMelody(*trained, 403);
    // The pause values first, as the training does: an input neuron's Result
    // follows its Displacing by differences, so its last bits depend on the history.
    for (int32_t j = 1; j <= 8; ++j)
        manual->InLayer[static_cast<size_t>(j)]->setDisplacing(-0.5);
    for (int32_t w = 0; w < 4; ++w) {
        for (int32_t j = 1; j <= 8; ++j)
            manual->InLayer[static_cast<size_t>(j)]->setDisplacing(NoteToValue(DefaultMelody[static_cast<size_t>(w + j - 1)]));
        TeachNSPlain(*manual, NoteToValue(DefaultMelody[static_cast<size_t>(w + 8)]), 100);
    }
    EXPECT_TRUE(sameBits(snapshot(*trained), snapshot(*manual)));
}

TEST_F(TrainingTest, MelodyTrainingStopsAtDivergence) {
    auto s = makeState(8, 3, 3);
    s->LearnStep = 1e308;
    setMelody(*s, DefaultMelody);
    const MelodyTrainingOutcome outcome = TrainMelody(*s, 10000);
    EXPECT_TRUE(outcome.trained);
    EXPECT_TRUE(outcome.diverged);
    for (double v : snapshot(*s))
        EXPECT_TRUE(std::isfinite(v));
}

TEST_F(TrainingTest, LearnsTheDefaultMelody) {
    // Measured with this seed: after 3 clicks the first and last windows are
    // right (10 9 11 10 against 10 1 8 10); the windows are trained one after
    // the other, so the middle ones take about 50 clicks of 10000 iterations.
    auto s = makeState(8, 3, 42);
    setMelody(*s, DefaultMelody);
    const auto predictions = [&] {
        std::vector<int> codes;
        for (int32_t w = 0; w < 4; ++w) {
            PlaceInputs(*s, w + 8);
            codes.push_back(ValueToNote(s->CalcNS()));
        }
        return codes;
    };
    for (int round = 0; round < 3; ++round)
        ASSERT_FALSE(TrainMelody(*s, 10000).diverged);
    EXPECT_EQ(predictions(), (std::vector<int>{10, 9, 11, 10}));
    for (int round = 3; round < 50; ++round)
        ASSERT_FALSE(TrainMelody(*s, 10000).diverged);
    EXPECT_EQ(predictions(), (std::vector<int>{10, 1, 8, 10}));
}

TEST_F(TrainingTest, FlatTrainingMatchesNeuronByNeuronBitForBit) {
    const struct {
        int32_t inputs;
        int32_t hidden;
        double alpha;
        double target;
        int32_t limit;
    } cases[] = {
        {1, 1, 1.0, 0.3, 50}, {8, 3, 1.0, 0.125, 500}, {2, 8, 0.5, -0.4, 200}, {13, 9, 2.0, 0.45, 300},
        {64, 6, 1.0, -0.2, 100}, {30, 17, 1.5, 0.0, 100}, {100, 24, 1.0, 0.33, 20}, {5, 4, 1.0, 0.25, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.inputs << "-" << c.hidden);
        auto flat = makeState(c.inputs, c.hidden, 77, c.alpha);
        auto plain = makeState(c.inputs, c.hidden, 77, c.alpha);
        for (mdMain* s : {flat.get(), plain.get()}) {
            // Biases as a loaded file may bring them, and input values placed twice.
            for (int32_t k = 1; k <= c.hidden; ++k)
                s->HiddenLayer[static_cast<size_t>(k)]->setDisplacing(0.01 * k - 0.05);
            s->OutNeuron->setDisplacing(0.03);
            for (int32_t j = 1; j <= c.inputs; ++j) {
                s->InLayer[static_cast<size_t>(j)]->setDisplacing(-0.5);
                s->InLayer[static_cast<size_t>(j)]->setDisplacing(((j * 5) % 49) / 48.0 - 0.5);
            }
        }
        const TeachOutcome a = TeachNS(*flat, c.target, c.limit);
        const TeachOutcome b = TeachNSPlain(*plain, c.target, c.limit);
        EXPECT_EQ(a.iterations, b.iterations);
        EXPECT_EQ(a.reachedTarget, b.reachedTarget);
        EXPECT_EQ(a.diverged, b.diverged);
        EXPECT_TRUE(sameBits(snapshot(*flat), snapshot(*plain)));
        for (int32_t k = 1; k <= c.hidden; ++k)
            EXPECT_TRUE(flat->HiddenLayer[static_cast<size_t>(k)]->AutoOperate());
        // A forward pass through the neurons agrees with what the kernel left behind.
        flat->CalcNS();
        plain->CalcNS();
        EXPECT_TRUE(sameBits(snapshot(*flat), snapshot(*plain)));
    }
}

TEST_F(TrainingTest, TrainingTheMelodyTwiceGivesTheSameBits) {
    auto flat = makeState(8, 3, 5);
    auto plain = makeState(8, 3, 5);
    setMelody(*flat, DefaultMelody);
    TrainMelody(*flat, 2000);
    const std::vector<uint8_t>& m = DefaultMelody;
    for (int32_t j = 1; j <= 8; ++j)
        plain->InLayer[static_cast<size_t>(j)]->setDisplacing(-0.5);
    for (int32_t w = 0; w < 4; ++w) {
        for (int32_t j = 1; j <= 8; ++j)
            plain->InLayer[static_cast<size_t>(j)]->setDisplacing(NoteToValue(m[static_cast<size_t>(w + j - 1)]));
        TeachNSPlain(*plain, NoteToValue(m[static_cast<size_t>(w + 8)]), 500);
    }
    EXPECT_TRUE(sameBits(snapshot(*flat), snapshot(*plain)));
}

TEST_F(TrainingTest, UnusualNetworksTrainThroughTheNeurons) {
    auto flat = makeState(4, 3, 8);
    auto plain = makeState(4, 3, 8);
    for (mdMain* s : {flat.get(), plain.get()}) {
        s->OutNeuron->setAutoOperate(true);
        s->HiddenLayer[2]->setINeuron(3, nullptr);
        s->InLayer[1]->setDisplacing(0.25);
    }
    TeachNS(*flat, 0.3, 40);
    TeachNSPlain(*plain, 0.3, 40);
    EXPECT_TRUE(sameBits(snapshot(*flat), snapshot(*plain)));
}

} // namespace
