#include "cli/CliCommands.h"

#include "app/Defaults.h"
#include "app/Messages.h"
#include "app/Session.h"
#include "app/TrainUntil.h"
#include "cli/CliArguments.h"
#include "cli/ClickWatcher.h"
#include "cli/CliTracks.h"
#include "cli/FileOptions.h"
#include "cli/TrainJson.h"
#include "engine/FormulaLibrary.h"
#include "melody/CommandFiles.h"
#include "melody/MelodyText.h"
#include "numbers/NumberText.h"
#include "platform/DynamicLibrary.h"
#include "platform/QtFileSystem.h"
#include "platform/QtProcessStarter.h"
#include "storage/NetworkFile.h"

#ifdef MELODYNET_CLI_PICTURES
#include "plot/CurvePainter.h"
#include "plot/PianoRollPainter.h"
#include "plot/PictureFile.h"
#endif

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <sstream>

namespace {

using Option = CliArguments::Option;

constexpr int64_t DefaultInputCount = 8;
constexpr int64_t DefaultIterations = 10000;
constexpr int64_t MaxClicks = 1'000'000;

constexpr std::string_view Usage =
    "Использование: melodynet-cli <команда> [параметры]\n"
    "Команды:\n"
    "  train     обучить новую или загруженную сеть на мелодии и сохранить её\n"
    "  predict   предсказать ноту после мелодии\n"
    "  continue  продолжить мелодию и показать текст команды для проигрывателя\n"
    "  command   показать текст команды для проигрывателя\n"
    "  play      сыграть мелодию или записать её в WAV-файл\n"
    "  tracks    показать дорожки MIDI-файла и ту, что берётся мелодией\n"
    "melodynet-cli <команда> --help (-h) покажет параметры команды,\n"
    "melodynet-cli --version — версию.\n"
    "Коды выхода: 0 — успех, 1 — ошибка при выполнении, 2 — ошибка в командной строке,\n"
    "130 — прервано (Ctrl-C).\n";

constexpr std::string_view MelodyHelp = "  --melody ТЕКСТ         мелодия: коды нот через запятую (по умолчанию\n"
                                        "                         \"3, 8, 11, 3, 8, 11, 4, 8, 10, 1, 8, 10\")\n"
                                        "  --melody-file ФАЙЛ     прочитать мелодию из файла: коды нот через запятую\n"
                                        "                         или с новой строки, или MIDI-файл\n"
                                        "  --track N              дорожка MIDI-файла, с 1 (по умолчанию та, что\n"
                                        "                         похожа на мелодию; см. melodynet-cli tracks)\n";

constexpr std::string_view ExportHelp =
    "  --midi ФАЙЛ            записать мелодию в MIDI-файл (формат 0, темп 120)\n"
    "  --wav ФАЙЛ             записать звук мелодии в WAV-файл через проигрыватель\n"
    "  --program N            инструмент General MIDI, 0..127 (по умолчанию 0, фортепиано)\n";

constexpr std::string_view LengthHelp = "  --note-length N        длительность ноты, 1..64 (по умолчанию 8)\n"
                                        "  --pause-length N       длительность паузы, 1..64 (по умолчанию 8)\n";

// Writes a failure line and returns its status.
int Fail(std::ostream& err, int status, const std::string& message) {
    // One line, also for messages the window shows in several.
    std::string line = message;
    for (char& c : line)
        if (c == '\n')
            c = ' ';
    err << "melodynet-cli: " << line << '\n';
    return status;
}

int Fail(std::ostream& err, const app::Failure& failure) {
    return Fail(err, CliFailure, app::messages::Text(failure));
}

std::string Fixed(double value, int digits) {
    std::array<char, 64> buffer{};
    const auto [end, ec] =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, digits);
    if (ec != std::errc())
        return NumberText(value);
    return std::string(buffer.data(), end);
}

bool WantsHelp(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments)
        if (argument == "--help" || argument == "-h")
            return true;
    return false;
}

// The platform services and the session of one command.
class CliSession {
public:
    // nullopt after telling `err` when the formula library cannot be loaded.
    static std::unique_ptr<CliSession> Open(std::ostream& err) {
        FormulaLibrary::Loading library = FormulaLibrary::loadBesideProgram();
        if (!library) {
            Fail(err, CliFailure,
                 std::string(app::messages::FormulaLibraryMissing) + " " +
                     app::messages::FormulaLibraryReason(library.error()));
            return nullptr;
        }
        return std::unique_ptr<CliSession>(new CliSession(std::move(*library)));
    }

    app::Session& operator*() { return session_; }
    app::Session* operator->() { return &session_; }
    platform::QtFileSystem& files() { return files_; }

private:
    explicit CliSession(std::shared_ptr<const FormulaLibrary> library)
        : session_(std::move(library), files_, starter_, locale_) {
        session_.Start();
    }

    platform::QtFileSystem files_;
    platform::QtProcessStarter starter_;
    PlainLocaleNumbers locale_;
    app::Session session_;
};

// Where the melody comes from: --melody, --melody-file (with --track), or
// the window's default melody.
struct MelodySource {
    std::string text{app::defaults::Melody};
    std::optional<std::string> file;
    std::optional<int> track; // 0-based
};

// Reads the melody options. Returns a status other than success when they conflict.
int MelodyText(const CliArguments& args, MelodySource& melody, std::ostream& err) {
    if (args.has("melody") && args.has("melody-file"))
        return Fail(err, CliUsageError, "--melody и --melody-file нельзя указывать вместе");
    int64_t track = 0;
    if (std::string error; !args.readInteger("track", 1, 65535, track, error))
        return Fail(err, CliUsageError, error);
    if (args.has("track") && !args.has("melody-file"))
        return Fail(err, CliUsageError, "--track относится к --melody-file");
    if (args.has("track"))
        melody.track = static_cast<int>(track - 1);
    if (const std::optional<std::string> text = args.text("melody"))
        melody.text = *text;
    melody.file = args.text("melody-file");
    return CliSuccess;
}

// Gives the melody to the session as the window's melody field does, and
// tells on `err` what reading or parsing it had to change.
int SetMelody(app::Session& session, const MelodySource& melody, std::ostream& err) {
    std::string text = melody.text;
    if (melody.file) {
        const app::MelodyFileResult read = session.ReadMelodyFile(*melody.file, true, melody.track);
        if (read.failure)
            return Fail(err, read.failure);
        const MidiMelody& m = read.adjusted;
        if (read.midi && m.adjusted()) {
            std::string note = app::messages::MidiAdjustments(*melody.file, m);
            for (char& c : note)
                if (c == '\n')
                    c = ' ';
            err << "melodynet-cli: предупреждение: " << note << '\n';
        }
        text = read.text;
    }
    const MelodyParseInfo info = session.SetMelodyText(text);
    if (info.truncated)
        err << "melodynet-cli: предупреждение: в мелодии " << std::to_string(info.items) << " нот, взяты первые "
            << std::to_string(info.stored) << '\n';
    if (info.clamped)
        err << "melodynet-cli: предупреждение: коды нот вне 0..255 заменены ближайшей границей\n";
    if (const std::vector<app::OutOfRangeNote> notes = app::OutOfRangeNotes(session.state()); !notes.empty())
        err << "melodynet-cli: предупреждение: " << app::messages::OutOfRange(notes) << '\n';
    return CliSuccess;
}

// The note and pause lengths of the play-command text.
struct Lengths {
    int64_t note = 8;
    int64_t pause = 8;

    void applyTo(app::Session& session) const {
        session.SetNoteLengthText(std::to_string(note));
        session.SetPauseLengthText(std::to_string(pause));
    }
};

// Reads the lengths and the melody that the text-producing commands share.
int ReadMelodyOptions(const CliArguments& args, const std::string& command, Lengths& lengths, MelodySource& melody,
                      std::ostream& err) {
    std::string error;
    if (!args.readInteger("note-length", 1, 64, lengths.note, error) ||
        !args.readInteger("pause-length", 1, 64, lengths.pause, error))
        return Fail(err, CliUsageError, command + ": " + error);
    return MelodyText(args, melody, err);
}

// A session with the play-command lengths and the melody set; null after
// telling `err`, with the exit status in `status`.
std::unique_ptr<CliSession> OpenWithMelody(const Lengths& lengths, const MelodySource& melody, std::ostream& err,
                                           int& status) {
    std::unique_ptr<CliSession> session = CliSession::Open(err);
    status = CliFailure;
    if (!session)
        return nullptr;
    lengths.applyTo(**session);
    status = SetMelody(**session, melody, err);
    if (status != CliSuccess)
        return nullptr;
    return session;
}

// Refuses a command whose results would overwrite one of its own files.
int RefuseSameFiles(const FileOptions& files, std::string_view command, std::ostream& err) {
    const std::string problem = files.sameFileProblem();
    return problem.empty() ? CliSuccess : Fail(err, CliUsageError, std::string(command) + ": " + problem);
}

// Refuses exports (--midi, --wav, --roll) onto the files the command reads or onto each other.
int RefuseSameExports(const CliArguments& args, std::string_view command, std::ostream& err) {
    FileOptions files;
    for (const std::string_view read : {"load", "melody-file"})
        files.read(args, read);
    for (const std::string_view written : {"midi", "wav", "roll"})
        files.written(args, written);
    return RefuseSameFiles(files, command, err);
}

// Loads the network file of --load into the session, as the window's load does.
int LoadNetwork(const std::string& path, app::Session& session, std::ostream& err) {
    const app::LoadResult result = session.Load(path);
    if (result.failure)
        return Fail(err, result.failure);
    return CliSuccess;
}

// Why a click with windows to train on did not train: the learning step.
std::string NotTrainedReason(double step) {
    return "шаг обучения " + NumberText(step) + " не больше нуля";
}

std::string ClickLine(int64_t click, const app::LearningReport& report, double step) {
    std::string line = "Нажатие " + std::to_string(click) + ": ";
    if (report.windows.empty())
        line += "окон для обучения нет (в мелодии меньше 3 нот)";
    else
        line += "средняя ошибка " + Fixed(report.meanError, 4) + " полутона, точно " + std::to_string(report.exact) +
                " из " + std::to_string(report.windows.size());
    if (!report.trained)
        line += report.windows.empty() ? "; обучение не выполнялось"
                                       : "; обучение не выполнялось: " + NotTrainedReason(step);
    if (report.cancelled)
        line += "; прервано после " + std::to_string(report.iterationsRun) + " итераций";
    if (report.diverged)
        line += "; обучение остановлено, чтобы веса остались конечными";
    return line;
}

// Runs one subcommand body; turns running out of memory into a failure line.
template <class Body>
int Guarded(std::ostream& err, Body body) {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return Fail(err, CliFailure, "не хватает памяти");
    }
}

// Parses the options of a subcommand; a usage error has been reported when nullopt.
std::optional<CliArguments> ParseOptions(const std::vector<std::string>& arguments, std::span<const Option> options,
                                         std::string_view command, std::ostream& err) {
    std::string error;
    std::optional<CliArguments> args = CliArguments::Parse(arguments, options, error);
    if (!args)
        Fail(err, CliUsageError, std::string(command) + ": " + error);
    return args;
}

// Writes the --midi and --wav files of a part; a status other than success on a failure.
int ExportPart(const CliArguments& args, app::Session& session, app::MelodyPart part, std::ostream& out,
               std::ostream& err) {
    int64_t program = 0;
    if (std::string error; !args.readInteger("program", 0, 127, program, error))
        return Fail(err, CliUsageError, error);
    if (const std::optional<std::string> midi = args.text("midi")) {
        if (const app::Failure failure = session.ExportMidi(part, *midi, static_cast<int>(program)))
            return Fail(err, failure);
        out << "MIDI-файл записан: " << *midi << '\n';
    }
    if (const std::optional<std::string> wav = args.text("wav")) {
        if (const app::Failure failure = session.ExportWav(part, *wav, static_cast<int>(program)))
            return Fail(err, failure);
        out << "Звук записан в " << *wav << '\n';
    }
    return CliSuccess;
}

#ifdef MELODYNET_CLI_PICTURES
constexpr int CurveWidth = 800;
constexpr int CurveHeight = 400;
// Pixels per note of the roll, as wide as a picture viewer still shows at once for a long melody.
constexpr int RollColumnWidth = 8;
constexpr int RollRowHeight = 8;
constexpr int MaxPictureWidth = 16384;

// A usage error unless the picture option names a .png or .svg file.
bool CheckPicturePath(const CliArguments& args, std::string_view name, std::string& error) {
    const std::optional<std::string> path = args.text(name);
    if (path && !PictureFile::FormatOf(*path)) {
        error = "--" + std::string(name) + ": имя файла должно оканчиваться на .png или .svg, а не «" + *path + "»";
        return false;
    }
    return true;
}

// Renders a picture into the file of the option (replacing it only when
// complete); why that failed, or empty.
std::string PictureProblem(const std::string& path, QSize size, const std::function<void(QPainter&, QRect)>& paint,
                           platform::FileSystem& files) {
    const std::string bytes = PictureFile::Render(*PictureFile::FormatOf(path), size, paint);
    const platform::FileResult<> written =
        bytes.empty() ? platform::FileFailed("рисунок не удалось построить") : files.replaceFile(path, bytes);
    if (!written)
        return "не удалось записать рисунок «" + path + "»: " + written.error().reason;
    return {};
}
#endif

} // namespace

int RunTrain(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    static constexpr Option options[] = {
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
    if (WantsHelp(arguments)) {
        out << "Использование: melodynet-cli train [параметры]\n"
               "Обучает сеть, как кнопка \"Научить\", и печатает после каждого нажатия среднюю ошибку\n"
               "в полутонах и число точно предсказанных нот.\n"
               "  --load ФАЙЛ            начать с сети из файла (иначе новая сеть)\n"
               "  --input N              входных нейронов, не меньше 2 (по умолчанию 8)\n"
               "  --hidden N             скрытых нейронов, не меньше 1 (по умолчанию наибольшее k\n"
               "                         с 2^k <= входных)\n"
               "  --alpha X              константа функции активации (по умолчанию 1)\n"
               "  --step X               шаг обучения (по умолчанию 1; заменяет шаг из файла)\n"
               "  --seed N               начальное значение генератора весов\n"
            << MelodyHelp
            << "  --iterations N         итераций за одно нажатие (по умолчанию 10000)\n"
               "  --clicks K             сколько раз нажать \"Научить\" (по умолчанию 1)\n"
               "  --until-exact          \"Учить до результата\": учить все окна мелодии сразу, пока\n"
               "                         все окна, которые можно выучить, не предсказываются точно,\n"
               "                         сеть не перестанет улучшаться или не истечёт время; оставить\n"
               "                         лучшую сеть и сказать, что остановило\n"
               "  --max-seconds S        не дольше S секунд с --until-exact (по умолчанию "
            << app::DefaultTrainUntilSeconds
            << ")\n"
               "  --save ФАЙЛ            сохранить сеть (без точки в пути добавляется .qvl)\n"
               "  --save-interrupted     сохранить сеть и после Ctrl-C (иначе прерванная не сохраняется)\n"
#ifdef MELODYNET_CLI_PICTURES
               "  --plot ФАЙЛ            нарисовать кривую обучения в файл .png или .svg\n"
#endif
               "  --json                 вывести один объект JSON\n";
        return CliSuccess;
    }
    const std::optional<CliArguments> args = ParseOptions(arguments, options, "train", err);
    if (!args)
        return CliUsageError;

    std::string error;
    int64_t inputCount = DefaultInputCount;
    int64_t hiddenCount = 0;
    double alpha = 1.0;
    double step = 1.0;
    std::optional<uint64_t> seed;
    int64_t iterations = DefaultIterations;
    int64_t clicks = 1;
    if (!args->readInteger("input", MinNetworkInputCount, mdMain::MaxLayerNeurons, inputCount, error) ||
        !args->readInteger("hidden", MinNetworkHiddenCount, mdMain::MaxLayerNeurons, hiddenCount, error) ||
        !args->readReal("alpha", alpha, error) || !args->readReal("step", step, error) ||
        !args->readUnsigned("seed", seed, error) || !args->readInteger("iterations", 0, INT32_MAX, iterations, error) ||
        !args->readInteger("clicks", 0, MaxClicks, clicks, error))
        return Fail(err, CliUsageError, "train: " + error);
    // A step that is not above zero (or became 0 when read) would train nothing.
    if (args->has("step") && !(step > 0.0))
        return Fail(err, CliUsageError,
                    "train: --step: шаг обучения должен быть положительным, а не «" + *args->text("step") + "»");
    const bool untilExact = args->has("until-exact");
    double maxSeconds = app::DefaultTrainUntilSeconds;
    if (!args->readReal("max-seconds", maxSeconds, error))
        return Fail(err, CliUsageError, "train: " + error);
    if (args->has("max-clicks"))
        return Fail(
            err, CliUsageError,
            "train: --max-clicks больше нет: --until-exact учит эпохами, а его время ограничивает --max-seconds");
    if (untilExact && args->has("clicks"))
        return Fail(err, CliUsageError,
                    "train: --clicks нельзя сочетать с --until-exact (его ограничивает --max-seconds)");
    if (untilExact && args->has("iterations"))
        return Fail(err, CliUsageError,
                    "train: --iterations не действует с --until-exact: оно учит эпохами всех окон сразу, "
                    "а его время ограничивает --max-seconds");
    if (!untilExact && args->has("max-seconds"))
        return Fail(err, CliUsageError, "train: --max-seconds действует только с --until-exact");
    if (!(maxSeconds > 0.0 && maxSeconds <= app::MaxTrainUntilSeconds))
        return Fail(err, CliUsageError,
                    "train: --max-seconds: нужно число секунд больше 0 и не больше " +
                        std::to_string(static_cast<int64_t>(app::MaxTrainUntilSeconds)));
#ifdef MELODYNET_CLI_PICTURES
    if (!CheckPicturePath(*args, "plot", error))
        return Fail(err, CliUsageError, "train: " + error);
#endif
    if (args->has("load") && (args->has("input") || args->has("hidden") || args->has("alpha")))
        return Fail(err, CliUsageError, "train: --input, --hidden и --alpha нельзя сочетать с --load");
    if (!args->has("hidden"))
        hiddenCount = app::Session::DefaultHiddenCount(static_cast<int32_t>(inputCount));
    MelodySource melody;
    if (const int status = MelodyText(*args, melody, err); status != CliSuccess)
        return status;
    FileOptions files;
    files.read(*args, "load");
    files.read(*args, "melody-file");
    files.written(*args, "save", WithNetworkExtension(args->text("save").value_or("")), "load");
    files.written(*args, "plot");
    if (const int status = RefuseSameFiles(files, "train", err); status != CliSuccess)
        return status;

    return Guarded(err, [&]() -> int {
        const std::unique_ptr<CliSession> session = CliSession::Open(err);
        if (!session)
            return CliFailure;
        if (const std::optional<std::string> path = args->text("load")) {
            if (const int status = LoadNetwork(*path, **session, err); status != CliSuccess)
                return status;
        } else {
            (*session)->SetShape(static_cast<int32_t>(inputCount), static_cast<int32_t>(hiddenCount), alpha);
            if (const app::Failure failure = (*session)->CheckShape())
                return Fail(err, CliUsageError, "train: " + app::messages::Text(failure));
        }
        if (args->has("step") || !args->has("load"))
            (*session)->SetLearnStep(step);
        (*session)->state().SetSeed(seed);
        Lengths().applyTo(**session);
        if (const int status = SetMelody(**session, melody, err); status != CliSuccess)
            return status;

        const mdMain& state = (*session)->state();
        TrainJson json(out, args->has("json"), {{"alpha", state.Alpha}});
        nlohmann::json& ending = json.ending();
        const auto describe = [&] {
            ending["hidden"] = state.HiddenCount;
            ending["input"] = state.InputCount;
            ending["notes"] = state.MelodyLen + 1;
            ending["step"] = state.LearnStep;
        };
        describe();
        ending["plot"] = nullptr;
        ending["saved"] = nullptr;
        ending["untilExact"] = nullptr;
        // Every failure from here on also ends the JSON object, with its message.
        const auto failed = [&](int status, const std::string& message) {
            json.finish(message);
            return Fail(err, status, message);
        };
        ClickWatcher watcher(err);
        bool interrupted = false;
        int64_t untrained = 0;
        const auto tell = [&](int64_t click, const app::LearningReport& report) {
            interrupted = report.cancelled;
            untrained += report.trained ? 0 : 1;
            if (json.active()) {
                json.click({
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
            } else {
                out << ClickLine(click, report, state.LearnStep) << '\n';
            }
        };
        if (untilExact) {
            const app::LearnableWindows count = app::CountLearnable(**session);
            const std::string conflicts = app::messages::ConflictingWindows(count);
            if (!json.active() && !conflicts.empty())
                out << conflicts << std::endl;
            TrainingControl control;
            std::mutex guard;
            app::TrainUntilProgress latest;
            watcher.watch(
                [&] {
                    const std::lock_guard lock(guard);
                    return app::messages::TrainUntilProgressText(latest);
                },
                &control);
            app::TrainUntilSettings settings;
            settings.maxSeconds = maxSeconds;
            settings.seed = seed;
            const app::TrainUntilOutcome outcome = app::TrainUntil(
                **session, settings,
                [&](const app::TrainUntilProgress& now) {
                    const std::lock_guard lock(guard);
                    latest = now;
                    return true;
                },
                &control);
            watcher.watch(0, 0, nullptr);
            const std::string text = app::messages::TrainUntilEnded(outcome);
            if (outcome.end == app::TrainUntilEnd::Failed || outcome.end == app::TrainUntilEnd::NotTrained)
                return failed(CliFailure, text);
            interrupted = outcome.end == app::TrainUntilEnd::Cancelled;
            static constexpr std::array<const char*, 6> EndNames = {"allLearnable", "stalled",    "timeLimit",
                                                                    "cancelled",    "notTrained", "failed"};
            nlohmann::json until = {{"end", EndNames[static_cast<size_t>(outcome.end)]},
                                    {"windows", outcome.count.windows},
                                    {"learnable", outcome.count.learnable},
                                    {"exact", outcome.exact},
                                    {"epochs", outcome.epochs},
                                    {"seconds", outcome.seconds},
                                    {"message", text}};
            if (outcome.suggestedHidden > 0)
                until["suggestedHidden"] = outcome.suggestedHidden;
            ending["untilExact"] = std::move(until);
            if (!json.active())
                out << text << '\n';
        } else {
            for (int64_t click = 1; click <= clicks && !interrupted; ++click) {
                TrainingControl control;
                watcher.watch(click, static_cast<int64_t>(iterations), &control);
                const app::TrainingResult result = (*session)->Train(static_cast<int32_t>(iterations), &control);
                watcher.watch(click, 0, nullptr);
                if (result.failure)
                    return failed(CliFailure, app::messages::Text(result.failure));
                tell(click, result.report);
            }
        }
        describe();
        ending["interrupted"] = interrupted;
        // The network first: a picture that cannot be written is a side task
        // and must not cost the trained network.
        std::string problem;
        const std::optional<std::string> path = args->text("save");
        if (path && (!interrupted || args->has("save-interrupted"))) {
            const std::string target = WithNetworkExtension(*path);
            if (const app::Failure failure = (*session)->Save(target))
                return failed(CliFailure, app::messages::Text(failure));
            ending["saved"] = target;
            if (!json.active())
                out << "Сеть сохранена в " << target << '\n';
        }
#ifdef MELODYNET_CLI_PICTURES
        if (const std::optional<std::string> plot = args->text("plot")) {
            const std::vector<app::CurvePoint>& curve = (*session)->learningCurve();
            problem = PictureProblem(
                *plot, QSize(CurveWidth, CurveHeight),
                [&](QPainter& painter, QRect target) { CurvePainter::paint(painter, target, curve); },
                session->files());
            if (problem.empty()) {
                ending["plot"] = *plot;
                if (!json.active())
                    out << "Кривая обучения записана в " << *plot << '\n';
            }
        }
#endif
        if (!problem.empty())
            return failed(CliFailure, problem);
        if (untrained > 0 && !(state.LearnStep > 0.0))
            return failed(CliFailure, "обучение не выполнялось: " + NotTrainedReason(state.LearnStep));
        json.finish();
        if (interrupted)
            return Fail(err, CliInterrupted,
                        path && !args->has("save-interrupted")
                            ? "прервано; сеть не сохранена (--save-interrupted сохранит и прерванную)"
                            : "прервано");
        return CliSuccess;
    });
}

int RunPredict(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    static constexpr Option options[] = {
        {"load", true},  {"melody", true, true}, {"melody-file", true},
        {"track", true}, {"json", false},        {"help", false},
    };
    if (WantsHelp(arguments)) {
        out << "Использование: melodynet-cli predict --load ФАЙЛ [параметры]\n"
               "Печатает код ноты, которую сеть предсказывает после мелодии (\"Предсказать ноту\").\n"
               "  --load ФАЙЛ            файл сети (обязателен)\n"
            << MelodyHelp << "  --json                 вывести один объект JSON\n";
        return CliSuccess;
    }
    const std::optional<CliArguments> args = ParseOptions(arguments, options, "predict", err);
    if (!args)
        return CliUsageError;
    const std::optional<std::string> path = args->text("load");
    if (!path)
        return Fail(err, CliUsageError, "predict: нужен параметр --load ФАЙЛ");
    MelodySource melody;
    if (const int status = MelodyText(*args, melody, err); status != CliSuccess)
        return status;

    return Guarded(err, [&]() -> int {
        const std::unique_ptr<CliSession> session = CliSession::Open(err);
        if (!session)
            return CliFailure;
        if (const int status = LoadNetwork(*path, **session, err); status != CliSuccess)
            return status;
        if (const int status = SetMelody(**session, melody, err); status != CliSuccess)
            return status;
        const app::PredictionResult result = (*session)->Predict();
        if (result.failure)
            return Fail(err, result.failure);
        const uint8_t code = result.code;
        if (args->has("json"))
            out << JsonText({{"code", code}}) << '\n';
        else
            out << std::to_string(code) << '\n';
        return CliSuccess;
    });
}

int RunContinue(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    static constexpr Option options[] = {
        {"load", true},        {"melody", true, true}, {"melody-file", true}, {"track", true},         {"notes", true},
        {"note-length", true}, {"pause-length", true}, {"json", false},       {"help", false},         {"midi", true},
        {"wav", true},         {"program", true},      {"part", true},        {"melody-notes", false},
#ifdef MELODYNET_CLI_PICTURES
        {"roll", true},
#endif
    };
    if (WantsHelp(arguments)) {
        out << "Использование: melodynet-cli continue --load ФАЙЛ [параметры]\n"
               "Продолжает мелодию (\"Продолжить мелодию\"): печатает коды продолжения через \", \"\n"
               "и на следующей строке его текст команды для проигрывателя.\n"
               "  --load ФАЙЛ            файл сети (обязателен)\n"
            << MelodyHelp << "  --notes N              нот в продолжении (по умолчанию столько же, сколько в мелодии)\n"
            << "  --melody-notes         \"Продолжить в звуках мелодии\": каждую ноту сети заменить\n"
               "                         ближайшей нотой из начала мелодии (паузой, только если они\n"
               "                         в нём есть) и её же подавать сети дальше\n"
            << LengthHelp << "  --json                 вывести один объект JSON\n"
            << ExportHelp
            << "  --part ЧАСТЬ           что записать в файлы: beginning (начало), continuation\n"
               "                         (продолжение) или whole (всё, по умолчанию)\n"
#ifdef MELODYNET_CLI_PICTURES
               "  --roll ФАЙЛ            нарисовать мелодию с продолжением и предсказаниями сети\n"
               "                         в файл .png или .svg\n"
#endif
            ;
        return CliSuccess;
    }
    const std::optional<CliArguments> args = ParseOptions(arguments, options, "continue", err);
    if (!args)
        return CliUsageError;
    const std::optional<std::string> path = args->text("load");
    if (!path)
        return Fail(err, CliUsageError, "continue: нужен параметр --load ФАЙЛ");
    int64_t notes = -1;
    if (std::string error; !args->readInteger("notes", 0, INT32_MAX, notes, error))
        return Fail(err, CliUsageError, "continue: " + error);
    app::MelodyPart part = app::MelodyPart::Whole;
    if (const std::optional<std::string> named = args->text("part")) {
        if (*named == "beginning")
            part = app::MelodyPart::Beginning;
        else if (*named == "continuation")
            part = app::MelodyPart::Continuation;
        else if (*named != "whole")
            return Fail(err, CliUsageError, "continue: --part: ожидается beginning, continuation или whole");
    }
#ifdef MELODYNET_CLI_PICTURES
    if (std::string error; !CheckPicturePath(*args, "roll", error))
        return Fail(err, CliUsageError, "continue: " + error);
#endif
    Lengths lengths;
    MelodySource melody;
    if (const int status = ReadMelodyOptions(*args, "continue", lengths, melody, err); status != CliSuccess)
        return status;
    if (const int status = RefuseSameExports(*args, "continue", err); status != CliSuccess)
        return status;

    return Guarded(err, [&]() -> int {
        int status = CliSuccess;
        const std::unique_ptr<CliSession> session = OpenWithMelody(lengths, melody, err, status);
        if (!session)
            return status;
        if (const int loaded = LoadNetwork(*path, **session, err); loaded != CliSuccess)
            return loaded;
        const int32_t requested = notes < 0 ? (*session)->state().MelodyLen + 1 : static_cast<int32_t>(notes);
        const app::ContinuationResult result = (*session)->Continue(requested, args->has("melody-notes"));
        if (result.failure)
            return Fail(err, result.failure);
        const std::vector<uint8_t>& codes = result.codes;
        if (result.shortened)
            err << "melodynet-cli: предупреждение: продолжение обрезано до " << std::to_string(codes.size())
                << " нот: в мелодии помещается не больше " << std::to_string(mdMain::MelodyCapacity) << " нот\n";
        const std::string codeText = CodeListText(codes.data(), static_cast<int32_t>(codes.size()));
        const std::string command = (*session)->CommandText(app::MelodyPart::Continuation);
        nlohmann::json rolled;
#ifdef MELODYNET_CLI_PICTURES
        if (const std::optional<std::string> path = args->text("roll")) {
            // The loaded network's own view of the melody, scored once the continuation is written.
            const app::LearningReport scored = app::ScoreWindows((*session)->state());
            const RollData roll = RollDataOf((*session)->state(), codes, &scored);
            const int width =
                std::clamp(PianoRollPainter::LabelWidth + 8 + roll.columns() * RollColumnWidth, 320, MaxPictureWidth);
            const std::string problem = PictureProblem(
                *path, QSize(width, 49 * RollRowHeight + 8),
                [&](QPainter& painter, QRect target) { PianoRollPainter::paint(painter, target, roll); },
                session->files());
            if (!problem.empty())
                return Fail(err, CliFailure, problem);
            rolled = *path;
        }
#endif
        std::ostringstream exported;
        if (const int status = ExportPart(*args, **session, part, exported, err); status != CliSuccess)
            return status;
        if (args->has("json"))
            out << JsonText({{"codes", codes}, {"requested", requested}, {"command", command}, {"roll", rolled}})
                << '\n';
        else
            out << codeText << '\n' << command << '\n' << exported.str();
        return CliSuccess;
    });
}

int RunCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    static constexpr Option options[] = {
        {"melody", true, true}, {"melody-file", true},  {"track", true},
        {"note-length", true},  {"pause-length", true}, {"help", false},
    };
    if (WantsHelp(arguments)) {
        out << "Использование: melodynet-cli command [параметры]\n"
               "Печатает текст команды для проигрывателя для мелодии.\n"
            << MelodyHelp << LengthHelp;
        return CliSuccess;
    }
    const std::optional<CliArguments> args = ParseOptions(arguments, options, "command", err);
    if (!args)
        return CliUsageError;
    Lengths lengths;
    MelodySource melody;
    if (const int status = ReadMelodyOptions(*args, "command", lengths, melody, err); status != CliSuccess)
        return status;

    return Guarded(err, [&]() -> int {
        int status = CliSuccess;
        const std::unique_ptr<CliSession> session = OpenWithMelody(lengths, melody, err, status);
        if (!session)
            return status;
        out << (*session)->CommandText(app::MelodyPart::Beginning) << '\n';
        return CliSuccess;
    });
}

int RunPlay(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    static constexpr Option options[] = {
        {"melody", true, true}, {"melody-file", true}, {"track", true},   {"note-length", true}, {"pause-length", true},
        {"wav", true},          {"midi", true},        {"program", true}, {"help", false},
    };
    if (WantsHelp(arguments)) {
        out << "Использование: melodynet-cli play [параметры]\n"
               "Записывает команду в следующий файл папки History и запускает Play,\n"
               "или с --wav и --midi записывает мелодию в файлы и ждёт окончания (без истории).\n"
            << MelodyHelp << LengthHelp << ExportHelp;
        return CliSuccess;
    }
    const std::optional<CliArguments> args = ParseOptions(arguments, options, "play", err);
    if (!args)
        return CliUsageError;
    Lengths lengths;
    MelodySource melody;
    if (const int status = ReadMelodyOptions(*args, "play", lengths, melody, err); status != CliSuccess)
        return status;
    if (const int status = RefuseSameExports(*args, "play", err); status != CliSuccess)
        return status;

    return Guarded(err, [&]() -> int {
        int status = CliSuccess;
        const std::unique_ptr<CliSession> session = OpenWithMelody(lengths, melody, err, status);
        if (!session)
            return status;
        if (args->has("wav") || args->has("midi"))
            return ExportPart(*args, **session, app::MelodyPart::Beginning, out, err);
        const app::PlayingResult result = (*session)->Play(app::MelodyPart::Beginning);
        if (result.failure)
            return Fail(err, result.failure);
        out << "Команда записана в " << result.commandFile << ", проигрыватель запущен\n";
        return CliSuccess;
    });
}

int RunCli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    if (arguments.empty())
        return Fail(err, CliUsageError, "не указана команда; melodynet-cli --help покажет список");
    const std::string& command = arguments.front();
    const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
    if (command == "--help" || command == "-h" || command == "help") {
        out << Usage;
        return CliSuccess;
    }
    if (command == "train")
        return RunTrain(rest, out, err);
    if (command == "predict")
        return RunPredict(rest, out, err);
    if (command == "continue")
        return RunContinue(rest, out, err);
    if (command == "command")
        return RunCommand(rest, out, err);
    if (command == "play")
        return RunPlay(rest, out, err);
    if (command == "tracks")
        return RunTracks(rest, out, err);
    std::string shown = command.substr(0, 80);
    for (char& c : shown)
        if (c == '\n' || c == '\r')
            c = ' ';
    return Fail(err, CliUsageError, "неизвестная команда «" + shown + "»; melodynet-cli --help покажет список");
}
