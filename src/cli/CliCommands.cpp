#include "cli/CliCommands.h"

#include "app/Defaults.h"
#include "app/Messages.h"
#include "app/Session.h"
#include "cli/CliArguments.h"
#include "engine/FormulaLibrary.h"
#include "melody/CommandFiles.h"
#include "melody/MelodyText.h"
#include "numbers/NumberText.h"
#include "platform/DynamicLibrary.h"
#include "platform/QtFileSystem.h"
#include "platform/QtProcessStarter.h"
#include "storage/NetworkFile.h"

#include <QDir>
#include <QProcess>
#include <QStringList>
#include <QTemporaryFile>

#include <nlohmann/json.hpp>

#include <array>
#include <charconv>
#include <cmath>
#include <exception>
#include <memory>

namespace {

using Option = CliArguments::Option;

constexpr int64_t DefaultInputCount = 8;
constexpr int64_t DefaultIterations = 10000;
constexpr int64_t MaxClicks = 1'000'000;
// Rendering a melody of 1024 notes takes seconds; this only guards against a hung player.
constexpr int PlayerTimeoutMs = 300'000;

constexpr std::string_view Usage =
    "Использование: melodynet-cli <команда> [параметры]\n"
    "Команды:\n"
    "  train     обучить новую или загруженную сеть на мелодии и сохранить её\n"
    "  predict   предсказать ноту после мелодии\n"
    "  continue  продолжить мелодию и показать текст команды для проигрывателя\n"
    "  command   показать текст команды для проигрывателя\n"
    "  play      сыграть мелодию или записать её в WAV-файл\n"
    "melodynet-cli <команда> --help покажет параметры команды.\n"
    "Коды выхода: 0 — успех, 1 — ошибка при выполнении, 2 — ошибка в командной строке.\n";

constexpr std::string_view MelodyHelp = "  --melody ТЕКСТ         мелодия: коды нот через запятую (по умолчанию\n"
                                        "                         \"3, 8, 11, 3, 8, 11, 4, 8, 10, 1, 8, 10\")\n"
                                        "  --melody-file ФАЙЛ     прочитать мелодию из файла\n";

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

std::string Dump(const nlohmann::json& value) {
    // Paths typed by the user need not be UTF-8; they must not abort the output.
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

bool WantsHelp(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments)
        if (argument == "--help")
            return true;
    return false;
}

// The platform services and the session of one command.
class CliSession {
public:
    // nullopt after telling `err` when the formula library cannot be loaded.
    static std::unique_ptr<CliSession> Open(std::ostream& err) {
        std::string error;
        std::shared_ptr<const FormulaLibrary> library = FormulaLibrary::loadBesideProgram(&error);
        if (!library) {
            Fail(err, CliFailure, std::string(app::messages::FormulaLibraryMissing) + " " + error);
            return nullptr;
        }
        return std::unique_ptr<CliSession>(new CliSession(std::move(library)));
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

// The melody of --melody or --melody-file, or the window's default melody.
// Returns a status other than success when it cannot be had.
int MelodyText(const CliArguments& args, std::string& melody, std::ostream& err) {
    if (args.has("melody") && args.has("melody-file"))
        return Fail(err, CliUsageError, "--melody и --melody-file нельзя указывать вместе");
    if (const std::optional<std::string> text = args.text("melody")) {
        melody = *text;
        return CliSuccess;
    }
    if (const std::optional<std::string> path = args.text("melody-file")) {
        platform::QtFileSystem files;
        const platform::FileReading file = files.readFile(*path, MaxMelodyFileBytes);
        if (file.error == platform::FileError::TooLarge)
            return Fail(err, CliFailure,
                        "файл мелодии «" + *path + "» слишком велик (больше " + std::to_string(MaxMelodyFileBytes) +
                            " байт)");
        if (!file.bytes)
            return Fail(err, CliFailure, "не удалось прочитать файл мелодии «" + *path + "»: " + file.reason);
        melody = *file.bytes;
        // The window's field holds one line; a file usually ends with a line end.
        while (!melody.empty() && (melody.back() == '\n' || melody.back() == '\r'))
            melody.pop_back();
        return CliSuccess;
    }
    melody = app::defaults::Melody;
    return CliSuccess;
}

// Gives the melody to the session as the window's melody field does, and
// tells on `err` what the parse had to cut.
void SetMelody(app::Session& session, const std::string& melody, std::ostream& err) {
    const MelodyParseInfo info = session.SetMelodyText(melody);
    if (info.truncated)
        err << "melodynet-cli: предупреждение: в мелодии " << std::to_string(info.items) << " нот, взяты первые "
            << std::to_string(info.stored) << '\n';
    if (info.clamped)
        err << "melodynet-cli: предупреждение: коды нот вне 0..255 заменены ближайшей границей\n";
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
int ReadMelodyOptions(const CliArguments& args, const std::string& command, Lengths& lengths, std::string& melody,
                      std::ostream& err) {
    std::string error;
    if (!args.readInteger("note-length", 1, 64, lengths.note, error) ||
        !args.readInteger("pause-length", 1, 64, lengths.pause, error))
        return Fail(err, CliUsageError, command + ": " + error);
    return MelodyText(args, melody, err);
}

// Loads the network file of --load into the session, as the window's load does.
int LoadNetwork(const std::string& path, app::Session& session, std::ostream& err) {
    const app::LoadResult result = session.Load(path);
    if (result.failure)
        return Fail(err, result.failure);
    return CliSuccess;
}

std::string ClickLine(int64_t click, const app::LearningReport& report) {
    std::string line = "Нажатие " + std::to_string(click) + ": ";
    if (report.windows.empty())
        line += "окон для обучения нет (в мелодии меньше 3 нот)";
    else
        line += "средняя ошибка " + Fixed(report.meanError, 4) + " полутона, точно " + std::to_string(report.exact) +
                " из " + std::to_string(report.windows.size());
    if (!report.trained)
        line += "; обучение не выполнялось";
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

} // namespace

int RunTrain(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    static constexpr Option options[] = {
        {"load", true}, {"input", true},  {"hidden", true},      {"alpha", true},      {"step", true},
        {"seed", true}, {"melody", true}, {"melody-file", true}, {"iterations", true}, {"clicks", true},
        {"save", true}, {"json", false},  {"help", false},
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
               "  --save ФАЙЛ            сохранить сеть (без точки в пути добавляется .qvl)\n"
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
    if (args->has("load") && (args->has("input") || args->has("hidden") || args->has("alpha")))
        return Fail(err, CliUsageError, "train: --input, --hidden и --alpha нельзя сочетать с --load");
    if (!args->has("hidden"))
        hiddenCount = app::Session::DefaultHiddenCount(static_cast<int32_t>(inputCount));
    std::string melody;
    if (const int status = MelodyText(*args, melody, err); status != CliSuccess)
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
        SetMelody(**session, melody, err);

        nlohmann::json clickResults = nlohmann::json::array();
        for (int64_t click = 1; click <= clicks; ++click) {
            const app::TrainingResult result = (*session)->Train(static_cast<int32_t>(iterations));
            if (result.failure)
                return Fail(err, result.failure);
            const app::LearningReport& report = result.report;
            if (args->has("json")) {
                clickResults.push_back({
                    {"click", click},
                    {"meanError", report.windows.empty() ? nlohmann::json() : nlohmann::json(report.meanError)},
                    {"exact", report.exact},
                    {"windows", report.windows.size()},
                    {"trained", report.trained},
                    {"iterationsPerWindow", report.iterationsPerWindow},
                    {"diverged", report.diverged},
                });
            } else {
                out << ClickLine(click, report) << '\n';
            }
        }

        nlohmann::json saved;
        if (const std::optional<std::string> path = args->text("save")) {
            const std::string target = WithNetworkExtension(*path);
            if (const app::Failure failure = (*session)->Save(target))
                return Fail(err, failure);
            saved = target;
            if (!args->has("json"))
                out << "Сеть сохранена в " << target << '\n';
        }
        if (args->has("json")) {
            const mdMain& state = (*session)->state();
            out << Dump({
                       {"input", state.InputCount},
                       {"hidden", state.HiddenCount},
                       {"alpha", state.Alpha},
                       {"step", state.LearnStep},
                       {"notes", state.MelodyLen + 1},
                       {"clicks", clickResults},
                       {"saved", saved},
                   })
                << '\n';
        }
        return CliSuccess;
    });
}

int RunPredict(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    static constexpr Option options[] = {
        {"load", true}, {"melody", true}, {"melody-file", true}, {"json", false}, {"help", false},
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
    std::string melody;
    if (const int status = MelodyText(*args, melody, err); status != CliSuccess)
        return status;

    return Guarded(err, [&]() -> int {
        const std::unique_ptr<CliSession> session = CliSession::Open(err);
        if (!session)
            return CliFailure;
        if (const int status = LoadNetwork(*path, **session, err); status != CliSuccess)
            return status;
        SetMelody(**session, melody, err);
        const app::PredictionResult result = (*session)->Predict();
        if (result.failure)
            return Fail(err, result.failure);
        const uint8_t code = result.code;
        if (args->has("json"))
            out << Dump({{"code", code}}) << '\n';
        else
            out << std::to_string(code) << '\n';
        return CliSuccess;
    });
}

int RunContinue(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    static constexpr Option options[] = {
        {"load", true},        {"melody", true},       {"melody-file", true}, {"notes", true},
        {"note-length", true}, {"pause-length", true}, {"json", false},       {"help", false},
    };
    if (WantsHelp(arguments)) {
        out << "Использование: melodynet-cli continue --load ФАЙЛ [параметры]\n"
               "Продолжает мелодию (\"Продолжить мелодию\"): печатает коды продолжения через \", \"\n"
               "и на следующей строке его текст команды для проигрывателя.\n"
               "  --load ФАЙЛ            файл сети (обязателен)\n"
            << MelodyHelp << "  --notes N              нот в продолжении (по умолчанию столько же, сколько в мелодии)\n"
            << LengthHelp << "  --json                 вывести один объект JSON\n";
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
    Lengths lengths;
    std::string melody;
    if (const int status = ReadMelodyOptions(*args, "continue", lengths, melody, err); status != CliSuccess)
        return status;

    return Guarded(err, [&]() -> int {
        const std::unique_ptr<CliSession> session = CliSession::Open(err);
        if (!session)
            return CliFailure;
        lengths.applyTo(**session);
        if (const int status = LoadNetwork(*path, **session, err); status != CliSuccess)
            return status;
        SetMelody(**session, melody, err);
        const int32_t requested = notes < 0 ? (*session)->state().MelodyLen + 1 : static_cast<int32_t>(notes);
        const app::ContinuationResult result = (*session)->Continue(requested);
        if (result.failure)
            return Fail(err, result.failure);
        const std::vector<uint8_t>& codes = result.codes;
        if (result.shortened)
            err << "melodynet-cli: предупреждение: продолжение обрезано до " << std::to_string(codes.size())
                << " нот: в мелодии помещается не больше " << std::to_string(mdMain::MelodyCapacity) << " нот\n";
        const std::string codeText = CodeListText(codes.data(), static_cast<int32_t>(codes.size()));
        const std::string command = (*session)->CommandText(app::MelodyPart::Continuation);
        if (args->has("json"))
            out << Dump({{"codes", codes}, {"requested", requested}, {"command", command}}) << '\n';
        else
            out << codeText << '\n' << command << '\n';
        return CliSuccess;
    });
}

int RunCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    static constexpr Option options[] = {
        {"melody", true}, {"melody-file", true}, {"note-length", true}, {"pause-length", true}, {"help", false},
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
    std::string melody;
    if (const int status = ReadMelodyOptions(*args, "command", lengths, melody, err); status != CliSuccess)
        return status;

    return Guarded(err, [&]() -> int {
        const std::unique_ptr<CliSession> session = CliSession::Open(err);
        if (!session)
            return CliFailure;
        lengths.applyTo(**session);
        SetMelody(**session, melody, err);
        out << (*session)->CommandText(app::MelodyPart::Beginning) << '\n';
        return CliSuccess;
    });
}

int RunPlay(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    static constexpr Option options[] = {
        {"melody", true},       {"melody-file", true}, {"note-length", true},
        {"pause-length", true}, {"wav", true},         {"help", false},
    };
    if (WantsHelp(arguments)) {
        out << "Использование: melodynet-cli play [параметры]\n"
               "Записывает команду в следующий файл папки History и запускает Play,\n"
               "или с --wav записывает мелодию в WAV-файл и ждёт окончания (без истории).\n"
            << MelodyHelp << LengthHelp << "  --wav ФАЙЛ             записать звук в этот WAV-файл\n";
        return CliSuccess;
    }
    const std::optional<CliArguments> args = ParseOptions(arguments, options, "play", err);
    if (!args)
        return CliUsageError;
    Lengths lengths;
    std::string melody;
    if (const int status = ReadMelodyOptions(*args, "play", lengths, melody, err); status != CliSuccess)
        return status;

    return Guarded(err, [&]() -> int {
        const std::unique_ptr<CliSession> session = CliSession::Open(err);
        if (!session)
            return CliFailure;
        lengths.applyTo(**session);
        SetMelody(**session, melody, err);
        const std::string command = (*session)->CommandText(app::MelodyPart::Beginning);
        const std::string programFolder = session->files().programFolder();

        const std::optional<std::string> wav = args->text("wav");
        if (!wav) {
            const app::PlayingResult result = (*session)->Play(app::MelodyPart::Beginning);
            if (result.failure)
                return Fail(err, result.failure);
            out << "Команда записана в " << result.commandFile << ", проигрыватель запущен\n";
            return CliSuccess;
        }

        QTemporaryFile commandFile(QDir::temp().filePath(QStringLiteral("melodynet-XXXXXX.cmd")));
        const std::string bytes = command + "\r\n";
        if (!commandFile.open() ||
            commandFile.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()) ||
            !commandFile.flush())
            return Fail(err, CliFailure,
                        "не удалось записать временный файл команды: " + commandFile.errorString().toStdString());
        commandFile.close();

        const std::string playerPath = JoinPath(programFolder, PlayerFileName());
        QProcess player;
        player.setProgram(QString::fromStdString(playerPath));
        player.setArguments({QStringLiteral("--wav"), QString::fromStdString(*wav), commandFile.fileName()});
        player.start();
        if (!player.waitForStarted())
            return Fail(err, CliFailure,
                        "не удалось запустить проигрыватель «" + playerPath +
                            "»: " + player.errorString().toStdString());
        if (!player.waitForFinished(PlayerTimeoutMs)) {
            player.kill();
            player.waitForFinished();
            return Fail(err, CliFailure, "проигрыватель не закончил работу за отведённое время");
        }
        if (player.exitStatus() != QProcess::NormalExit || player.exitCode() != 0) {
            QString reason = QString::fromUtf8(player.readAllStandardError()).trimmed();
            reason = reason.section(QLatin1Char('\n'), 0, 0);
            if (reason.isEmpty())
                reason = QStringLiteral("код выхода %1").arg(player.exitCode());
            return Fail(err, CliFailure, "проигрыватель не записал WAV-файл: " + reason.toStdString());
        }
        out << "Звук записан в " << *wav << '\n';
        return CliSuccess;
    });
}

int RunCli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    if (arguments.empty())
        return Fail(err, CliUsageError, "не указана команда; melodynet-cli --help покажет список");
    const std::string& command = arguments.front();
    const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
    if (command == "--help" || command == "help") {
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
    std::string shown = command.substr(0, 80);
    for (char& c : shown)
        if (c == '\n' || c == '\r')
            c = ' ';
    return Fail(err, CliUsageError, "неизвестная команда «" + shown + "»; melodynet-cli --help покажет список");
}
