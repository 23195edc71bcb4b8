#include "engine/FormulaLibrary.h"
#include "engine/Prediction.h"
#include "engine/mdMain.h"
#include "melody/CommandText.h"
#include "melody/MelodyText.h"
#include "platform/DynamicLibrary.h"
#include "storage/NetworkFile.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ShellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

class CliTool : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "clitestXXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }

    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    // Runs the real program with `arguments`, capturing both streams and the
    // exit status; `prefix` goes before it on the shell line, `stdoutPath` replaces the captured output.
    Outcome Cli(const std::vector<std::string>& arguments, const std::string& prefix = "",
                const std::string& stdoutPath = "") {
        std::string command = prefix + ShellQuoted(MELODYNET_CLI_PATH);
        for (const std::string& argument : arguments)
            command += " " + ShellQuoted(argument);
        const fs::path out = dir_ / "stdout.txt";
        const fs::path err = dir_ / "stderr.txt";
        command += " >" + ShellQuoted(stdoutPath.empty() ? out.string() : stdoutPath) + " 2>" +
                   ShellQuoted(err.string()) + " </dev/null";
        const int raw = std::system(command.c_str());
        Outcome run;
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        run.out = ReadAll(out);
        run.err = ReadAll(err);
        return run;
    }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    fs::path dir_;
};

TEST_F(CliTool, SameSeedGivesIdenticalFiles) {
    const std::vector<std::string> common = {"train", "--seed", "5", "--iterations", "3000", "--clicks", "2"};
    std::vector<std::string> first = common;
    first.insert(first.end(), {"--save", Path("first")});
    std::vector<std::string> second = common;
    second.insert(second.end(), {"--save", Path("second")});
    std::vector<std::string> other = {"train",    "--seed", "6",      "--iterations", "3000",
                                      "--clicks", "2",      "--save", Path("other")};

    for (const auto& arguments : {first, second, other}) {
        const Outcome run = Cli(arguments);
        ASSERT_EQ(run.status, 0) << run.err;
    }
    // Paths without any dot get the network extension.
    const std::string a = ReadAll(Path("first.qvl"));
    ASSERT_FALSE(a.empty());
    EXPECT_EQ(a, ReadAll(Path("second.qvl")));
    EXPECT_NE(a, ReadAll(Path("other.qvl")));
    EXPECT_EQ(Lines(a).size(), 35u);
}

TEST_F(CliTool, TrainReportsEveryClick) {
    const Outcome run = Cli({"train", "--seed", "1", "--iterations", "4000", "--clicks", "3"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 3u) << run.out;
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].rfind("Нажатие " + std::to_string(i + 1) + ": средняя ошибка ", 0), 0u) << lines[i];
        EXPECT_NE(lines[i].find(" из 4"), std::string::npos) << lines[i]; // 12 notes, 8 inputs
    }

    const Outcome json = Cli({"train", "--seed", "1", "--iterations", "4000", "--clicks", "3", "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    const nlohmann::json parsed = nlohmann::json::parse(json.out);
    ASSERT_EQ(parsed["clicks"].size(), 3u);
    EXPECT_EQ(parsed["input"], 8);
    EXPECT_EQ(parsed["hidden"], 3);
    EXPECT_EQ(parsed["clicks"][0]["windows"], 4);
    EXPECT_EQ(parsed["clicks"][0]["iterationsPerWindow"], 1000);
    // The text and the JSON come from the same training.
    const std::string exact = std::to_string(parsed["clicks"][2]["exact"].get<int>());
    EXPECT_NE(lines[2].find("точно " + exact + " из 4"), std::string::npos) << lines[2];
}

TEST_F(CliTool, ContinueAndPredictMatchTheEngine) {
    const std::string melody = "3, 8, 11, 3, 8, 11, 4, 8, 10, 1, 8, 10, 15, 20";
    const Outcome train = Cli({"train", "--seed", "9", "--input", "5", "--hidden", "4", "--alpha", "1.5",
                               "--iterations", "5000", "--melody", melody, "--save", Path("net.qvl")});
    ASSERT_EQ(train.status, 0) << train.err;
    const Outcome cont = Cli({"continue", "--load", Path("net.qvl"), "--melody", melody, "--notes", "20",
                              "--note-length", "16", "--pause-length", "4"});
    ASSERT_EQ(cont.status, 0) << cont.err;
    const Outcome predict = Cli({"predict", "--load", Path("net.qvl"), "--melody", melody});
    ASSERT_EQ(predict.status, 0) << predict.err;

    mdMain state(FormulaLibrary::loadFrom(platform::executableFolder()));
    state.CreateOutNeuron();
    const NetworkFileReading reading = ReadNetworkFile(ReadAll(Path("net.qvl")));
    ASSERT_TRUE(reading.network);
    EXPECT_EQ(reading.network->InputCount, 5);
    EXPECT_EQ(reading.network->HiddenCount, 4);
    ApplyNetworkFile(state, *reading.network);
    state.NSChanged = false;
    state.NoteLen = 16;
    state.PauseLen = 4;
    ParseMelody(state, melody);

    EXPECT_EQ(predict.out, std::to_string(PredictNote(state)) + "\n");
    const std::vector<uint8_t> codes = ContinueMelody(state, 20);
    ASSERT_EQ(codes.size(), 20u);
    EXPECT_EQ(cont.out, CodeListText(codes.data(), 20) + "\n" + CommandText(state, 1, 20) + "\n");
}

TEST_F(CliTool, CommandTextOfTheMelody) {
    const Outcome run =
        Cli({"command", "--melody", "1, 3, 15, 1, 27, 2, 49", "--note-length", "16", "--pause-length", "4"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "l16  p4 o1 c# o2 c# p4 o3 c# o1 c o4 b\n");

    // A line break in a melody file separates items like a comma.
    for (const char* text : {"3, 8, 11\r\n", "3\n8\n11\n", "3,\r\n8,\n\n11"}) {
        WriteAll(Path("melody.txt"), text);
        const Outcome fromFile = Cli({"command", "--melody-file", Path("melody.txt")});
        ASSERT_EQ(fromFile.status, 0) << fromFile.err;
        EXPECT_EQ(fromFile.out, "l8 o1 c# f# a\n") << text;
    }
}

TEST_F(CliTool, MidiFilesOutAndIn) {
    // The beginning goes out as the player plays it and comes back as the same codes.
    const Outcome out = Cli({"play", "--melody", "3, 8, 1, 11, 40", "--midi", Path("tune.mid"), "--program", "73"});
    ASSERT_EQ(out.status, 0) << out.err;
    EXPECT_EQ(ReadAll(Path("tune.mid")).substr(0, 4), "MThd");
    const Outcome in = Cli({"command", "--melody-file", Path("tune.mid")});
    ASSERT_EQ(in.status, 0) << in.err;
    EXPECT_EQ(in.out, "l8 o1 c# f# p8 a o4 d\n");
    EXPECT_EQ(in.err, "");

    // A continuation exports the whole melody by default, or the part asked for: as many
    // notes and pauses come back as went out (a command text names one per note).
    ASSERT_EQ(Cli({"train", "--seed", "3", "--iterations", "100", "--save", Path("net")}).status, 0);
    for (const auto& [part, notes] : {std::pair{"whole", 16}, {"continuation", 4}, {"beginning", 12}}) {
        const Outcome cont =
            Cli({"continue", "--load", Path("net.qvl"), "--notes", "4", "--midi", Path("all.mid"), "--part", part});
        ASSERT_EQ(cont.status, 0) << cont.err;
        const Outcome back = Cli({"command", "--melody-file", Path("all.mid")});
        ASSERT_EQ(back.status, 0) << back.err;
        int names = 0;
        std::istringstream tokens(back.out);
        for (std::string token; tokens >> token;)
            names += token[0] != 'l' && token[0] != 'o';
        EXPECT_EQ(names, notes) << part << ": " << back.out;
    }
}

TEST_F(CliTool, OutputErrorsAndInterruptsAreFailures) {
    // Output that cannot be written is a failure, also for help and JSON.
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"--help"}, {"train", "--clicks", "1", "--json"}, {"command"}}) {
        const Outcome full = Cli(arguments, "", "/dev/full");
        EXPECT_EQ(full.status, 1) << arguments[0];
        EXPECT_NE(full.err.find("стандартный вывод"), std::string::npos) << full.err;
    }
    // Ctrl-C stops the click after its current iteration and writes no half-trained file
    // unless asked to; the reports so far are complete JSON.
    for (const bool keep : {false, true}) {
        std::vector<std::string> arguments = {"train",
                                              "--iterations",
                                              "2000000000",
                                              "--input",
                                              "64",
                                              "--melody",
                                              "3, 8, 11, 3, 8, 11, 4, 8, 10, 1, 8, 10, 5, 6, 7, 8, 9, 10, 11, 12, "
                                              "13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, "
                                              "30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46, "
                                              "47, 48, 49, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17",
                                              "--json",
                                              "--save",
                                              Path("half")};
        if (keep)
            arguments.push_back("--save-interrupted");
        const Outcome run = Cli(arguments, "timeout --preserve-status -s INT 1 ");
        EXPECT_EQ(run.status, 130) << run.err;
        EXPECT_NE(run.err.find("прервано"), std::string::npos) << run.err;
        const nlohmann::json parsed = nlohmann::json::parse(run.out);
        EXPECT_EQ(parsed["clicks"].size(), 1u);
        EXPECT_EQ(fs::exists(Path("half.qvl")), keep);
    }
}

TEST_F(CliTool, PlayRendersWavWithoutHistory) {
    const fs::path history = fs::path(MELODYNET_CLI_PATH).parent_path() / "History";
    const auto countHistory = [&history] {
        std::error_code ignored;
        return fs::exists(history, ignored) ? std::distance(fs::directory_iterator(history), fs::directory_iterator())
                                            : 0;
    };
    const auto before = countHistory();
    const Outcome run = Cli({"play", "--melody", "3, 8, 1, 11", "--wav", Path("out.wav")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadAll(Path("out.wav")).substr(0, 4), "RIFF");
    EXPECT_EQ(countHistory(), before);
}

// --until-exact prints every click, then what ended the run, and agrees with --json.
TEST_F(CliTool, TrainUntilExact) {
    const Outcome run = Cli({"train", "--seed", "1", "--until-exact", "--max-clicks", "400"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines.back().rfind("Результат достигнут", 0), 0u) << lines.back();
    EXPECT_NE(lines[lines.size() - 2].find("точно 4 из 4"), std::string::npos) << lines[lines.size() - 2];
    EXPECT_TRUE(lines.back().ends_with(" Нажатий: " + std::to_string(lines.size() - 1) + ".")) << lines.back();
    const Outcome json = Cli({"train", "--seed", "1", "--until-exact", "--max-clicks", "400", "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    const nlohmann::json parsed = nlohmann::json::parse(json.out);
    EXPECT_EQ(parsed["clicks"].size(), lines.size() - 1);
    EXPECT_EQ(parsed["untilExact"]["end"], "allExact");

    const Outcome limited = Cli({"train", "--seed", "1", "--until-exact", "--max-clicks", "3", "--iterations", "10"});
    ASSERT_EQ(limited.status, 0) << limited.err;
    ASSERT_EQ(Lines(limited.out).size(), 4u);
    EXPECT_EQ(Lines(limited.out)[3].rfind("Обучение остановлено: сделано наибольшее число нажатий", 0), 0u);

    // A melody without windows: the click's line, then the reason as a failure.
    const Outcome untrainable = Cli({"train", "--until-exact", "--melody", "3, 8"});
    EXPECT_EQ(untrainable.status, 1);
    EXPECT_EQ(Lines(untrainable.out).size(), 1u);
    EXPECT_EQ(untrainable.err,
              "melodynet-cli: Обучать не на чем: в мелодии меньше 3 нот или шаг обучения не больше нуля.\n");
}

#ifdef MELODYNET_CLI_PICTURES
// --plot and --roll write pictures of the format their extension names.
TEST_F(CliTool, PicturesOfCurveAndRoll) {
    const Outcome train =
        Cli({"train", "--seed", "1", "--clicks", "3", "--save", Path("net"), "--plot", Path("curve.png")});
    ASSERT_EQ(train.status, 0) << train.err;
    EXPECT_EQ(train.err, "");
    EXPECT_EQ(Lines(train.out).at(3), "Кривая обучения записана в " + Path("curve.png"));
    EXPECT_EQ(ReadAll(Path("curve.png")).substr(1, 3), "PNG");
    const Outcome svg = Cli({"train", "--seed", "1", "--plot", Path("curve.SVG")});
    ASSERT_EQ(svg.status, 0) << svg.err;
    EXPECT_NE(ReadAll(Path("curve.SVG")).find("<svg"), std::string::npos);

    const Outcome roll = Cli({"continue", "--load", Path("net.qvl"), "--notes", "5", "--roll", Path("roll.png")});
    ASSERT_EQ(roll.status, 0) << roll.err;
    EXPECT_EQ(Lines(roll.out).size(), 2u);
    EXPECT_EQ(ReadAll(Path("roll.png")).substr(1, 3), "PNG");

    // A picture that cannot be written fails the run after its clicks.
    const Outcome missing = Cli({"train", "--clicks", "1", "--plot", Path("no/such/curve.png")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(Lines(missing.out).size(), 1u);
    EXPECT_EQ(missing.err.rfind("melodynet-cli: не удалось записать рисунок «" + Path("no/such/curve.png") + "»: ", 0),
              0u)
        << missing.err;
}
#endif

struct ErrorCase {
    const char* name;
    std::vector<std::string> arguments; // "@" stands for the test's folder
    int status;
    const char* message;
};

class CliErrors : public CliTool, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(CliErrors, OneLineAndStatus) {
    WriteAll(Path("broken.qvl"), " 8\r\n 3\r\n abc\r\n");
    WriteAll(Path("broken.mid"), std::string("MThd\0\0\0\2\0", 9));
    WriteAll(Path("input1.qvl"), " 1\r\n 1\r\n 1\r\n 1\r\n 0\r\n 0\r\n 0\r\n 0\r\n");
    std::vector<std::string> arguments;
    for (std::string argument : GetParam().arguments) {
        if (const size_t at = argument.find('@'); at != std::string::npos)
            argument.replace(at, 1, dir_.string());
        arguments.push_back(argument);
    }
    const Outcome run = Cli(arguments);
    EXPECT_EQ(run.status, GetParam().status) << run.err;
    EXPECT_EQ(run.out, "");
    ASSERT_EQ(Lines(run.err).size(), 1u) << run.err;
    EXPECT_EQ(run.err.rfind("melodynet-cli: ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find(GetParam().message), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Table, CliErrors,
    ::testing::Values(
        ErrorCase{"NoCommand", {}, 2, "не указана команда"},
        ErrorCase{"UnknownCommand", {"teach"}, 2, "неизвестная команда «teach»"},
        ErrorCase{"UnknownOption", {"train", "--bogus"}, 2, "неизвестный параметр --bogus"},
        ErrorCase{"MissingValue", {"train", "--iterations"}, 2, "у параметра --iterations нет значения"},
        ErrorCase{"ValueIsOption", {"train", "--save", "--json"}, 2, "у параметра --save нет значения"},
        ErrorCase{"RepeatedOption", {"train", "--clicks", "1", "--clicks", "2"}, 2, "указан дважды"},
        ErrorCase{"StrayArgument", {"train", "melody"}, 2, "лишний аргумент «melody»"},
        ErrorCase{"BadIterations", {"train", "--iterations", "10k"}, 2, "--iterations: ожидается целое число"},
        ErrorCase{"FractionalClicks", {"train", "--clicks", "1.5"}, 2, "--clicks: ожидается целое число"},
        ErrorCase{"DecimalComma", {"train", "--alpha", "1,5"}, 2, "--alpha: ожидается число"},
        ErrorCase{"NegativeSeed", {"train", "--seed", "-1"}, 2, "--seed: ожидается целое число"},
        ErrorCase{"InputOne", {"train", "--input", "1"}, 2, "--input: ожидается целое число от 2"},
        ErrorCase{"HiddenZero", {"train", "--hidden", "0"}, 2, "--hidden: ожидается целое число от 1"},
        ErrorCase{"HugeShape", {"train", "--input", "100000", "--hidden", "1000"}, 2, "train: "},
        ErrorCase{"LoadWithShape", {"train", "--load", "@/x.qvl", "--input", "4"}, 2, "нельзя сочетать"},
        ErrorCase{"TwoMelodies", {"command", "--melody", "1", "--melody-file", "@/m"}, 2, "нельзя указывать вместе"},
        ErrorCase{
            "NoteLengthZero", {"command", "--note-length", "0"}, 2, "--note-length: ожидается целое число от 1 до 64"},
        ErrorCase{"NegativeNotes", {"continue", "--load", "@/broken.qvl", "--notes", "-3"}, 2, "--notes"},
        ErrorCase{"PredictWithoutLoad", {"predict"}, 2, "нужен параметр --load"},
        ErrorCase{"EmptySave", {"train", "--save", ""}, 2, "у параметра --save пустое значение"},
        ErrorCase{"EmptyWav", {"play", "--wav="}, 2, "у параметра --wav пустое значение"},
        ErrorCase{"TrackWithoutFile", {"command", "--track", "2"}, 2, "--track относится к --melody-file"},
        ErrorCase{"BadPart", {"continue", "--load", "@/broken.qvl", "--part", "all"}, 2, "--part"},
        ErrorCase{"NotMidi", {"command", "--melody-file", "@/broken.mid"}, 1, "повреждён"},
        ErrorCase{"MissingFile", {"predict", "--load", "@/missing.qvl"}, 1, "не удалось прочитать файл"},
        ErrorCase{
            "MissingMelodyFile", {"command", "--melody-file", "@/missing.txt"}, 1, "Не удалось прочитать файл мелодии"},
        ErrorCase{"BrokenFile", {"predict", "--load", "@/broken.qvl"}, 1, "Строка 3: строка не является числом"},
        ErrorCase{"FileInputOne", {"continue", "--load", "@/input1.qvl"}, 1, "Строка 1: во входном слое"},
        ErrorCase{"TrainLoadBroken", {"train", "--load", "@/broken.qvl"}, 1, "Не удалось загрузить нейронную сеть"},
        ErrorCase{"UntilWithClicks", {"train", "--until-exact", "--clicks", "2"}, 2, "--clicks нельзя сочетать"},
        ErrorCase{"MaxClicksAlone", {"train", "--max-clicks", "2"}, 2, "только с --until-exact"},
        ErrorCase{"MaxClicksZero", {"train", "--until-exact", "--max-clicks", "0"}, 2, "--max-clicks: ожидается"},
#ifdef MELODYNET_CLI_PICTURES
        ErrorCase{"PlotGif", {"train", "--plot", "@/curve.gif"}, 2, "--plot: имя файла должно оканчиваться"},
        ErrorCase{"RollNoExtension", {"continue", "--load", "@/broken.qvl", "--roll", "@/roll"}, 2, "--roll"},
#endif
        ErrorCase{"SaveIntoMissingFolder",
                  {"train", "--clicks", "0", "--save", "@/no/such/net"},
                  1,
                  "Не удалось сохранить нейронную сеть"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
