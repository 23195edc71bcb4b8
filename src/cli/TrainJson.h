#pragma once

#include <nlohmann/json.hpp>

#include <ostream>
#include <string>

// The one JSON object of `train --json`, written as the run goes so that a
// long run holds no reports: first its opening fields and the clicks as they
// come, then the fields of the end. A run that ends early still finishes the
// object, with the failure in it, so that every object started is valid.
class TrainJson {
public:
    // Writes the opening fields when `active` (else nothing at all is written).
    TrainJson(std::ostream& out, bool active, const nlohmann::json& opening);
    // Finishes an object that was not finished, with what is known.
    ~TrainJson();
    TrainJson(const TrainJson&) = delete;
    TrainJson& operator=(const TrainJson&) = delete;

    bool active() const { return active_; }
    // Adds one click's report.
    void click(const nlohmann::json& report);
    // The fields written after the clicks.
    nlohmann::json& ending() { return ending_; }
    // Closes the clicks and writes the ending fields, with `failure` unless empty.
    void finish(const std::string& failure = {});

private:
    std::ostream& out_;
    bool active_;
    bool finished_ = false;
    bool firstClick_ = true;
    nlohmann::json ending_ = nlohmann::json::object();
};

// A JSON value as the tool writes it: one line, texts not in UTF-8 replaced rather than refused.
std::string JsonText(const nlohmann::json& value);
