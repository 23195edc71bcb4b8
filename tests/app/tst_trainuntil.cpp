#include "app/TrainUntil.h"

#include "app/Defaults.h"
#include "app/Messages.h"
#include "app/Session.h"
#include "engine/FormulaLibrary.h"
#include "numbers/NumberText.h"
#include "platform/DynamicLibrary.h"
#include "support/PlatformFakes.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// Sessions with a fixed seed; nothing here plays.
class TrainUntilRuns : public ::testing::Test {
protected:
    std::unique_ptr<app::Session> make() {
        return std::make_unique<app::Session>(FormulaLibrary::loadFrom(platform::executableFolder()).value(), files,
                                              starter, locale);
    }

    void start(std::string_view melody, int32_t inputs, int32_t hidden) {
        session.Start();
        session.state().SetSeed(7);
        session.SetMelodyText(melody);
        session.SetShape(inputs, hidden, 1.0);
    }

    app::TrainUntilOutcome run(std::vector<app::TrainUntilProgress>* told = nullptr) {
        app::TrainUntilSettings settings;
        settings.seed = 1;
        return app::TrainUntil(session, settings, [told](const app::TrainUntilProgress& progress) {
            if (told)
                told->push_back(progress);
            return true;
        });
    }

    MemoryFileSystem files;
    FakeStarter starter{files};
    PlainLocaleNumbers locale;
    const std::unique_ptr<app::Session> owned = make();
    app::Session& session = *owned; // the session each case trains
};

// "3, 5, 7" goes on once to 9: one of 22 windows contradicts the others.
constexpr std::string_view Conflicting = "3, 5, 7, 3, 5, 9, 3, 5, 7, 12, 3, 5, 7, 3, 5, 9, 3, 5, 7, 14, 3, 5, 7, 3, 5";

TEST_F(TrainUntilRuns, ReachesTheResultAndRecordsItsEpochs) {
    start(Conflicting, 3, 8);
    const app::LearnableWindows count = app::CountLearnable(session);
    EXPECT_EQ(std::tuple(count.windows, count.learnable), std::tuple(22, 20));
    EXPECT_EQ(app::messages::ConflictingWindows(count),
              "2 окна из 22 противоречат друг другу: после одних и тех же 3 нот идут разные ноты; "
              "точно выучить можно не больше 20.");
    session.Train(100); // a click first: its point stays ahead of the epochs
    std::vector<app::TrainUntilProgress> told;
    const app::TrainUntilOutcome outcome = run(&told);
    ASSERT_TRUE(!told.empty() && session.lastResultRun() && session.trained());
    EXPECT_EQ(
        std::tuple(outcome.end, outcome.exact, session.lastReport().exact, told.back().exact, outcome.suggestedHidden),
        std::tuple(app::TrainUntilEnd::AllLearnable, 20, 20, 20, 0));
    EXPECT_EQ(std::tuple(told.back().epoch, session.lastResultRun()->epochs),
              std::tuple(outcome.epochs, outcome.epochs));
    const std::vector<app::CurvePoint>& curve = session.learningCurve();
    ASSERT_EQ(curve.size(), 1 + told.size());
    EXPECT_EQ(std::tuple(curve.front().epoch, curve.back().epoch, curve.back().exact), std::tuple(false, true, 20));

    // The trained network saves, loads and predicts like any other.
    const app::Failure saved = session.Save(files.program + "/tune.qvl").failure;
    ASSERT_FALSE(saved) << app::messages::Text(saved);
    const auto owner = make();
    app::Session& other = *owner;
    other.Start();
    other.SetMelodyText(Conflicting);
    ASSERT_FALSE(other.Load(files.program + "/tune.qvl").failure);
    EXPECT_EQ(other.Predict().code, session.Predict().code);

    // Once exact, another run trains nothing and says so.
    const app::TrainUntilOutcome again = run();
    EXPECT_EQ(std::tuple(again.end, again.epochs), std::tuple(app::TrainUntilEnd::AllLearnable, 0));
    EXPECT_NE(app::messages::TrainUntilEnded(again).find("учить нечего"), std::string::npos);
    // A click of "Научить" afterwards is a click again.
    session.Train(100);
    EXPECT_FALSE(session.lastResultRun());
}

struct EndCase {
    const char* name;
    std::string_view melody;
    int32_t inputs, hidden;
    double step; // unused by this training, whatever it is
    app::TrainUntilEnd end;
    int32_t suggestedHidden;
    const char* said; // a piece of the message
};

class TrainUntilEnds : public TrainUntilRuns, public ::testing::WithParamInterface<EndCase> {};

TEST_P(TrainUntilEnds, SayWhyAndWhatToTry) {
    const EndCase& c = GetParam();
    start(c.melody, c.inputs, c.hidden);
    session.SetLearnStep(c.step);
    const app::TrainUntilOutcome outcome = run();
    EXPECT_EQ(std::tuple(outcome.end, outcome.suggestedHidden), std::tuple(c.end, c.suggestedHidden));
    EXPECT_NE(app::messages::TrainUntilEnded(outcome).find(c.said), std::string::npos)
        << app::messages::TrainUntilEnded(outcome);
}

// Fifty windows, nearly all distinct, are more than a network of 2 inputs and 1 hidden neuron can hold.
std::string Long() {
    std::string text;
    for (int i = 0; i < 52; ++i)
        text += std::to_string(2 + (i * 17 + i * i) % 48) + ",";
    return text + "5";
}
const std::string LongMelody = Long();

const EndCase Ends[] = {
    {"Learned", app::defaults::Melody, 8, 3, 1.0, app::TrainUntilEnd::AllLearnable, 0, "Результат достигнут"},
    {"StepZero", app::defaults::Melody, 8, 3, 0.0, app::TrainUntilEnd::AllLearnable, 0, "Результат достигнут"},
    {"TooSmall", LongMelody, 2, 1, 1.0, app::TrainUntilEnd::Stalled, 13, "Попробуйте 13 скрытых нейронов"},
    {"TwoNotes", "3, 8", 8, 3, 1.0, app::TrainUntilEnd::NotTrained, 0, "Учить нечего"},
    {"OnlyOutOfRange", "3, 0, 0, 0", 2, 1, 1.0, app::TrainUntilEnd::NotTrained, 0, "Учить нечего"},
    {"TooLarge", app::defaults::Melody, 1'000'000, 1000, 1.0, app::TrainUntilEnd::Failed, 0, "сет"},
};
INSTANTIATE_TEST_SUITE_P(Table, TrainUntilEnds, ::testing::ValuesIn(Ends),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(TrainUntilRuns, CancelKeepsTheBestNetwork) {
    start(Conflicting, 3, 8);
    TrainingControl control;
    control.cancel = true;
    const app::TrainUntilOutcome outcome = app::TrainUntil(session, {}, {}, &control);
    EXPECT_EQ(std::tuple(outcome.end, outcome.exact),
              std::tuple(app::TrainUntilEnd::Cancelled, session.lastReport().exact));
    EXPECT_NE(app::messages::TrainUntilEnded(outcome).find("прервано"), std::string::npos);
}

} // namespace
