// The wiring of melodynet-cli: options reach the session's steps, and each
// step's result comes out as the line, JSON and exit status the manual
// page names. The rules behind the steps are tested in tst_session and below.
#include "support/SignalledRun.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;
using Json = nlohmann::json;

struct Outcome {
    int status = -1;
    std::string out, err;
};

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// How many notes and pauses a command text names (one name per note).
int NoteNames(const std::string& command) {
    int names = 0;
    std::istringstream tokens(command);
    for (std::string token; tokens >> token;)
        names += token[0] != 'l' && token[0] != 'o';
    return names;
}

class CliTool : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "clitestXXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs the real program; "@" in an argument stands for the test's folder,
    // `prefix` goes before it on the shell line, `stdoutPath` takes the output.
    Outcome Cli(Args arguments, const std::string& prefix = "", const std::string& stdoutPath = "") {
        std::string command = prefix + Quoted(MELODYNET_CLI_PATH);
        for (std::string& argument : arguments)
            command += " " + Quoted(At(argument));
        const fs::path out = dir_ / "stdout.txt", err = dir_ / "stderr.txt";
        command += " >" + Quoted(stdoutPath.empty() ? out.string() : stdoutPath) + " 2>" + Quoted(err.string());
        const int raw = std::system((command + " </dev/null").c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadAll(out), ReadAll(err)};
    }
    std::string At(std::string text) const {
        if (const size_t at = text.find('@'); at != std::string::npos)
            text.replace(at, 1, dir_.string());
        return text;
    }
    static std::string Quoted(const std::string& text) {
        std::string quoted = "'";
        for (char c : text)
            quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return quoted + "'";
    }

    fs::path dir_;
};

// --seed repeats a network, the text reports every click and the save, the JSON the same training.
TEST_F(CliTool, TrainReportsClicksAndSavesBySeed) {
    const auto train = [this](const char* seed, const char* save, const char* json = "--clicks") {
        return Cli({"train", "--seed", seed, "--iterations", "4000", "--save", save, json, "2"}).out;
    };
    const std::vector<std::string> lines = Lines(train("5", "@/first"));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_TRUE(lines[1].starts_with("Нажатие 2: средняя ошибка ")) << lines[1];
    EXPECT_EQ(lines[2], "Сеть сохранена в " + At("@/first.qvl"));
    train("5", "@/second");
    train("6", "@/other");
    EXPECT_EQ(ReadAll(At("@/first.qvl")), ReadAll(At("@/second.qvl")));
    EXPECT_NE(ReadAll(At("@/first.qvl")), ReadAll(At("@/other.qvl")));
    const Json json = Json::parse(Cli({"train", "--seed", "5", "--iterations", "4000", "--clicks", "2", "--json"}).out);
    ASSERT_EQ(json["clicks"].size(), 2u);
    // 12 notes make 4 windows of 8.
    EXPECT_EQ(Json::array({json["input"], json["hidden"], json["clicks"][0]["iterationsPerWindow"]}),
              Json::array({8, 3, 1000}));
    const std::string exact = "точно " + std::to_string(json["clicks"][1]["exact"].get<int>()) + " из 4";
    EXPECT_NE(lines[1].find(exact), std::string::npos) << lines[1];
}

// The shape reaches the network; the first code of a continuation is the
// prediction; the command text has the lengths asked for.
TEST_F(CliTool, ContinueAndPredictAgree) {
    const std::string melody = "3, 8, 11, 3, 8, 11, 4, 8, 10, 1, 8, 10, 15, 20";
    const Json shape = Json::parse(Cli({"train", "--seed", "9", "--input", "5", "--hidden", "4", "--alpha", "1.5",
                                        "--iterations", "5000", "--melody", melody, "--save", "@/net.qvl", "--json"})
                                       .out);
    EXPECT_EQ(Json::array({shape["input"], shape["hidden"], shape["alpha"]}), Json::array({5, 4, 1.5}));
    const auto withNetwork = [&](Args arguments) {
        arguments.insert(arguments.end(), {"--load", "@/net.qvl", "--melody", melody});
        return Cli(arguments).out;
    };
    const std::vector<std::string> lines =
        Lines(withNetwork({"continue", "--notes", "20", "--note-length", "16", "--pause-length", "4"}));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(std::count(lines[0].begin(), lines[0].end(), ','), 19);
    EXPECT_EQ(withNetwork({"predict"}), lines[0].substr(0, lines[0].find(',')) + "\n");
    EXPECT_TRUE(lines[1].starts_with("l16 ") && NoteNames(lines[1]) == 20) << lines[1];
    // --melody-notes keeps every note among the beginning's.
    const std::set<int> own = {3, 8, 11, 4, 10, 1, 15, 20};
    const Json continued = Json::parse(withNetwork({"continue", "--notes", "40", "--melody-notes", "--json"}));
    for (const int code : continued.at("codes"))
        EXPECT_TRUE(own.count(code)) << code;
}

// Runs by their exit status, whole output and one line of stderr (a part of
// it); one row a kind of outcome.
struct RunCase {
    const char* name;
    Args arguments;
    int status;
    const char* out;
    const char* err;
};

class CliRuns : public CliTool, public ::testing::WithParamInterface<RunCase> {};

TEST_P(CliRuns, StatusAndOutput) {
    std::ofstream(At("@/broken.qvl")) << " 8\r\n 3\r\n abc\r\n";
    std::ofstream(At("@/broken.mid")) << std::string("MThd\0\0\0\2\0", 9);
    fs::create_symlink("broken.mid", At("@/link.mid"));
    // One note, then a status byte that cannot stand in a track.
    std::ofstream(At("@/damaged.mid"), std::ios::binary)
        << std::string("MThd\0\0\0\6\0\0\0\1\1\xe0MTrk\0\0\0\14\0\x90\x3c\x5a\x10\x80\x3c\0\0\xf2\0\0", 34);
    const Outcome run = Cli(GetParam().arguments);
    EXPECT_EQ(run.status, GetParam().status) << run.err;
    EXPECT_EQ(run.out, GetParam().out);
    // A failure is told in one line; a success says nothing on stderr unless it warns.
    EXPECT_TRUE(GetParam().status ? Lines(run.err).size() == 1 : *GetParam().err || run.err.empty()) << run.err;
    EXPECT_NE(run.err.find(At(GetParam().err)), std::string::npos) << run.err;
}

const std::string Tracks = std::string(MIDI_DATA_DIR) + "/bass_first.mid";

INSTANTIATE_TEST_SUITE_P(
    Table, CliRuns,
    ::testing::Values(
        RunCase{
            "Command", {"command", "--melody", "1", "--note-length", "16", "--pause-length", "4"}, 0, "l16  p4\n", ""},
        RunCase{
            "SilentCodes", {"command", "--melody", "300, 3"}, 0, "l8 o22 c# o1 c#\n", "угадает; ноты с кодом выше 93"},
        RunCase{"SoundingCodes", {"command", "--melody", "0, 50"}, 0, "l8  o5 c\n", "ноты точно не угадает\n"},
        RunCase{"MidiTrack", {"command", "--melody-file", Tracks, "--track", "2"}, 0, "l8 o1 c g f c\n", ""},
        RunCase{"NoClicks", {"train", "--clicks", "0"}, 0, "", ""},
        RunCase{"Tracks",
                {"tracks", Tracks},
                0,
                "  1. без имени: нот нет\n"
                "  2. «Track 1»: канал 2, программа 33 (Electric Bass (finger)), 4 нот от 36 до 43\n"
                "* 3. без имени: канал 1, программа не задана, 4 нот от 67 до 72\nМелодией берётся дорожка 3.\n",
                ""},
        RunCase{"TracksJson",
                {"tracks", "--json", Tracks},
                0,
                R"({"tracks":[{"channel":null,"chosen":false,"high":null,)"
                R"("low":null,"name":"","notes":0,"number":1,"program":null},{"channel":2,"chosen":false,"high":43,)"
                R"("low":36,"name":"Track 1","notes":4,"number":2,"program":33},{"channel":1,"chosen":true,"high":72,)"
                R"("low":67,"name":"","notes":4,"number":3,"program":null}]})"
                "\n",
                ""},
        RunCase{"DamagedTrack",
                {"tracks", "@/damaged.mid"},
                0,
                "  1. без имени: канал 1, программа не задана, 1 нот от 60 до 60, дорожка повреждена\n"
                "Мелодию взять не из чего: нет целой дорожки с нотами не на канале ударных.\n",
                ""}),
    [](const auto& info) { return std::string(info.param.name); });

// Files go out as asked (the part of a continuation, the whole by default),
// come back as the same melody, and leave the History folder alone.
TEST_F(CliTool, MidiAndWavFilesOutAndIn) {
    const fs::path history = fs::path(MELODYNET_CLI_PATH).parent_path() / "History";
    const auto countHistory = [&history] {
        return fs::exists(history) ? std::distance(fs::directory_iterator(history), fs::directory_iterator()) : 0;
    };
    const auto before = countHistory();
    const Outcome out =
        Cli({"play", "--melody", "3, 8, 1, 11, 40", "--midi", "@/tune.mid", "--program", "73", "--wav", "@/out.wav"});
    EXPECT_EQ(out.out, "MIDI-файл записан: " + At("@/tune.mid") + "\nЗвук записан в " + At("@/out.wav") + "\n");
    EXPECT_EQ(ReadAll(At("@/out.wav")).substr(0, 4), "RIFF");
    EXPECT_EQ(countHistory(), before);
    EXPECT_EQ(Cli({"command", "--melody-file", "@/tune.mid"}).out, "l8 o1 c# f# p8 a o4 d\n");
    std::ofstream(At("@/melody.txt"), std::ios::binary) << "3,\r\n8,\n\n11";
    EXPECT_EQ(Cli({"command", "--melody-file", "@/melody.txt"}).out, "l8 o1 c# f# a\n");
    EXPECT_EQ(Cli({"play", "--melody", "", "--wav", "@/pause.wav"}).status, 0); // one pause

    ASSERT_EQ(Cli({"train", "--seed", "3", "--iterations", "100", "--save", "@/net"}).status, 0);
    for (const auto& [part, notes] : {std::pair{"whole", 16}, {"continuation", 4}, {"beginning", 12}}) {
        ASSERT_EQ(
            Cli({"continue", "--load", "@/net.qvl", "--notes", "4", "--midi", "@/all.mid", "--part", part}).status, 0);
        EXPECT_EQ(NoteNames(Cli({"command", "--melody-file", "@/all.mid"}).out), notes) << part;
    }
}

TEST_F(CliTool, OutputErrorsAndInterruptsAreFailures) {
    const Outcome full = Cli({"--help"}, "", "/dev/full");
    EXPECT_EQ(full.status, 1);
    EXPECT_NE(full.err.find("стандартный вывод"), std::string::npos) << full.err;

    // Ctrl-C stops the click after its current iteration and writes no half-trained file
    // unless asked to; the reports so far are complete JSON.
    std::string melody = "3";
    for (int i = 0; i < 80; ++i)
        melody += ", " + std::to_string(2 + i % 48);
    for (const bool keep : {false, true}) {
        Args arguments = {"train",    "--iterations", "2000000000", "--input", "64",
                          "--melody", melody,         "--json",     "--save",  "@/half"};
        if (keep)
            arguments.push_back("--save-interrupted");
        const Outcome run = Cli(arguments, "timeout --preserve-status -s INT 1 ");
        EXPECT_EQ(run.status, 130) << run.err;
        EXPECT_NE(run.err.find("прервано"), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find('\r'), std::string::npos) << "no progress line where stderr is no terminal";
        const Json clicks = Json::parse(run.out)["clicks"];
        ASSERT_EQ(clicks.size(), 1u);
        EXPECT_TRUE(clicks[0]["interrupted"]);
        EXPECT_GT(clicks[0]["iterationsRun"], 0);
        EXPECT_EQ(fs::exists(At("@/half.qvl")), keep);
    }
}

// A WAV export ended by SIGINT, SIGTERM or SIGHUP (sent to the tool alone)
// leaves neither its command file nor the player's temporary file, and the
// player stops too.
TEST_F(CliTool, InterruptedWavExportLeavesNothing) {
    std::string melody = "2";
    for (int i = 0; i < 1000; ++i)
        melody += ", " + std::to_string(2 + i % 48);
    const fs::path temporary = dir_ / "tmp", out = dir_ / "out";
    fs::create_directories(temporary);
    fs::create_directories(out);
    const auto empty = [](const fs::path& folder) { return fs::is_empty(folder); };
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        const SignalledEnd end = RunAndSignal(
            MELODYNET_CLI_PATH,
            {"play", "--melody", melody, "--note-length", "1", "--wav", (out / "long.wav").string()},
            {{"TMPDIR", temporary.string()}}, [&] { return !empty(out) && !empty(temporary); }, signal);
        EXPECT_TRUE(end.ready);
        EXPECT_EQ(end.endingSignal, signal);
        EXPECT_TRUE(empty(temporary));
        // The player goes on its own way out.
        for (int wait = 0; wait < 500 && !empty(out); ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_TRUE(empty(out));
    }
}

// A run that fails after it began its JSON still ends the object, with the
// failure; a network that cannot train says why and fails; a network may be
// trained further into its own file.
TEST_F(CliTool, FailuresAreToldAndJsonStaysWhole) {
    const Outcome unsaved = Cli({"train", "--clicks", "2", "--iterations", "10", "--save", "@/no/net", "--json"});
    EXPECT_EQ(unsaved.status, 1);
    const Json object = Json::parse(unsaved.out);
    EXPECT_EQ(object["clicks"].size(), 2u);
    EXPECT_EQ("melodynet-cli: " + object["failure"].get<std::string>() + "\n", unsaved.err);
    EXPECT_NE(unsaved.err.find("Не удалось сохранить нейронную сеть"), std::string::npos) << unsaved.err;

    // Counts 2 and 1, the step 0, every value 0.
    std::ofstream(At("@/still.qvl")) << " 2\r\n 1\r\n 1\r\n 0\r\n 0\r\n 0\r\n 0\r\n 0\r\n 0\r\n";
    const Outcome still = Cli({"train", "--load", "@/still.qvl", "--iterations", "10"});
    EXPECT_EQ(still.status, 1);
    EXPECT_NE(still.out.find("обучение не выполнялось: шаг обучения 0 не больше нуля"), std::string::npos) << still.out;
    EXPECT_NE(still.err.find("шаг обучения 0 не больше нуля"), std::string::npos) << still.err;
    // Training to the result takes no step: the same network learns there.
    EXPECT_EQ(Cli({"train", "--load", "@/still.qvl", "--until-exact", "--melody", "3, 5, 7, 3, 5, 7"}).status, 0);
    EXPECT_EQ(Cli({"train", "--load", "@/still.qvl", "--step", "0.5", "--save", "@/still.qvl"}).status, 0);
    EXPECT_EQ(Lines(ReadAll(At("@/still.qvl"))).at(3), " .5\r");
}

// --until-exact says at once which windows contradict the others, then what ended the run, and agrees with --json
// on everything but the seconds it took.
TEST_F(CliTool, TrainUntilExact) {
    Args text = {"train", "--seed", "1", "--until-exact", "--input", "3", "--hidden", "4", "--melody"};
    text.push_back("3, 5, 7, 3, 5, 9, 3, 5, 7, 12, 3, 5, 7, 3, 5, 9");
    const std::vector<std::string> lines = Lines(Cli(text).out);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(lines[0].starts_with("1 окно из 13 противоречат друг другу")) << lines[0];
    EXPECT_TRUE(lines[1].starts_with("Результат достигнут")) << lines[1];
    text.push_back("--json");
    const Json until = Json::parse(Cli(text).out).at("untilExact");
    EXPECT_EQ(Json::array({until["end"], until["exact"], until["windows"], until["learnable"]}),
              Json::array({"allLearnable", 12, 13, 12}));
    EXPECT_GT(until["epochs"], 0);
    const auto untimed = [](const std::string& message) { return message.substr(0, message.find("время:")); };
    EXPECT_EQ(untimed(until["message"].get<std::string>()), untimed(lines[1]));
}

#ifdef MELODYNET_CLI_PICTURES
// --plot and --roll write pictures of the format their extension names; a
// picture that cannot be written fails the run once the network is saved.
TEST_F(CliTool, PicturesOfCurveAndRoll) {
    const Outcome train = Cli({"train", "--seed", "1", "--clicks", "3", "--save", "@/net", "--plot", "@/curve.png"});
    EXPECT_EQ(Lines(train.out).at(4), "Кривая обучения записана в " + At("@/curve.png"));
    EXPECT_EQ(ReadAll(At("@/curve.png")).substr(1, 3), "PNG");
    const Outcome roll = Cli({"continue", "--load", "@/net.qvl", "--notes", "5", "--roll", "@/roll.svg", "--json"});
    EXPECT_EQ(Json::parse(roll.out)["roll"], At("@/roll.svg"));
    EXPECT_NE(ReadAll(At("@/roll.svg")).find("<svg"), std::string::npos);

    const Outcome missing = Cli({"train", "--clicks", "1", "--save", "@/kept", "--plot", "@/no/curve.png", "--json"});
    EXPECT_EQ(missing.status, 1);
    const Json object = Json::parse(missing.out);
    EXPECT_EQ(object["saved"], At("@/kept.qvl"));
    EXPECT_EQ("melodynet-cli: " + object["failure"].get<std::string>() + "\n", missing.err);
    EXPECT_TRUE(missing.err.starts_with("melodynet-cli: не удалось записать рисунок «" + At("@/no/curve.png")));
}
#endif

// Refused command lines end with status 2, failures of files with status 1.
INSTANTIATE_TEST_SUITE_P(
    Errors, CliRuns,
    ::testing::Values(
        RunCase{"NoCommand", {}, 2, "", "не указана команда"},
        RunCase{"UnknownCommand", {"teach"}, 2, "", "неизвестная команда «teach»"},
        RunCase{"UnknownOption", {"train", "--bogus"}, 2, "", "неизвестный параметр --bogus"},
        RunCase{"MissingValue", {"train", "--iterations"}, 2, "", "у параметра --iterations нет значения"},
        RunCase{"ValueIsOption", {"train", "--save", "--json"}, 2, "", "у параметра --save нет значения"},
        RunCase{"EmptyValue", {"play", "--wav="}, 2, "", "у параметра --wav пустое значение"},
        RunCase{"RepeatedOption", {"train", "--clicks", "1", "--clicks", "2"}, 2, "", "указан дважды"},
        RunCase{"StrayArgument", {"train", "melody"}, 2, "", "лишний аргумент «melody»"},
        RunCase{"StrayFile", {"tracks", "@/a.mid", "@/b.mid"}, 2, "", "tracks: лишний аргумент «"},
        RunCase{"NotAWholeNumber", {"train", "--iterations", "10k"}, 2, "", "--iterations: ожидается целое число"},
        RunCase{"NotAnUnsigned", {"train", "--seed", "-1"}, 2, "", "--seed: ожидается целое число"},
        RunCase{"OutOfRange", {"train", "--input", "1"}, 2, "", "--input: ожидается целое число от 2"},
        RunCase{"NoteLengthZero", {"command", "--note-length", "0"}, 2, "", "--note-length: ожидается"},
        RunCase{"NotANumber", {"train", "--alpha", "1,5"}, 2, "", "--alpha: ожидается число"},
        RunCase{"NoSuchName", {"continue", "--load", "@/broken.qvl", "--part", "all"}, 2, "", "--part"},
        RunCase{"HugeShape", {"train", "--input", "100000", "--hidden", "1000"}, 2, "", "train: "},
        RunCase{"ZeroStep", {"train", "--step", "0"}, 2, "", "--step: шаг обучения должен быть положительным"},
        RunCase{"Required", {"predict"}, 2, "", "нужен параметр --load"},
        RunCase{"LoadWithShape", {"train", "--load", "@/x.qvl", "--input", "4"}, 2, "", "нельзя сочетать"},
        RunCase{"TwoMelodies", {"command", "--melody", "1", "--melody-file", "@/m"}, 2, "", "нельзя указывать вместе"},
        RunCase{"TrackWithoutFile", {"command", "--track", "2"}, 2, "", "--track относится к --melody-file"},
        RunCase{"UntilWithClicks", {"train", "--until-exact", "--clicks", "2"}, 2, "", "--clicks нельзя сочетать"},
        RunCase{"UntilWithIterations", {"train", "--until-exact", "--iterations", "9"}, 2, "", "--max-seconds"},
        RunCase{"MaxSecondsZero", {"train", "--until-exact", "--max-seconds", "0"}, 2, "", "больше 0"},
        RunCase{"MaxSecondsAlone", {"train", "--max-seconds", "2"}, 2, "", "только с --until-exact"},
        RunCase{"WrittenTwice", {"play", "--midi", "@/broken.mid", "--wav", "@/./broken.mid"}, 2, "", "что --midi"},
        RunCase{"WrittenOverLink",
                {"play", "--melody-file", "@/broken.mid", "--wav", "@/link.mid"},
                2,
                "",
                "тот же файл, что --melody-file"},
        RunCase{"SaveOverMelody", {"train", "--melody-file", "@/broken.qvl", "--save", "@/broken"}, 2, "", "--save"},
#ifdef MELODYNET_CLI_PICTURES
        RunCase{"PlotGif", {"train", "--plot", "@/curve.gif"}, 2, "", "--plot: имя файла должно оканчиваться"},
#endif
        RunCase{"Untrainable", {"train", "--until-exact", "--melody", "3, 8"}, 1, "", "melodynet-cli: Учить нечего"},
        RunCase{"NotMidi", {"command", "--melody-file", "@/broken.mid"}, 1, "", "повреждён"},
        RunCase{"BrokenNetwork", {"predict", "--load", "@/broken.qvl"}, 1, "", "Строка 3: строка не является числом"},
        RunCase{"MissingFile", {"tracks", "@/none.mid"}, 1, "", "«@/none.mid»"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
