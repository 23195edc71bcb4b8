#include "cli/CliTrain.h"

#include "app/Defaults.h"
#include "app/Messages.h"
#include "app/Session.h"
#include "app/TrainUntil.h"
#include "cli/CliOutput.h"
#include "cli/CliPictures.h"
#include "cli/ClickWatcher.h"
#include "cli/CommonOptions.h"
#include "cli/FileOptions.h"
#include "cli/TrainReporter.h"

#include <cstdint>
#include <mutex>
#include <optional>

namespace {

namespace cli = app::messages::cli;

constexpr CliArguments::Option Options[] = {
    {"load", true},
    {"input", true},
    {"hidden", true},
    {"alpha", true},
    {"step", true},
    {"seed", true},
    {"melody", true, true},
    {"melody-file", true},
    {"track", true},
    {"iterations", true},
    {"clicks", true},
    {"save", true},
    {"save-interrupted", false},
    {"json", false},
    {"help", false},
    {"until-exact", false},
    {"max-seconds", true},
    {"max-clicks", true},
#ifdef MELODYNET_CLI_PICTURES
    {"plot", true},
#endif
};

// The options of train beyond those the subcommands share.
struct TrainSettings {
    int64_t inputCount = app::defaults::InputCountValue;
    int64_t hiddenCount = 0;
    double alpha = 1.0;
    double step = 1.0;
    std::optional<uint64_t> seed;
    int64_t iterations = app::defaults::IterationsValue;
    int64_t clicks = 1;
    bool untilExact = false;
    double maxSeconds = app::DefaultTrainUntilSeconds;
};

// Reads the numbers of the network and of its training.
int ReadNumbers(const CliArguments& args, TrainSettings& settings, std::ostream& err) {
    std::string error;
    if (!args.readInteger("input", app::defaults::MinInputCount, app::limits::LayerNeurons, settings.inputCount,
                          error) ||
        !args.readInteger("hidden", app::defaults::MinHiddenCount, app::limits::LayerNeurons, settings.hiddenCount,
                          error) ||
        !args.readReal("alpha", settings.alpha, error) || !args.readReal("step", settings.step, error) ||
        !args.readUnsigned("seed", settings.seed, error) ||
        !args.readInteger("iterations", 0, INT32_MAX, settings.iterations, error) ||
        !args.readInteger("clicks", 0, app::limits::Clicks, settings.clicks, error))
        return Fail(err, CliUsageError, cli::OfCommand("train", error));
    // A step that is not above zero (or became 0 when read) would train nothing.
    if (args.has("step") && !(settings.step > 0.0))
        return Fail(err, CliUsageError, cli::OfCommand("train", cli::StepNotPositive(*args.text("step"))));
    settings.untilExact = args.has("until-exact");
    if (!args.readReal("max-seconds", settings.maxSeconds, error))
        return Fail(err, CliUsageError, cli::OfCommand("train", error));
    return CliSuccess;
}

// Refuses options that do not go together; sets the default hidden count.
int CheckCombinations(const CliArguments& args, TrainSettings& settings, std::ostream& err) {
    const bool until = settings.untilExact;
    const char* problem = nullptr;
    if (args.has("max-clicks"))
        problem = cli::MaxClicksGone;
    else if (until && args.has("clicks"))
        problem = cli::ClicksWithUntil;
    else if (until && args.has("iterations"))
        problem = cli::IterationsWithUntil;
    else if (!until && args.has("max-seconds"))
        problem = cli::MaxSecondsAlone;
    if (problem)
        return Fail(err, CliUsageError, cli::OfCommand("train", problem));
    if (!(settings.maxSeconds > 0.0 && settings.maxSeconds <= app::MaxTrainUntilSeconds))
        return Fail(err, CliUsageError, cli::OfCommand("train", cli::MaxSecondsRange(app::MaxTrainUntilSeconds)));
#ifdef MELODYNET_CLI_PICTURES
    if (const int status = CheckPicturePath(args, "plot", "train", err); status != CliSuccess)
        return status;
#endif
    if (args.has("load") && (args.has("input") || args.has("hidden") || args.has("alpha")))
        return Fail(err, CliUsageError, cli::OfCommand("train", cli::ShapeWithLoad));
    if (!args.has("hidden"))
        settings.hiddenCount = app::Session::DefaultHiddenCount(static_cast<int32_t>(settings.inputCount));
    return CliSuccess;
}

// Refuses a --save or --plot onto a file the run reads or writes; the
// network may be trained further into its own file.
int RefuseOwnFiles(const CliArguments& args, std::ostream& err) {
    FileOptions files;
    files.read(args, "load");
    files.read(args, "melody-file");
    files.written(args, "save", app::Session::SavePath(args.text("save").value_or("")), "load");
    files.written(args, "plot");
    return files.refuse("train", err);
}

// The network of the settings, unless one was loaded, and its learning step and seed.
int PrepareNetwork(app::Session& session, const CliArguments& args, const TrainSettings& settings, std::ostream& err) {
    if (!args.has("load")) {
        session.SetShape(static_cast<int32_t>(settings.inputCount), static_cast<int32_t>(settings.hiddenCount),
                         settings.alpha);
        if (const app::Failure failure = session.CheckShape())
            return Fail(err, CliUsageError, cli::OfCommand("train", app::messages::Text(failure)));
    }
    if (args.has("step") || !args.has("load"))
        session.SetLearnStep(settings.step);
    session.SetSeed(settings.seed);
    return CliSuccess;
}

// How the training went, for what follows it.
struct TrainingEnd {
    int status = CliSuccess; // other than success: the run failed and was told
    bool interrupted = false;
    int64_t untrained = 0; // clicks that did not train
};

// Clicks "Научить" as often as asked, or until Ctrl-C.
TrainingEnd TrainClicks(app::Session& session, const TrainSettings& settings, TrainReporter& reporter,
                        ClickWatcher& watcher) {
    TrainingEnd end;
    for (int64_t click = 1; click <= settings.clicks && !end.interrupted; ++click) {
        app::TrainingControl control;
        watcher.watch(click, settings.iterations, &control);
        const app::TrainingResult result = session.Train(static_cast<int32_t>(settings.iterations), &control);
        watcher.watch(click, 0, nullptr);
        if (result.failure) {
            end.status = reporter.fail(CliFailure, app::messages::Text(result.failure));
            return end;
        }
        end.interrupted = result.report.cancelled;
        end.untrained += result.report.trained ? 0 : 1;
        reporter.click(click, result.report);
    }
    return end;
}

// "Учить до результата", its progress shown while it runs.
TrainingEnd TrainUntilExact(app::Session& session, const TrainSettings& settings, TrainReporter& reporter,
                            ClickWatcher& watcher) {
    reporter.conflicts(app::CountLearnable(session));
    app::TrainingControl control;
    std::mutex guard;
    app::TrainUntilProgress latest;
    watcher.watch(
        [&] {
            const std::lock_guard lock(guard);
            return app::messages::TrainUntilProgressText(latest);
        },
        &control);
    const app::TrainUntilOutcome outcome = app::TrainUntil(
        session, {.maxSeconds = settings.maxSeconds, .seed = settings.seed},
        [&](const app::TrainUntilProgress& now) {
            const std::lock_guard lock(guard);
            latest = now;
            return true;
        },
        &control);
    watcher.watch(0, 0, nullptr);
    TrainingEnd end;
    if (outcome.end == app::TrainUntilEnd::Failed || outcome.end == app::TrainUntilEnd::NotTrained) {
        end.status = reporter.fail(CliFailure, app::messages::TrainUntilEnded(outcome));
        return end;
    }
    end.interrupted = outcome.end == app::TrainUntilEnd::Cancelled;
    reporter.untilExact(outcome);
    return end;
}

// After the training: saves the network, then draws the curve (a side task
// that must not cost the trained network), and tells how the run ended.
int FinishTraining(CliSession& session, const CliArguments& args, const TrainingEnd& end, TrainReporter& reporter,
                   std::ostream& err) {
    reporter.trained(end.interrupted);
    const std::optional<std::string> path = args.text("save");
    if (path && (!end.interrupted || args.has("save-interrupted"))) {
        const app::SaveResult saved = session->Save(*path);
        if (saved.failure)
            return reporter.fail(CliFailure, app::messages::Text(saved.failure));
        reporter.saved(saved.path);
    }
#ifdef MELODYNET_CLI_PICTURES
    if (const std::optional<std::string> plot = args.text("plot")) {
        if (const std::string problem = WriteCurve(*plot, *session, session.files()); !problem.empty())
            return reporter.fail(CliFailure, problem);
        reporter.plotted(*plot);
    }
#endif
    const double step = session->shape().learnStep;
    if (end.untrained > 0 && !(step > 0.0))
        return reporter.fail(CliFailure, cli::NotTrained(step));
    reporter.finish();
    if (end.interrupted)
        return Fail(err, CliInterrupted, cli::Interrupted(path && !args.has("save-interrupted")));
    return CliSuccess;
}

} // namespace

int RunTrain(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    int status = CliSuccess;
    const std::optional<CliArguments> args =
        StartCommand(arguments, Options, "train", cli::TrainHelp(PicturesDrawn), out, err, status);
    if (!args)
        return status;
    TrainSettings settings;
    CommonOptions common;
    if ((status = ReadNumbers(*args, settings, err)) != CliSuccess ||
        (status = CheckCombinations(*args, settings, err)) != CliSuccess ||
        (status = common.read(*args, "train", err)) != CliSuccess ||
        (status = RefuseOwnFiles(*args, err)) != CliSuccess)
        return status;

    return Guarded(err, [&]() -> int {
        const std::unique_ptr<CliSession> session = common.open(
            err, status, [&](app::Session& opened) { return PrepareNetwork(opened, *args, settings, err); });
        if (!session)
            return status;
        TrainReporter reporter(out, err, args->has("json"), **session);
        ClickWatcher watcher(err);
        const TrainingEnd end = settings.untilExact ? TrainUntilExact(**session, settings, reporter, watcher)
                                                    : TrainClicks(**session, settings, reporter, watcher);
        if (end.status != CliSuccess)
            return end.status;
        return FinishTraining(*session, *args, end, reporter, err);
    });
}
