#pragma once

#include "app/LearningReport.h"
#include "app/Session.h"
#include "app/TrainUntil.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <ostream>
#include <string>

// What train tells about its run on `out`: a line per click and per result,
// or one JSON object written as the run goes (its opening fields, the clicks
// as they come, then the fields of the end), so that a long run holds no
// reports. A run that ends early still finishes the object, with the
// failure in it, so that every object started is valid.
class TrainReporter {
public:
    // Starts the report of training `session`; JSON when `json`.
    TrainReporter(std::ostream& out, std::ostream& err, bool json, const app::Session& session);
    // Finishes an object that was not finished, with what is known.
    ~TrainReporter();
    TrainReporter(const TrainReporter&) = delete;
    TrainReporter& operator=(const TrainReporter&) = delete;

    // One training click's report.
    void click(int64_t click, const app::LearningReport& report);
    // Which windows contradict the others, told before a run of --until-exact.
    void conflicts(const app::LearnableWindows& count);
    // How a run of --until-exact ended (one that trained).
    void untilExact(const app::TrainUntilOutcome& outcome);
    // The training is over: the network as it ended, and whether Ctrl-C stopped it.
    void trained(bool interrupted);
    // The network was saved into `path`.
    void saved(const std::string& path);
    // The learning curve was drawn into `path`.
    void plotted(const std::string& path);
    // Tells `message` on stderr and ends the object with it; returns `status`.
    int fail(int status, const std::string& message);
    // Closes the clicks and writes the fields of the end.
    void finish();

private:
    void describe();
    void finish(const std::string& failure);

    std::ostream& out_;
    std::ostream& err_;
    const app::Session& session_;
    const bool json_;
    bool finished_ = false;
    bool firstClick_ = true;
    nlohmann::json ending_ = nlohmann::json::object();
};
