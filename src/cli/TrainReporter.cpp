#include "cli/TrainReporter.h"

#include "app/Messages.h"
#include "cli/CliOutput.h"

#include <array>

namespace cli = app::messages::cli;

TrainReporter::TrainReporter(std::ostream& out, std::ostream& err, bool json, const app::Session& session)
    : out_(out), err_(err), session_(session), json_(json) {
    describe();
    ending_["plot"] = nullptr;
    ending_["saved"] = nullptr;
    ending_["untilExact"] = nullptr;
    if (!json_)
        return;
    std::string text = JsonText({{"alpha", session_.shape().alpha}});
    text.pop_back(); // the closing brace comes with the end
    out_ << text << ",\"clicks\":[";
}

TrainReporter::~TrainReporter() {
    finish();
}

void TrainReporter::describe() {
    const app::NetworkShape shape = session_.shape();
    ending_["hidden"] = shape.hiddenCount;
    ending_["input"] = shape.inputCount;
    ending_["notes"] = session_.defaultContinuationCount();
    ending_["step"] = shape.learnStep;
}

void TrainReporter::click(int64_t click, const app::LearningReport& report) {
    if (!json_) {
        out_ << cli::ClickLine(click, report, session_.shape().learnStep) << '\n';
        return;
    }
    if (finished_)
        return;
    out_ << (firstClick_ ? "" : ",")
         << JsonText({
                {"click", click},
                {"meanError", report.windows.empty() ? nlohmann::json() : nlohmann::json(report.meanError)},
                {"exact", report.exact},
                {"windows", report.windows.size()},
                {"trained", report.trained},
                {"iterationsPerWindow", report.iterationsPerWindow},
                {"diverged", report.diverged},
                {"interrupted", report.cancelled},
                {"iterationsRun", report.iterationsRun},
            });
    firstClick_ = false;
}

void TrainReporter::conflicts(const app::LearnableWindows& count) {
    const std::string text = app::messages::ConflictingWindows(count);
    // Flushed: the run that follows may take a while.
    if (!json_ && !text.empty())
        out_ << text << std::endl;
}

void TrainReporter::untilExact(const app::TrainUntilOutcome& outcome) {
    static constexpr std::array<const char*, 6> EndNames = {"allLearnable", "stalled",    "timeLimit",
                                                            "cancelled",    "notTrained", "failed"};
    const std::string text = app::messages::TrainUntilEnded(outcome);
    nlohmann::json until = {{"end", EndNames[static_cast<size_t>(outcome.end)]},
                            {"windows", outcome.count.windows},
                            {"learnable", outcome.count.learnable},
                            {"exact", outcome.exact},
                            {"epochs", outcome.epochs},
                            {"seconds", outcome.seconds},
                            {"message", text}};
    if (outcome.suggestedHidden > 0)
        until["suggestedHidden"] = outcome.suggestedHidden;
    ending_["untilExact"] = std::move(until);
    if (!json_)
        out_ << text << '\n';
}

void TrainReporter::trained(bool interrupted) {
    describe();
    ending_["interrupted"] = interrupted;
}

void TrainReporter::saved(const std::string& path) {
    ending_["saved"] = path;
    if (!json_)
        out_ << cli::NetworkSaved(path) << '\n';
}

void TrainReporter::plotted(const std::string& path) {
    ending_["plot"] = path;
    if (!json_)
        out_ << cli::CurveWritten(path) << '\n';
}

int TrainReporter::fail(int status, const std::string& message) {
    finish(message);
    return Fail(err_, status, message);
}

void TrainReporter::finish() {
    finish({});
}

void TrainReporter::finish(const std::string& failure) {
    if (!json_ || finished_)
        return;
    finished_ = true;
    if (!failure.empty())
        ending_["failure"] = failure;
    out_ << "]," << JsonText(ending_).substr(1) << '\n';
}
