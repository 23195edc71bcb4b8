#include "engine/Prediction.h"
#include "engine/ResultTraining.h"
#include "engine/TrainingSet.h"

#include "EngineTest.h"

#include <cmath>

namespace {

// The first 32 notes of a folk tune (a branle), as our MIDI import reads it.
const std::vector<uint8_t> Branle = {33, 35, 37, 37, 38, 37, 35, 38, 37, 35, 33, 32, 30, 28, 33, 35,
                                     37, 37, 38, 37, 35, 38, 37, 33, 35, 32, 33, 33, 33, 35, 37, 37};

// Exact windows of the network as prediction sees them.
int32_t exactWindows(mdMain& state) {
    const TrainingWindows windows = TrainingWindowsOf(state, static_cast<int32_t>(state.InLayer.size() - 1));
    int32_t exact = 0;
    for (int32_t position = windows.first; position <= windows.last; ++position) {
        PlaceInputs(state, position);
        exact += ValueToNote(state.CalcNS()) == state.Melody[static_cast<size_t>(position)];
    }
    return exact;
}

std::vector<double> parameters(const mdMain& state) {
    std::vector<double> all;
    for (size_t k = 1; k < state.HiddenLayer.size(); ++k) {
        all.push_back(state.HiddenLayer[k]->Displacing());
        for (int32_t i = 1; i <= state.HiddenLayer[k]->nInput(); ++i)
            all.push_back(state.HiddenLayer[k]->iWeight(i));
    }
    for (int32_t k = 1; k <= state.OutNeuron->nInput(); ++k)
        all.push_back(state.OutNeuron->iWeight(k));
    return all;
}

class ResultTraining : public EngineTest {};

TEST_F(ResultTraining, TrainingSetsCountWindowsThatCanBeExact) {
    // inputs, melody; windows, learnable ones, patterns
    const std::tuple<int32_t, std::vector<uint8_t>, int32_t, int32_t, int32_t> cases[] = {
        {8, DefaultMelody, 4, 4, 4},
        // (3,5) goes on to 7, 9 and 7: only the two 7s can be exact.
        {2, {3, 5, 7, 3, 5, 9, 3, 5, 7}, 7, 6, 5},
        // A tie: either note, one window of two.
        {2, {3, 5, 7, 3, 5, 9}, 4, 3, 3},
        // Codes a network cannot give are never exact; (3,5) goes on to 0 and to 60 only.
        {2, {3, 5, 0, 3, 5, 60}, 4, 2, 2},
        {2, {1, 1, 1, 1}, 2, 2, 1},
        // Right-aligned on the inputs, the one window of a short melody.
        {8, {3, 8, 11}, 1, 1, 1},
        {2, {3, 8}, 0, 0, 0},
        {2, {5}, 0, 0, 0}};
    for (const auto& [inputs, melody, windows, learnable, patterns] : cases) {
        auto state = network(inputs, 2);
        setMelody(*state, melody);
        const TrainingSet set = TrainingSet::FromMelody(*state, inputs);
        EXPECT_EQ(std::tuple(set.windows(), set.learnable(), set.patterns()), std::tuple(windows, learnable, patterns))
            << testing::PrintToString(melody);
    }
}

// A real tune learned to every window in test time, the same with the same seed.
TEST_F(ResultTraining, LearnsARealTuneToEveryLearnableWindow) {
    std::vector<double> first;
    for (int run = 0; run < 2; ++run) {
        auto state = network(8, 16, 3);
        setMelody(*state, Branle);
        ResultTrainingOptions options;
        options.seed = 1;
        const ResultOutcome outcome = TrainToResult(*state, options);
        ASSERT_EQ(outcome.end, ResultEnd::AllLearnable);
        EXPECT_EQ(std::tuple(outcome.levenbergMarquardt, outcome.windows, outcome.learnable, outcome.exact),
                  std::tuple(true, 24, 23, 23));
        EXPECT_EQ(exactWindows(*state), 23);
        if (run == 0)
            first = parameters(*state);
        else
            EXPECT_EQ(parameters(*state), first);
    }
}

TEST_F(ResultTraining, RpropLearnsTheShortTuneToo) {
    auto state = network(8, 3, 3);
    setMelody(*state, std::vector<uint8_t>(Branle.begin(), Branle.begin() + 16));
    ResultTrainingOptions options;
    options.optimizer = ResultOptimizer::Rprop;
    const ResultOutcome outcome = TrainToResult(*state, options);
    ASSERT_EQ(outcome.end, ResultEnd::AllLearnable);
    EXPECT_FALSE(outcome.levenbergMarquardt);
    EXPECT_EQ(exactWindows(*state), outcome.learnable);
}

// Every way a run stops keeps the best network it saw and leaves it in place.
TEST_F(ResultTraining, EveryStopKeepsTheBestNetwork) {
    // Alpha, time limit, the epoch after which the callback stops the run (0: never), whether the control's flag
    // is set before the run, how it ends.
    const std::tuple<const char*, double, double, int32_t, bool, ResultEnd> cases[] = {
        {"TimeLimit", 1.0, 5.0, 0, false, ResultEnd::TimeLimit},
        {"CancelledByCallback", 1.0, 1e9, 2, false, ResultEnd::Cancelled},
        {"CancelledBeforeStart", 1.0, 1e9, 0, true, ResultEnd::Cancelled},
        // Flat activation: nothing can be learned, every fresh start is stuck at once.
        {"Stalled", 0.0, 1e9, 0, false, ResultEnd::Stalled},
        // Slopes beyond the largest double: no finite step, yet the run ends.
        {"Overflowing", 1e308, 1e9, 0, false, ResultEnd::Stalled}};
    for (const auto& [name, alpha, maxSeconds, cancelAfter, cancelFirst, end] : cases) {
        SCOPED_TRACE(name);
        auto state = network(8, 4, 5, alpha);
        setMelody(*state, Branle);
        const std::vector<double> before = parameters(*state);
        const int32_t exactBefore = exactWindows(*state);
        TrainingControl control;
        control.cancel = cancelFirst;
        int32_t lastTold = -1;
        ResultTrainingOptions options;
        options.maxSeconds = maxSeconds;
        options.control = &control;
        options.clock = [now = 0.0]() mutable { return now += 1.0; }; // each reading a second later
        options.onEpoch = [&](const ResultProgress& progress) {
            EXPECT_GE(progress.exact, lastTold); // the best so far never gets worse
            EXPECT_GE(progress.meanError, 0.0);
            lastTold = progress.exact;
            return progress.epoch != cancelAfter;
        };
        const ResultOutcome outcome = TrainToResult(*state, options);
        EXPECT_EQ(outcome.end, end);
        EXPECT_EQ(outcome.exact, exactWindows(*state));
        EXPECT_GE(outcome.exact, exactBefore);
        if (outcome.epochs == 0)
            EXPECT_EQ(parameters(*state), before);
        else
            EXPECT_EQ(outcome.exact, lastTold);
        EXPECT_TRUE(std::ranges::all_of(parameters(*state), [](double p) { return std::isfinite(p); }));
        // Flat: the first start and as many fresh ones as make the stall count.
        EXPECT_TRUE(alpha != 0.0 || outcome.restarts == options.stallStarts - 1) << outcome.restarts;
    }
}

TEST_F(ResultTraining, NoWindowsNoTraining) {
    auto state = network(8, 3);
    setMelody(*state, {5, 7});
    const std::vector<double> before = parameters(*state);
    EXPECT_EQ(TrainToResult(*state, {}).end, ResultEnd::NoWindows);
    EXPECT_EQ(parameters(*state), before);
}

TEST(NearestNotes, AmongTheMelodysCodes) {
    NoteSet notes{};
    notes[5] = notes[9] = notes[20] = true;
    NoteSet withPause = notes;
    withPause[1] = true;
    const double NaN = std::nan("");
    // value, notes, the nearest; between 5 and 9 (at 7) a tie gives the lower
    // clang-format off
    const std::tuple<double, const NoteSet*, int> cases[] = {
        {NoteToValue(9), &notes, 9}, {NoteToValue(6), &notes, 5}, {NoteToValue(7), &notes, 5},
        {NoteToValue(8), &notes, 9}, {NoteToValue(1), &notes, 5}, {NoteToValue(1), &withPause, 1},
        {NoteToValue(2), &withPause, 1}, {NoteToValue(4), &withPause, 5}, {INFINITY, &notes, 20},
        {-INFINITY, &withPause, 1}, {NaN, &notes, 5}, {NoteToValue(30), &notes, 20}};
    // clang-format on
    for (const auto& [value, set, code] : cases)
        EXPECT_EQ(NearestNote(value, *set), code) << value;
    EXPECT_EQ(NearestNote(NoteToValue(30), NoteSet{}), 30); // no notes: as the network says
}

TEST_F(ResultTraining, ContinuationInTheMelodysNotes) {
    auto state = network(8, 3, 9);
    setMelody(*state, Branle);
    const NoteSet own = MelodyNotes(*state);
    const std::vector<uint8_t> notes = ContinueMelody(*state, 100, true);
    ASSERT_EQ(notes.size(), 100u);
    for (size_t i = 0; i < notes.size(); ++i) {
        EXPECT_TRUE(own[notes[i]]) << int(notes[i]);
        // What was written is what the next note was predicted from.
        EXPECT_EQ(state->Melody[static_cast<size_t>(state->MelodyLen) + 1 + i], notes[i]);
    }
}

} // namespace
