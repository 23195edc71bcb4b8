#include "app/TrainUntil.h"

#include "app/Messages.h"
#include "app/Session.h"
#include "engine/FormulaLibrary.h"
#include "numbers/NumberText.h"
#include "platform/DynamicLibrary.h"
#include "support/PlatformFakes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A session on the default melody with a fixed seed; nothing here plays or saves.
struct Rig {
    Rig() : session(FormulaLibrary::loadFrom(platform::executableFolder()), files, starter, locale) {
        session.Start();
        session.SetShape(8, 3, 1.0);
        session.SetLearnStep(1.0);
        session.state().SetSeed(7);
        session.SetNoteLengthText("8");
        session.SetPauseLengthText("8");
        session.SetMelodyText("3, 8, 11, 3, 8, 11, 4, 8, 10, 1, 8, 10");
    }
    MemoryFileSystem files;
    FakeStarter starter{files};
    PlainLocaleNumbers locale;
    app::Session session;
};

struct UntilCase {
    const char* name;
    const char* melody;
    double step;
    int32_t inputs;
    int32_t hidden;
    int32_t iterations;
    int32_t maxClicks;
    int32_t stopAfter; // the callback asks to stop after this click; 0 never
    app::TrainUntilEnd end;
    int32_t clicks; // -1: any number up to maxClicks
};

class TrainUntilEnds : public ::testing::TestWithParam<UntilCase> {};

// Each way a run ends, the clicks it made, and the curve: one point per click equal to the click's report.
TEST_P(TrainUntilEnds, ReasonClicksAndCurve) {
    const UntilCase& c = GetParam();
    Rig rig;
    rig.session.SetMelodyText(c.melody);
    rig.session.SetLearnStep(c.step);
    rig.session.SetShape(c.inputs, c.hidden, 1.0);
    std::vector<app::CurvePoint> told;
    const app::TrainUntilOutcome outcome =
        app::TrainUntil(rig.session, c.iterations, c.maxClicks, [&](int32_t click, const app::TrainingResult& result) {
            EXPECT_EQ(click, static_cast<int32_t>(told.size()) + 1);
            told.push_back(
                {result.report.meanError, result.report.exact, static_cast<int32_t>(result.report.windows.size())});
            return click != c.stopAfter;
        });
    EXPECT_EQ(outcome.end, c.end);
    if (c.clicks >= 0) {
        EXPECT_EQ(outcome.clicks, c.clicks);
    }
    EXPECT_LE(outcome.clicks, c.maxClicks);
    const std::vector<app::CurvePoint>& curve = rig.session.learningCurve();
    ASSERT_EQ(curve.size(), told.size());
    ASSERT_EQ(static_cast<int32_t>(curve.size()), outcome.clicks);
    for (size_t i = 0; i < curve.size(); ++i)
        EXPECT_TRUE(curve[i].meanError == told[i].meanError && curve[i].exact == told[i].exact &&
                    curve[i].windows == told[i].windows)
            << "click " << i + 1;
    if (c.end == app::TrainUntilEnd::AllExact) {
        EXPECT_EQ(curve.back().exact, curve.back().windows);
    }
    EXPECT_FALSE(app::messages::TrainUntilEnded(outcome, rig.session.lastReport()).empty());
}

constexpr const char* Default = "3, 8, 11, 3, 8, 11, 4, 8, 10, 1, 8, 10";
using End = app::TrainUntilEnd;

INSTANTIATE_TEST_SUITE_P(
    Table, TrainUntilEnds,
    ::testing::Values(UntilCase{"AllExact", Default, 1.0, 8, 3, 10000, 1000, 0, End::AllExact, -1},
                      // No iterations: the error never moves, the first click is the only best.
                      UntilCase{"Stalled", Default, 1.0, 8, 3, 0, 1000, 0, End::Stalled, 1 + app::StallClicks},
                      UntilCase{"Cancelled", Default, 1.0, 8, 3, 40, 1000, 3, End::Cancelled, 3},
                      UntilCase{"ClickLimit", Default, 1.0, 8, 3, 40, 5, 0, End::ClickLimit, 5},
                      UntilCase{"NoClicks", Default, 1.0, 8, 3, 40, 0, 0, End::ClickLimit, 0},
                      UntilCase{"TwoNotes", "3, 8", 1.0, 8, 3, 100, 1000, 0, End::NotTrained, 1},
                      UntilCase{"StepZero", Default, 0.0, 8, 3, 100, 1000, 0, End::NotTrained, 1},
                      UntilCase{"Diverged", Default, 1e300, 8, 3, 1000, 1000, 0, End::Diverged, 1},
                      UntilCase{"TooLarge", Default, 1.0, 1'000'000, 1000, 100, 1000, 0, End::Failed, 0}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
