#include "cli/CliPredict.h"

#include "app/Messages.h"
#include "cli/CliOutput.h"
#include "cli/CommonOptions.h"

namespace {

constexpr CliArguments::Option Options[] = {
    {"load", true}, {"melody", true, true}, {"melody-file", true}, {"track", true}, {"json", false}, {"help", false},
};

} // namespace

int RunPredict(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    int status = CliSuccess;
    const std::optional<CliArguments> args =
        StartCommand(arguments, Options, "predict", app::messages::cli::PredictHelp(), out, err, status);
    if (!args)
        return status;
    CommonOptions common;
    if ((status = CommonOptions::RequireNetwork(*args, "predict", err)) != CliSuccess ||
        (status = common.read(*args, "predict", err)) != CliSuccess)
        return status;

    return Guarded(err, [&]() -> int {
        const std::unique_ptr<CliSession> session = common.open(err, status);
        if (!session)
            return status;
        const app::PredictionResult result = (*session)->Predict();
        if (result.failure)
            return Fail(err, result.failure);
        if (args->has("json"))
            out << JsonText({{"code", result.code}}) << '\n';
        else
            out << std::to_string(result.code) << '\n';
        return CliSuccess;
    });
}
