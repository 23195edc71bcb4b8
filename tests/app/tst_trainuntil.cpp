#include "app/TrainUntil.h"

#include "app/Defaults.h"
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

struct UntilCase {
    const char* name;
    double step;
    // stopAfter: the callback asks to stop after this click; 0 never
    int32_t inputs, hidden, iterations, maxClicks, stopAfter;
    app::TrainUntilEnd end;
    int32_t clicks;
};

// Sessions with a fixed seed; nothing here plays or saves.
class TrainUntilEnds : public ::testing::TestWithParam<UntilCase> {
protected:
    MemoryFileSystem files;
    FakeStarter starter{files};
    PlainLocaleNumbers locale;
    app::Session session{FormulaLibrary::loadFrom(platform::executableFolder()), files, starter, locale};
};

// Each way a run ends, the clicks it made, and the curve: one point per click equal to the click's report.
TEST_P(TrainUntilEnds, ReasonClicksAndCurve) {
    const UntilCase& c = GetParam();
    session.Start();
    session.state().SetSeed(7);
    session.SetMelodyText(app::defaults::Melody);
    session.SetLearnStep(c.step);
    session.SetShape(c.inputs, c.hidden, 1.0);
    std::vector<app::CurvePoint> told;
    const app::TrainUntilOutcome outcome =
        app::TrainUntil(session, c.iterations, c.maxClicks, [&](int32_t click, const app::TrainingResult& result) {
            EXPECT_EQ(click, static_cast<int32_t>(told.size()) + 1);
            told.push_back(
                {result.report.meanError, result.report.exact, static_cast<int32_t>(result.report.windows.size())});
            return click != c.stopAfter;
        });
    EXPECT_EQ(outcome.end, c.end);
    EXPECT_EQ(outcome.clicks, c.clicks);
    const std::vector<app::CurvePoint>& curve = session.learningCurve();
    ASSERT_EQ(curve.size(), told.size());
    ASSERT_EQ(static_cast<int32_t>(curve.size()), outcome.clicks);
    for (size_t i = 0; i < curve.size(); ++i)
        EXPECT_EQ(std::tie(curve[i].meanError, curve[i].exact, curve[i].windows),
                  std::tie(told[i].meanError, told[i].exact, told[i].windows))
            << "click " << i + 1;
    if (c.end == app::TrainUntilEnd::AllExact) {
        EXPECT_EQ(curve.back().exact, curve.back().windows);
    }
    EXPECT_FALSE(app::messages::TrainUntilEnded(outcome, session.lastReport()).empty());
}

using enum app::TrainUntilEnd;
const UntilCase Cases[] = {
    {"AllExact", 1.0, 8, 3, 10000, 1000, 0, AllExact, 55},             // measured with seed 7,
    {"Stalled", 1.0, 8, 3, 0, 1000, 0, Stalled, 1 + app::StallClicks}, // no iterations: the first click stays best
    {"Cancelled", 1.0, 8, 3, 40, 1000, 3, Cancelled, 3},
    {"ClickLimit", 1.0, 8, 3, 40, 5, 0, ClickLimit, 5},
    {"NoClicks", 1.0, 8, 3, 40, 0, 0, ClickLimit, 0},
    {"StepZero", 0.0, 8, 3, 100, 1000, 0, NotTrained, 1},
    {"Diverged", 1e300, 8, 3, 1000, 1000, 0, Diverged, 1},
    {"TooLarge", 1.0, 1'000'000, 1000, 100, 1000, 0, Failed, 0}};
INSTANTIATE_TEST_SUITE_P(Table, TrainUntilEnds, ::testing::ValuesIn(Cases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
