#include "support/SignalledRun.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/wait.h>

#include <algorithm>
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

struct Outcome {
    int status = -1;
    std::string out, err;
};

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ShellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
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

    // Runs the real program; `prefix` goes before it on the shell line, `stdoutPath` replaces the captured output.
    Outcome Cli(const std::vector<std::string>& arguments, const std::string& prefix = "",
                const std::string& stdoutPath = "") {
        std::string command = prefix + ShellQuoted(MELODYNET_CLI_PATH);
        for (const std::string& argument : arguments)
            command += " " + ShellQuoted(argument);
        const fs::path out = dir_ / "stdout.txt", err = dir_ / "stderr.txt";
        command += " >" + ShellQuoted(stdoutPath.empty() ? out.string() : stdoutPath) + " 2>" +
                   ShellQuoted(err.string()) + " </dev/null";
        const int raw = std::system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadAll(out), ReadAll(err)};
    }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    fs::path dir_;
};

// The same seed gives the same file; the text reports every click, the JSON the same training.
TEST_F(CliTool, TrainReportsClicksAndSavesBySeed) {
    std::vector<std::string> firstLines;
    for (const auto& [seed, name] : {std::pair{"5", "first"}, {"5", "second"}, {"6", "other"}}) {
        const Outcome run =
            Cli({"train", "--seed", seed, "--iterations", "4000", "--clicks", "2", "--save", Path(name)});
        ASSERT_EQ(run.status, 0) << run.err;
        const std::vector<std::string> lines = Lines(run.out);
        ASSERT_EQ(lines.size(), 3u) << run.out;
        EXPECT_TRUE(lines[1].starts_with("Нажатие 2: средняя ошибка ")) << lines[1];
        EXPECT_EQ(lines[2], "Сеть сохранена в " + Path(name) + ".qvl"); // paths without a dot get the extension
        if (firstLines.empty())
            firstLines = lines;
    }
    const std::string first = ReadAll(Path("first.qvl"));
    EXPECT_EQ(first, ReadAll(Path("second.qvl")));
    EXPECT_NE(first, ReadAll(Path("other.qvl")));

    const nlohmann::json json =
        nlohmann::json::parse(Cli({"train", "--seed", "5", "--iterations", "4000", "--clicks", "2", "--json"}).out);
    ASSERT_EQ(json["clicks"].size(), 2u);
    EXPECT_EQ(json["input"], 8);
    EXPECT_EQ(json["hidden"], 3);
    EXPECT_EQ(json["clicks"][0]["iterationsPerWindow"], 1000); // 12 notes make 4 windows of 8
    const std::string exact = "точно " + std::to_string(json["clicks"][1]["exact"].get<int>()) + " из 4";
    EXPECT_NE(firstLines[1].find(exact), std::string::npos) << firstLines[1];
}

// The first code of a continuation is the prediction; its command text has the lengths asked for.
TEST_F(CliTool, ContinueAndPredictAgree) {
    const std::string melody = "3, 8, 11, 3, 8, 11, 4, 8, 10, 1, 8, 10, 15, 20";
    const Outcome train = Cli({"train", "--seed", "9", "--input", "5", "--hidden", "4", "--alpha", "1.5",
                               "--iterations", "5000", "--melody", melody, "--save", Path("net.qvl"), "--json"});
    const nlohmann::json shape = nlohmann::json::parse(train.out);
    EXPECT_EQ(shape["input"], 5);
    EXPECT_EQ(shape["hidden"], 4);
    EXPECT_EQ(shape["alpha"], 1.5);
    const Outcome cont = Cli({"continue", "--load", Path("net.qvl"), "--melody", melody, "--notes", "20",
                              "--note-length", "16", "--pause-length", "4"});
    const std::vector<std::string> lines = Lines(cont.out);
    ASSERT_EQ(lines.size(), 2u) << cont.err;
    EXPECT_EQ(std::count(lines[0].begin(), lines[0].end(), ','), 19);
    const Outcome predict = Cli({"predict", "--load", Path("net.qvl"), "--melody", melody});
    EXPECT_EQ(predict.out, lines[0].substr(0, lines[0].find(',')) + "\n") << predict.err;
    EXPECT_TRUE(lines[1].starts_with("l16 ")) << lines[1];
    EXPECT_EQ(NoteNames(lines[1]), 20) << lines[1];
}

TEST_F(CliTool, CommandTextOfTheMelody) {
    const Outcome run =
        Cli({"command", "--melody", "1, 3, 15, 1, 27, 2, 49", "--note-length", "16", "--pause-length", "4"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "l16  p4 o1 c# o2 c# p4 o3 c# o1 c o4 b\n");
    EXPECT_EQ(run.err, "");

    // Codes outside 1..49 are kept as the window keeps them, and named with what becomes of them.
    const Outcome outside = Cli({"command", "--melody", "300, 0, 3, 50"});
    EXPECT_EQ(outside.out, "l8 o22 c# p8 o1 c# o5 c\n");
    const std::vector<std::string> warnings = Lines(outside.err);
    ASSERT_EQ(warnings.size(), 2u) << outside.err;
    EXPECT_NE(warnings[1].find("вне 1..49 у нот 1 (код 255), 2 (код 0, пауза), 4 (код 50): "), std::string::npos)
        << warnings[1];
    EXPECT_NE(warnings[1].find("выше 93"), std::string::npos) << warnings[1];
    EXPECT_EQ(Lines(Cli({"command", "--melody", "0, 50"}).err).at(0).find("выше 93"), std::string::npos);

    // A line break in a melody file separates items like a comma.
    for (const char* text : {"3\n8\n11\n", "3,\r\n8,\n\n11"}) {
        std::ofstream(Path("melody.txt"), std::ios::binary) << text;
        const Outcome fromFile = Cli({"command", "--melody-file", Path("melody.txt")});
        EXPECT_EQ(fromFile.out, "l8 o1 c# f# a\n") << text << fromFile.err;
    }
}

// Rendered files leave the History folder alone.
TEST_F(CliTool, MidiAndWavFilesOutAndIn) {
    const fs::path history = fs::path(MELODYNET_CLI_PATH).parent_path() / "History";
    const auto countHistory = [&history] {
        return fs::exists(history) ? std::distance(fs::directory_iterator(history), fs::directory_iterator()) : 0;
    };
    const auto before = countHistory();
    // The beginning goes out as the player plays it and comes back as the same codes.
    const Outcome out = Cli({"play", "--melody", "3, 8, 1, 11, 40", "--midi", Path("tune.mid"), "--program", "73",
                             "--wav", Path("out.wav")});
    ASSERT_EQ(out.status, 0) << out.err;
    EXPECT_EQ(ReadAll(Path("out.wav")).substr(0, 4), "RIFF");
    EXPECT_EQ(countHistory(), before);
    const Outcome in = Cli({"command", "--melody-file", Path("tune.mid")});
    EXPECT_EQ(in.out, "l8 o1 c# f# p8 a o4 d\n");
    EXPECT_EQ(in.err, "");

    // A continuation exports the part asked for, the whole by default.
    ASSERT_EQ(Cli({"train", "--seed", "3", "--iterations", "100", "--save", Path("net")}).status, 0);
    for (const auto& [part, notes] : {std::pair{"", 16}, {"continuation", 4}, {"beginning", 12}}) {
        std::vector<std::string> arguments = {"continue", "--load", Path("net.qvl"), "--notes",
                                              "4",        "--midi", Path("all.mid")};
        if (*part)
            arguments.insert(arguments.end(), {"--part", part});
        ASSERT_EQ(Cli(arguments).status, 0) << part;
        EXPECT_EQ(NoteNames(Cli({"command", "--melody-file", Path("all.mid")}).out), notes) << part;
    }
}

// tracks lists every track and marks the one --melody-file takes, which --track overrides.
TEST_F(CliTool, TracksOfAMidiFile) {
    const std::string file = std::string(MIDI_DATA_DIR) + "/bass_first.mid";
    const Outcome text = Cli({"tracks", file});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(text.out, "  1. без имени: нот нет\n"
                        "  2. «Track 1»: канал 2, программа 33 (Electric Bass (finger)), 4 нот от 36 до 43\n"
                        "* 3. без имени: канал 1, программа не задана, 4 нот от 67 до 72\n"
                        "Мелодией берётся дорожка 3.\n");
    const nlohmann::json json = nlohmann::json::parse(Cli({"tracks", "--json", file}).out);
    ASSERT_EQ(json["tracks"].size(), 3u);
    EXPECT_EQ(json["tracks"][1], nlohmann::json::parse(R"({"number": 2, "name": "Track 1", "channel": 2,
        "program": 33, "notes": 4, "low": 36, "high": 43, "chosen": false})"));
    EXPECT_TRUE(json["tracks"][0]["channel"].is_null());
    EXPECT_TRUE(json["tracks"][2]["chosen"].get<bool>());

    EXPECT_EQ(Cli({"command", "--melody-file", file}).out, "l8 o3 g a b o4 c\n");
    EXPECT_EQ(Cli({"command", "--melody-file", file, "--track", "2"}).out, "l8 o1 c g f c\n");

    // One note, then a status byte that cannot stand in a track.
    std::ofstream(Path("damaged.mid"), std::ios::binary)
        << std::string("MThd\0\0\0\6\0\0\0\1\1\xe0MTrk\0\0\0\14\0\x90\x3c\x5a\x10\x80\x3c\0\0\xf2\0\0", 34);
    EXPECT_EQ(Cli({"tracks", Path("damaged.mid")}).out,
              "  1. без имени: канал 1, программа не задана, 1 нот от 60 до 60, дорожка повреждена\n"
              "Мелодию взять не из чего: нет целой дорожки с нотами не на канале ударных.\n");

    const Outcome missing = Cli({"tracks", Path("none.mid")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("«" + Path("none.mid") + "»"), std::string::npos) << missing.err;
    EXPECT_EQ(Cli({"tracks"}).status, 2);
    EXPECT_EQ(Cli({"tracks", file, file}).status, 2);
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
        std::vector<std::string> arguments = {"train",    "--iterations", "2000000000", "--input", "64",
                                              "--melody", melody,         "--json",     "--save",  Path("half")};
        if (keep)
            arguments.push_back("--save-interrupted");
        const Outcome run = Cli(arguments, "timeout --preserve-status -s INT 1 ");
        EXPECT_EQ(run.status, 130) << run.err;
        EXPECT_NE(run.err.find("прервано"), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find('\r'), std::string::npos) << "no progress line where stderr is no terminal";
        const nlohmann::json clicks = nlohmann::json::parse(run.out)["clicks"];
        ASSERT_EQ(clicks.size(), 1u);
        EXPECT_TRUE(clicks[0]["interrupted"]);
        EXPECT_GT(clicks[0]["iterationsRun"], 0);
        EXPECT_EQ(fs::exists(Path("half.qvl")), keep);
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
    const auto names = [](const fs::path& folder) {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(folder))
            found.push_back(entry.path().filename().string());
        return found;
    };
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        const SignalledEnd end = RunAndSignal(
            MELODYNET_CLI_PATH,
            {"play", "--melody", melody, "--note-length", "1", "--wav", (out / "long.wav").string()},
            {{"TMPDIR", temporary.string()}}, [&] { return !names(out).empty() && !names(temporary).empty(); }, signal);
        EXPECT_TRUE(end.ready);
        EXPECT_EQ(end.endingSignal, signal);
        EXPECT_EQ(names(temporary), std::vector<std::string>());
        // The player goes on its own way out.
        for (int wait = 0; wait < 500 && !names(out).empty(); ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_EQ(names(out), std::vector<std::string>());
    }
}

// A run that fails after it began its JSON still ends the object, with the
// failure; a network that cannot train says why and fails; a network may be
// trained further into its own file.
TEST_F(CliTool, FailuresAreToldAndJsonStaysWhole) {
    const Outcome unsaved = Cli({"train", "--clicks", "2", "--iterations", "10", "--save", Path("no/net"), "--json"});
    EXPECT_EQ(unsaved.status, 1);
    const nlohmann::json object = nlohmann::json::parse(unsaved.out);
    EXPECT_EQ(object["clicks"].size(), 2u);
    EXPECT_EQ("melodynet-cli: " + object["failure"].get<std::string>() + "\n", unsaved.err);
    EXPECT_TRUE(object["saved"].is_null());

    // Counts 2 and 1, the step 0, every value 0.
    std::ofstream(Path("still.qvl")) << " 2\r\n 1\r\n 1\r\n 0\r\n 0\r\n 0\r\n 0\r\n 0\r\n 0\r\n";
    const Outcome still = Cli({"train", "--load", Path("still.qvl"), "--iterations", "10"});
    EXPECT_EQ(still.status, 1);
    EXPECT_NE(still.out.find("обучение не выполнялось: шаг обучения 0 не больше нуля"), std::string::npos) << still.out;
    EXPECT_NE(still.err.find("шаг обучения 0 не больше нуля"), std::string::npos) << still.err;

    const Outcome further = Cli({"train", "--load", Path("still.qvl"), "--step", "0.5", "--save", Path("still.qvl")});
    EXPECT_EQ(further.status, 0) << further.err;
    EXPECT_EQ(Lines(ReadAll(Path("still.qvl"))).at(3), " .5\r");
}

// --until-exact says at once which windows contradict the others, then what ended the run, and agrees with --json.
TEST_F(CliTool, TrainUntilExact) {
    const std::vector<std::string> conflicting = {
        "--melody", "3, 5, 7, 3, 5, 9, 3, 5, 7, 12, 3, 5, 7, 3, 5, 9", "--input", "3", "--hidden", "4"};
    std::vector<std::string> text = {"train", "--seed", "1", "--until-exact"};
    text.insert(text.end(), conflicting.begin(), conflicting.end());
    const std::vector<std::string> lines = Lines(Cli(text).out);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(lines[0].starts_with("1 окно из 13 противоречат друг другу")) << lines[0];
    EXPECT_TRUE(lines[1].starts_with("Результат достигнут")) << lines[1];
    text.push_back("--json");
    const nlohmann::json json = nlohmann::json::parse(Cli(text).out);
    EXPECT_TRUE(json["clicks"].empty());
    const nlohmann::json& until = json["untilExact"];
    EXPECT_EQ(until["end"], "allLearnable");
    EXPECT_EQ(until["windows"], 13);
    EXPECT_EQ(until["learnable"], 12);
    EXPECT_EQ(until["exact"], 12);
    EXPECT_GT(until["epochs"], 0);
    EXPECT_GE(until["seconds"], 0.0);

    // A melody without windows: the reason as a failure.
    const Outcome untrainable = Cli({"train", "--until-exact", "--melody", "3, 8"});
    EXPECT_EQ(untrainable.status, 1);
    EXPECT_TRUE(untrainable.out.empty());
    EXPECT_TRUE(untrainable.err.starts_with("melodynet-cli: Учить нечего")) << untrainable.err;
}

// An empty melody text is a melody of one pause, for play as for the others.
TEST_F(CliTool, EmptyMelodyPlaysAPause) {
    const Outcome run = Cli({"play", "--melody", "", "--wav", Path("pause.wav")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadAll(Path("pause.wav")).substr(0, 4), "RIFF");
}

// continue --melody-notes keeps every note among the beginning's.
TEST_F(CliTool, ContinueInMelodyNotes) {
    ASSERT_EQ(Cli({"train", "--seed", "2", "--clicks", "1", "--iterations", "50", "--save", Path("few")}).status, 0);
    const Outcome run = Cli({"continue", "--load", Path("few.qvl"), "--notes", "40", "--melody-notes", "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::set<int> own = {3, 8, 11, 4, 10, 1};
    const nlohmann::json continued = nlohmann::json::parse(run.out);
    for (const int code : continued["codes"])
        EXPECT_TRUE(own.count(code)) << code;
}

#ifdef MELODYNET_CLI_PICTURES
// --plot and --roll write pictures of the format their extension names.
TEST_F(CliTool, PicturesOfCurveAndRoll) {
    const Outcome train =
        Cli({"train", "--seed", "1", "--clicks", "3", "--save", Path("net"), "--plot", Path("curve.png")});
    ASSERT_EQ(train.status, 0) << train.err;
    EXPECT_EQ(train.err, "");
    EXPECT_EQ(Lines(train.out).at(4), "Кривая обучения записана в " + Path("curve.png"));
    EXPECT_EQ(ReadAll(Path("curve.png")).substr(1, 3), "PNG");

    const Outcome roll = Cli({"continue", "--load", Path("net.qvl"), "--notes", "5", "--roll", Path("roll.png")});
    ASSERT_EQ(roll.status, 0) << roll.err;
    EXPECT_EQ(Lines(roll.out).size(), 2u);
    EXPECT_EQ(ReadAll(Path("roll.png")).substr(1, 3), "PNG");

    // A picture that cannot be written fails the run after its clicks, once
    // the network is saved; both outcomes are told, also in JSON.
    for (const bool json : {false, true}) {
        std::vector<std::string> arguments = {
            "train", "--clicks", "1", "--save", Path("kept"), "--plot", Path("no/such/curve.png")};
        if (json)
            arguments.push_back("--json");
        const Outcome missing = Cli(arguments);
        EXPECT_EQ(missing.status, 1);
        EXPECT_TRUE(missing.err.starts_with("melodynet-cli: не удалось записать рисунок «" + Path("no/such/curve.png")))
            << missing.err;
        EXPECT_TRUE(fs::remove(Path("kept.qvl")));
        if (json) {
            const nlohmann::json object = nlohmann::json::parse(missing.out);
            EXPECT_EQ(object["saved"], Path("kept.qvl"));
            EXPECT_TRUE(object["plot"].is_null());
            EXPECT_EQ("melodynet-cli: " + object["failure"].get<std::string>() + "\n", missing.err);
        } else {
            EXPECT_EQ(Lines(missing.out).at(1), "Сеть сохранена в " + Path("kept.qvl"));
        }
    }
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
    std::ofstream(Path("broken.qvl")) << " 8\r\n 3\r\n abc\r\n";
    std::ofstream(Path("broken.mid")) << std::string("MThd\0\0\0\2\0", 9);
    fs::create_symlink("broken.mid", Path("link.mid"));
    std::vector<std::string> arguments = GetParam().arguments;
    for (std::string& argument : arguments)
        if (const size_t at = argument.find('@'); at != std::string::npos)
            argument.replace(at, 1, dir_.string());
    const Outcome run = Cli(arguments);
    EXPECT_EQ(run.status, GetParam().status) << run.err;
    EXPECT_EQ(run.out, "");
    ASSERT_EQ(Lines(run.err).size(), 1u) << run.err;
    EXPECT_TRUE(run.err.starts_with("melodynet-cli: ")) << run.err;
    std::string message = GetParam().message;
    if (const size_t at = message.find('@'); at != std::string::npos)
        message.replace(at, 1, dir_.string());
    EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
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
        ErrorCase{"HugeShape", {"train", "--input", "100000", "--hidden", "1000"}, 2, "train: "},
        ErrorCase{"LoadWithShape", {"train", "--load", "@/x.qvl", "--input", "4"}, 2, "нельзя сочетать"},
        ErrorCase{"TwoMelodies", {"command", "--melody", "1", "--melody-file", "@/m"}, 2, "нельзя указывать вместе"},
        ErrorCase{
            "NoteLengthZero", {"command", "--note-length", "0"}, 2, "--note-length: ожидается целое число от 1 до 64"},
        ErrorCase{"PredictWithoutLoad", {"predict"}, 2, "нужен параметр --load"},
        ErrorCase{"EmptyWav", {"play", "--wav="}, 2, "у параметра --wav пустое значение"},
        ErrorCase{"TrackWithoutFile", {"command", "--track", "2"}, 2, "--track относится к --melody-file"},
        ErrorCase{"BadPart", {"continue", "--load", "@/broken.qvl", "--part", "all"}, 2, "--part"},
        ErrorCase{"NotMidi", {"command", "--melody-file", "@/broken.mid"}, 1, "повреждён"},
        ErrorCase{"NotAMelody", {"command", "--melody-file", "@/broken.qvl"}, 1, "broken.qvl» не является ни MIDI"},
        ErrorCase{"BrokenFile", {"predict", "--load", "@/broken.qvl"}, 1, "Строка 3: строка не является числом"},
        ErrorCase{"TrainLoadBroken", {"train", "--load", "@/broken.qvl"}, 1, "Не удалось загрузить нейронную сеть"},
        ErrorCase{"UntilWithClicks", {"train", "--until-exact", "--clicks", "2"}, 2, "--clicks нельзя сочетать"},
        ErrorCase{"MaxClicksGone", {"train", "--until-exact", "--max-clicks", "2"}, 2, "--max-seconds"},
        ErrorCase{"UntilWithIterations", {"train", "--until-exact", "--iterations", "9"}, 2, "--max-seconds"},
        ErrorCase{"MaxSecondsAlone", {"train", "--max-seconds", "2"}, 2, "только с --until-exact"},
        ErrorCase{"MaxSecondsZero", {"train", "--until-exact", "--max-seconds", "0"}, 2, "больше 0"},
        ErrorCase{"MaxSecondsNaN", {"train", "--until-exact", "--max-seconds", "nan"}, 2, "--max-seconds"},
        ErrorCase{"NegativeStep", {"train", "--step", "-1"}, 2, "--step: шаг обучения должен быть положительным"},
        ErrorCase{"ZeroStep", {"train", "--step", "0"}, 2, "--step: шаг обучения должен быть положительным"},
        ErrorCase{"StepUnderflow", {"train", "--step", "1e-400"}, 2, "--step: "},
        ErrorCase{"MidiOverNetwork",
                  {"continue", "--load", "@/broken.qvl", "--midi", "@/broken.qvl"},
                  2,
                  "--midi «@/broken.qvl» — тот же файл, что --load"},
        ErrorCase{"WavOverMelodyLink",
                  {"play", "--melody-file", "@/broken.mid", "--wav", "@/link.mid"},
                  2,
                  "тот же файл, что --melody-file"},
        ErrorCase{
            "MidiOverWav", {"play", "--midi", "@/broken.mid", "--wav", "@/./broken.mid"}, 2, "тот же файл, что --midi"},
        ErrorCase{"SaveOverMelody", {"train", "--melody-file", "@/broken.qvl", "--save", "@/broken"}, 2, "--save"},
#ifdef MELODYNET_CLI_PICTURES
        ErrorCase{"PlotGif", {"train", "--plot", "@/curve.gif"}, 2, "--plot: имя файла должно оканчиваться"},
#endif
        ErrorCase{"SaveIntoMissingFolder",
                  {"train", "--clicks", "0", "--save", "@/no/such/net"},
                  1,
                  "Не удалось сохранить нейронную сеть"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
