#include "engine/Training.h"

#include "EngineTest.h"
#include "TeachReference.h"
#include "engine/Prediction.h"

#include <cmath>
#include <limits>
#include <thread>

namespace {

using TrainingTest = EngineTest;

// Where a network trains: TeachNS's kernel on the network as CreateNS built it,
// TeachNS through the neurons of one whose output evaluates itself, or the reference.
enum class Path { Kernel, ThroughNeurons, Reference };

// Makes the network one that the path trains; the reference takes it as built.
void prepare(mdMain& s, Path path) {
    if (path == Path::ThroughNeurons)
        s.OutNeuron->setAutoOperate(true);
}

TeachOutcome teach(mdMain& s, Path path, double target, int32_t limit) {
    return path == Path::Reference ? TeachNSPlain(s, target, limit) : TeachNS(s, target, limit);
}

class EveryPath : public EngineTest, public ::testing::WithParamInterface<Path> {
protected:
    // One input holding -0.5, a hidden neuron with weight 0.125 and Result 0.5,
    // output weight 0.25 and bias -0.125, so the output is 0; identity formulas
    // keep the library's exponential out of the arithmetic.
    static std::unique_ptr<mdMain> workedExample() {
        auto s = network(1, 1, 1, 1.0, {0.125, 0.25});
        std::string identity = "x";
        s->InLayer[1]->setDisplacing(-0.5);
        s->HiddenLayer[1]->SetActFun(identity);
        s->OutNeuron->SetActFun(identity);
        s->HiddenLayer[1]->setDisplacing(0.5625);
        s->OutNeuron->setDisplacing(-0.125);
        prepare(*s, GetParam());
        return s;
    }
};

TEST_P(EveryPath, WorkedExampleToTheLastBit) {
    auto s = workedExample();
    const TeachOutcome outcome = teach(*s, GetParam(), 0.25, 1);
    EXPECT_EQ(std::tuple(outcome.iterations, outcome.reachedTarget, outcome.diverged), std::tuple(1, false, false));
    // delta 0.125; output weight 0.5 * 0.125 + 0.25; hidden term
    // 0.125 * 1.5 * 0.5 * 0.3125 / 2 = 0.0146484375 with the new output weight.
    // The output was re-evaluated with the old hidden Result, the hidden neuron afterwards.
    EXPECT_EQ(weights(*s),
              (std::vector<double>{0.11767578125, 0.3125, 0.5625 - 0.5 * 0.11767578125, -0.125 + 0.5 * 0.3125}));
}

TEST_P(EveryPath, StopsOnEqualityAndRunsNothingWithoutIterations) {
    for (int32_t limit : {100, 0, -1, INT32_MIN}) {
        auto s = workedExample();
        s->OutNeuron->setDisplacing(7.0); // a forward pass gives 7.125
        const std::vector<double> before = weights(*s);
        const TeachOutcome outcome = teach(*s, GetParam(), 7.125, limit);
        EXPECT_EQ(std::pair(outcome.iterations, outcome.reachedTarget), std::pair(limit > 0 ? 1 : 0, limit > 0))
            << limit;
        const std::vector<double> after = weights(*s);
        EXPECT_TRUE(sameBits({after.begin(), after.end() - 1}, {before.begin(), before.end() - 1}));
        EXPECT_EQ(after.back(), limit > 0 ? 7.125 : before.back());
    }
}

TEST_P(EveryPath, DivergingStepIsNotTakenAndTheWeightsAreThoseBeforeIt) {
    // LearnStep, Alpha, identity formulas; the last row takes three steps
    // before the weights would overflow.
    const std::tuple<double, double, bool> cases[] = {
        {1e308, 1.0, false}, {1e200, 1e200, false}, {1e160, 1.0, false}, {10.0, 1.0, true}};
    for (const auto& [learnStep, alpha, identity] : cases) {
        SCOPED_TRACE(testing::Message() << learnStep << " " << alpha);
        auto s = network(8, 3, 5, alpha), reference = network(8, 3, 5, alpha);
        for (mdMain* m : {s.get(), reference.get()}) {
            m->LearnStep = learnStep;
            setMelody(*m, DefaultMelody);
            PlaceInputs(*m, 8);
            std::string x = "x";
            for (size_t k = 1; identity && k <= 3; ++k)
                m->HiddenLayer[k]->SetActFun(x);
            if (identity)
                m->OutNeuron->SetActFun(x);
            prepare(*m, GetParam());
        }
        const TeachOutcome outcome = teach(*s, GetParam(), 0.4, 1000);
        const TeachOutcome expected = TeachNSPlain(*reference, 0.4, 1000);
        EXPECT_EQ(std::tuple(outcome.diverged, outcome.iterations, expected.iterations),
                  std::tuple(true, identity ? 4 : 1, identity ? 4 : 1));
        EXPECT_TRUE(std::ranges::all_of(weights(*s), [](double w) { return std::isfinite(w); }));
        EXPECT_TRUE(sameBits(weights(*s), weights(*reference)));
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, EveryPath, ::testing::Values(Path::Kernel, Path::ThroughNeurons, Path::Reference));

TEST_F(TrainingTest, WindowsAreTrainedInTurnWithTheirShares) {
    // notes, inputs, LearnStep, iterations; then the windows, the iterations per
    // window (0 windows: not trained) and whether the training diverged.
    const std::tuple<int, int32_t, double, int32_t, int32_t, int32_t, bool> cases[] = {
        {12, 8, 1.0, 10000, 4, 2500, false}, {12, 8, 1.0, 10003, 4, 2500, false}, {12, 8, 1.0, 3, 4, 0, false},
        {9, 8, 1.0, 1234, 1, 1234, false},   {5, 8, 1.0, 1234, 1, 1234, false},   {2, 8, 1.0, 100, 0, 0, false},
        {12, 1, 1.0, 100, 0, 0, false},      {12, 8, 0.0, 100, 0, 0, false},      {12, 8, 1e308, 10000, 4, 2500, true}};
    for (const auto& [notes, n, learnStep, iterations, windows, share, diverged] : cases) {
        SCOPED_TRACE(testing::Message() << notes << " notes, " << n << " inputs, " << learnStep << ", " << iterations);
        auto s = network(n, 3, 11), manual = network(n, 3, 11);
        const std::vector<uint8_t> melody(DefaultMelody.begin(), DefaultMelody.begin() + notes);
        for (mdMain* m : {s.get(), manual.get()}) {
            m->LearnStep = learnStep;
            setMelody(*m, melody);
        }
        const MelodyTrainingOutcome outcome = TrainMelody(*s, iterations);
        EXPECT_EQ(std::tuple(outcome.trained, outcome.windows, outcome.iterationsPerWindow, outcome.diverged,
                             outcome.cancelled),
                  std::tuple(windows > 0, windows, share, diverged, false));
        // The same by hand: pauses once (an input neuron's Result follows its Displacing by
        // differences, so its last bits depend on the history), then each window in turn.
        for (size_t j = 1; windows > 0 && j <= size_t(n); ++j)
            manual->InLayer[j]->setDisplacing(-0.5);
        int64_t run = 0;
        for (int32_t p = notes - windows; p < notes; ++p) {
            for (int32_t j = std::max(1, n - p + 1); j <= n; ++j)
                manual->InLayer[size_t(j)]->setDisplacing(NoteToValue(melody[size_t(p - n + j - 1)]));
            const TeachOutcome taught = TeachNSPlain(*manual, NoteToValue(melody[size_t(p)]), share);
            run += taught.iterations;
            if (taught.diverged)
                break;
        }
        EXPECT_EQ(outcome.iterationsRun, run);
        EXPECT_TRUE(sameBits(weights(*s), weights(*manual)));
        EXPECT_EQ(inputs(*s), inputs(*manual));
    }
    mdMain empty(library);
    empty.CreateOutNeuron();
    EXPECT_THROW(TeachNS(empty, 0.0, 1), std::logic_error);
    EXPECT_THROW(TrainMelody(empty, 1), std::logic_error);
    for (const bool input : {true, false}) {
        auto holed = network(4, 3);
        (input ? holed->InLayer[2] : holed->HiddenLayer[3]) = nullptr;
        EXPECT_THROW(TeachNS(*holed, 0.0, 1), std::logic_error) << input;
    }
}

// What is done to a network before (and for the last three, between) two trainings.
enum class Arrangement {
    AsBuilt,
    // A missing link and a self-evaluating output, so that it trains through the neurons.
    MissingLinkAndSelfEvaluatingOutput,
    // The first hidden neuron weighs an input holding 0 by 1e301: every step checks its new weights first.
    HugeWeightOnAZeroInput,
    // A missing link on the last neuron only.
    MissingLastLink,
    // Between the trainings the last hidden neuron's first input is linked to the second input neuron.
    RelinkedBetween,
    // Between the trainings a new neuron takes the input layer's first place.
    NewInputNeuronBetween,
    // The largest double weighs an input with Result and Displacing 0; between the trainings the input
    // gets Displacing 1 and LearnStep 1e148, so that only that weight would overflow.
    OverflowOnlyInTheSecond,
    // The only input has Result 0 and Displacing -0 and weighs -0, which one step turns into 0 or -0.
    NegativeZero,
};

// Changes the network before the first training.
void Prepare(mdMain& s, Arrangement setup, int32_t h, int32_t n) {
    using enum Arrangement;
    if (setup == MissingLinkAndSelfEvaluatingOutput) {
        s.OutNeuron->setAutoOperate(true);
        s.HiddenLayer[2]->setINeuron(3, nullptr);
    } else if (setup == HugeWeightOnAZeroInput) {
        s.HiddenLayer[1]->setIWeight(1, 1e301);
    } else if (setup == MissingLastLink) {
        s.HiddenLayer[size_t(h)]->setINeuron(n, nullptr);
    } else if (setup == NegativeZero || setup == OverflowOnlyInTheSecond) {
        CNeuron& input = *s.InLayer[setup == NegativeZero ? 1 : 2];
        input.setAutoOperate(false);
        input.setDisplacing(0.0);
        input.Operate();
        if (setup == NegativeZero) {
            input.setDisplacing(-0.0);
            s.HiddenLayer[1]->setIWeight(1, -0.0);
        } else {
            // A positive output of the first hidden neuron gives its weights positive steps.
            s.HiddenLayer[1]->setDisplacing(2.0);
            s.HiddenLayer[1]->setIWeight(2, std::numeric_limits<double>::max());
        }
    }
}

// Changes the network between the two trainings; false when the setup trains once.
bool ChangeBetween(mdMain& s, Arrangement setup, int32_t h, const NeuronRef& fresh) {
    using enum Arrangement;
    if (setup == RelinkedBetween) {
        s.HiddenLayer[size_t(h)]->setINeuron(1, s.InLayer[2]);
    } else if (setup == NewInputNeuronBetween) {
        s.InLayer[1] = fresh;
        s.InLayer[1]->setDisplacing(0.25);
    } else if (setup == OverflowOnlyInTheSecond) {
        s.InLayer[2]->setDisplacing(1.0);
        s.LearnStep = 1e148;
    }
    return setup == RelinkedBetween || setup == NewInputNeuronBetween || setup == OverflowOnlyInTheSecond;
}

TEST_F(TrainingTest, FastTrainingMatchesNeuronByNeuronBitForBit) {
    using enum Arrangement;
    // inputs, hidden, Alpha, target, limit, setup
    // clang-format off
    const std::tuple<int32_t, int32_t, double, double, int32_t, Arrangement> cases[] = {
        {1, 1, 1.0, 0.3, 50, AsBuilt}, {8, 3, 1.0, 0.125, 500, AsBuilt}, {2, 8, 0.5, -0.4, 200, AsBuilt},
        {13, 9, 2.0, 0.45, 300, AsBuilt}, {7, 5, 1.0, 0.2, 300, AsBuilt}, {64, 6, 1.0, -0.2, 100, AsBuilt},
        {100, 24, 1.0, 0.33, 20, AsBuilt}, {30, 37, 1.0, -0.1, 40, AsBuilt}, {3, 16, 1.0, 0.4, 60, AsBuilt},
        {5, 4, 1.0, 0.25, 1, AsBuilt}, {9, 19, 1.0, 0.2, 50, AsBuilt}, {5, 27, 1.0, -0.3, 50, AsBuilt},
        {3, 35, 1.0, 0.3, 40, AsBuilt}, {4, 3, 1.0, 0.3, 40, MissingLinkAndSelfEvaluatingOutput},
        {6, 5, 1.0, 0.3, 40, HugeWeightOnAZeroInput}, {4, 5, 1.0, 0.3, 40, MissingLastLink},
        {4, 9, 1.0, 0.3, 40, RelinkedBetween}, {4, 9, 1.0, 0.3, 40, NewInputNeuronBetween},
        {4, 9, 1.0, 0.3, 40, OverflowOnlyInTheSecond}, {1, 9, 1.0, 0.3, 1, NegativeZero}};
    // clang-format on
    for (const TrainingLanes lanes : {TrainingLanes::Four, TrainingLanes::Eight})
        for (const auto& [n, h, alpha, target, limit, setup] : cases) {
            SCOPED_TRACE(testing::Message() << n << "-" << h << " setup " << int(setup) << " lanes " << int(lanes));
            auto fast = network(n, h, 77, alpha, {}, lanes), plain = network(n, h, 77, alpha);
            for (mdMain* s : {fast.get(), plain.get()}) {
                // Biases as a loaded file may bring them, and input values placed twice.
                for (size_t k = 1; k <= size_t(h); ++k)
                    s->HiddenLayer[k]->setDisplacing(0.01 * double(k) - 0.05);
                s->OutNeuron->setDisplacing(0.03);
                for (size_t j = 1; j <= size_t(n); ++j) {
                    s->InLayer[j]->setDisplacing(-0.5);
                    s->InLayer[j]->setDisplacing(
                        setup == HugeWeightOnAZeroInput && j == 1 ? 0.0 : double((j * 5) % 49) / 48.0 - 0.5);
                }
                Prepare(*s, setup, h, n);
            }
            const TeachOutcome a = TeachNS(*fast, target, limit), b = TeachNSPlain(*plain, target, limit);
            EXPECT_EQ(std::tuple(a.iterations, a.reachedTarget, a.diverged),
                      std::tuple(b.iterations, b.reachedTarget, false));
            const bool again = ChangeBetween(*fast, setup, h, neuron()) && ChangeBetween(*plain, setup, h, neuron());
            if (!again) {
                EXPECT_TRUE(sameBits(weights(*fast), weights(*plain)));
                continue;
            }
            const TeachOutcome c = TeachNS(*fast, -target, limit), d = TeachNSPlain(*plain, -target, limit);
            const bool overflow = setup == OverflowOnlyInTheSecond;
            EXPECT_EQ(std::tuple(c.iterations, c.diverged, d.diverged), std::tuple(d.iterations, overflow, overflow));
            EXPECT_TRUE(sameBits(weights(*fast), weights(*plain)));
        }
}

TEST_F(TrainingTest, ANetworkAsBuiltTrainsInItsBlock) {
    // Whether training found the links of the block's neurons right, which
    // only training in the block does (the layers are too small for the
    // forward pass to sweep).
    enum Change { None, SelfEvaluatingOutput, HiddenNeuronsSwapped, HiddenLinkMoved };
    const std::pair<Change, bool> cases[] = {
        {None, true}, {SelfEvaluatingOutput, false}, {HiddenNeuronsSwapped, false}, {HiddenLinkMoved, false}};
    for (const auto& [change, inBlock] : cases) {
        SCOPED_TRACE(change);
        auto s = network(8, 3, 5);
        if (change == SelfEvaluatingOutput)
            s->OutNeuron->setAutoOperate(true);
        else if (change == HiddenNeuronsSwapped) {
            std::swap(s->HiddenLayer[1], s->HiddenLayer[2]);
            s->OutNeuron->setINeuron(1, s->HiddenLayer[1]);
            s->OutNeuron->setINeuron(2, s->HiddenLayer[2]);
        } else if (change == HiddenLinkMoved)
            s->HiddenLayer[3]->setINeuron(8, s->InLayer[1]);
        PlaceInputs(*s, 8);
        TeachNS(*s, 0.4, 10);
        EXPECT_EQ(s->HiddenLayer[1]->weightBlock()->linksChecked(), inBlock);
    }
}

TEST_F(TrainingTest, CancelStopsAfterTheCurrentIterationWithItsWeights) {
    // path (the reference row trains a melody), cancel from another thread
    // rather than before the call.
    for (const Path path : {Path::Kernel, Path::ThroughNeurons, Path::Reference})
        for (const bool fromThread : {false, true}) {
            SCOPED_TRACE(testing::Message() << int(path) << " " << fromThread);
            const bool melody = path == Path::Reference;
            auto s = network(8, 3, 5), reference = network(8, 3, 5);
            for (mdMain* m : {s.get(), reference.get()}) {
                m->LearnStep = 0.01; // so slow that no window reaches its target before the cancel
                setMelody(*m, DefaultMelody);
                PlaceInputs(*m, 8);
                prepare(*m, path);
            }
            TrainingControl control;
            control.iterations = 1000; // counted by an earlier run
            control.cancel = !fromThread;
            TeachOutcome taught;
            MelodyTrainingOutcome trained;
            std::thread worker([&] {
                if (melody)
                    trained = TrainMelody(*s, 40'000'000, &control);
                else
                    taught = TeachNS(*s, 0.4, 10'000'000, &control);
            });
            while (fromThread && control.iterations.load() < 1600)
                std::this_thread::yield();
            control.cancel = true;
            worker.join();
            const int64_t run = melody ? trained.iterationsRun : taught.iterations;
            EXPECT_EQ(
                std::pair(melody ? trained.cancelled : taught.cancelled, melody ? trained.diverged : taught.diverged),
                std::pair(true, false));
            EXPECT_EQ(control.iterations.load(), 1000 + run);
            EXPECT_GE(run, fromThread ? 600 : 1);
            EXPECT_LT(run, fromThread ? 10'000'000 : 2);
            // The reference from where the run started; TrainMelody places the first window again.
            if (melody)
                PlaceInputs(*reference, 8);
            TeachNSPlain(*reference, melody ? NoteToValue(DefaultMelody[8]) : 0.4, int32_t(run));
            EXPECT_TRUE(sameBits(weights(*s), weights(*reference)));
            EXPECT_EQ(inputs(*s), inputs(*reference));
        }
}

} // namespace
