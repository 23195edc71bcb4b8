#include "cli/TrainJson.h"

std::string JsonText(const nlohmann::json& value) {
    // Paths typed by the user need not be UTF-8; they must not abort the output.
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

TrainJson::TrainJson(std::ostream& out, bool active, const nlohmann::json& opening) : out_(out), active_(active) {
    if (!active_)
        return;
    std::string text = JsonText(opening);
    text.pop_back(); // the closing brace comes with the end
    out_ << text << (opening.empty() ? "" : ",") << "\"clicks\":[";
}

TrainJson::~TrainJson() {
    finish();
}

void TrainJson::click(const nlohmann::json& report) {
    if (!active_ || finished_)
        return;
    out_ << (firstClick_ ? "" : ",") << JsonText(report);
    firstClick_ = false;
}

void TrainJson::finish(const std::string& failure) {
    if (!active_ || finished_)
        return;
    finished_ = true;
    if (!failure.empty())
        ending_["failure"] = failure;
    const std::string text = JsonText(ending_);
    out_ << "]" << (ending_.empty() ? "}" : "," + text.substr(1)) << '\n';
}
