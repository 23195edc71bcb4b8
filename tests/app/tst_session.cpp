#include "app/Session.h"

#include "app/Defaults.h"
#include "app/Messages.h"
#include "app/NoteRange.h"
#include "engine/FormulaLibrary.h"
#include "numbers/NumberText.h"
#include "platform/DynamicLibrary.h"
#include "support/PlatformFakes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

using app::MelodyPart;
using app::Problem;

// Reads "2,5" as the user's format, as a German locale would, and writes back with a comma.
struct CommaLocale : platform::LocaleNumbers {
    std::optional<double> toDouble(std::string_view text) const override {
        std::string dotted(text);
        std::replace(dotted.begin(), dotted.end(), ',', '.');
        return ParseStrictNumber(dotted);
    }
    std::string toText(double value) const override {
        std::string text = NumberText(value);
        std::replace(text.begin(), text.end(), '.', ',');
        return text;
    }
};

const std::string History = "/opt/melody net/History";

// A file of the MIDI tests' data.
std::string MidiData(const char* name) {
    std::ifstream in(std::string(MIDI_DATA_DIR) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
const uint8_t DefaultTargets[] = {10, 1, 8, 10};
const std::string DefaultCommand = "l8 o1 c# f# a c# f# a d f# g# p8 f# g#";

// A session as the window has it after its start-up, on fakes.
class SessionTest : public testing::Test {
protected:
    SessionTest() {
        session.OnNetworkChanged([this](bool changed) { networkChanges.push_back(changed); });
        session.AddListener([this](app::Change change) { changes.push_back(change); });
        session.PrepareHistory();
        session.Start();
        session.SetMelodyText(app::defaults::Melody);
        session.SetNoteLengthText("8");
        session.SetPauseLengthText("8");
        session.SetAlphaText("1");
        session.SetInputCountText("8");
        session.SetLearnStepText("1");
        session.SetNetworkChanged(true);
        session.state().SetSeed(42);
        networkChanges.clear();
        changes.clear();
    }

    static std::shared_ptr<const FormulaLibrary> library() {
        static const auto loaded = FormulaLibrary::loadFrom(platform::executableFolder()).value();
        return loaded;
    }

    MemoryFileSystem files;
    FakeStarter starter{files};
    CommaLocale locale;
    app::Session session{library(), files, starter, locale};
    mdMain& state = session.state();
    std::vector<bool> networkChanges;
    std::vector<app::Change> changes;
};

TEST_F(SessionTest, FieldRules) {
    const int32_t max = std::numeric_limits<int32_t>::max();
    // input text, then the counts; a typed input count replaces the hidden count by its derived default
    const std::tuple<const char*, int32_t, int32_t> inputs[] = {{"8", 8, 3},       {"1", 2, 1},       {"3,5", 4, 2},
                                                                {"2,5", 2, 1},     {"16", 16, 4},     {"9e9", max, 30},
                                                                {"1023", 1023, 9}, {"1024", 1024, 10}};
    for (const auto& [text, inputCount, hiddenCount] : inputs) {
        session.SetHiddenCountText("5");
        EXPECT_EQ(session.SetInputCountText(text), hiddenCount) << text;
        EXPECT_EQ(state.InputCount, inputCount) << text;
        EXPECT_EQ(state.HiddenCount, hiddenCount) << text;
    }
    for (const auto& [text, hidden] : {std::pair{"0", 1}, {"99", 99}, {"2,5", 2}}) {
        session.SetHiddenCountText(text);
        EXPECT_EQ(state.HiddenCount, hidden) << text;
    }
    session.SetAlphaText("2,5");
    session.SetLearnStepText("3x"); // not a whole number in the user's format: the leading number
    EXPECT_EQ(state.Alpha, 2.5);
    EXPECT_EQ(state.LearnStep, 3.0);
    EXPECT_TRUE(networkChanges.empty()) << "no field rule touches NSChanged";
}

TEST_F(SessionTest, MelodyAndLengthsMakeTheBeginningsCommandText) {
    EXPECT_EQ(session.CommandText(MelodyPart::Beginning), DefaultCommand);
    session.SetMelodyText("3, 1");
    session.SetNoteLengthText("16");
    session.SetPauseLengthText("4");
    EXPECT_EQ(session.CommandText(MelodyPart::Beginning), "l16 o1 c# p4");
    EXPECT_EQ(changes.back(), app::Change::Melody);
}

TEST_F(SessionTest, RebuildProtocolAndNewNetwork) {
    // A shape too large is refused before anything changes.
    session.SetInputCountText("9e9");
    const app::TrainingResult refused = session.Train(100);
    EXPECT_EQ(std::tuple(refused.failure.problem, refused.failure.inputCount),
              std::tuple(Problem::ShapeTooLarge, std::numeric_limits<int32_t>::max()));
    EXPECT_NE(app::messages::Text(refused.failure).find("9e9 входных и 30 скрытых"), std::string::npos)
        << "the message names what was typed";
    EXPECT_TRUE(state.NSChanged && !session.trained() && networkChanges.empty() && state.InLayer.empty());

    session.SetInputCountText("8");
    const app::PredictionResult first = session.Predict();
    EXPECT_FALSE(first.failure);
    EXPECT_EQ(std::tuple(networkChanges, state.InLayer.size()), std::tuple(std::vector<bool>{false}, 9u));
    const NeuronRef built = state.InLayer[1];
    EXPECT_EQ(session.Predict().code, first.code) << "a built network is used as it is";
    EXPECT_EQ(state.InLayer[1], built);

    session.NewNetwork();
    EXPECT_EQ(networkChanges, (std::vector<bool>{false, true}));
    session.Predict();
    EXPECT_FALSE(session.trained());
    EXPECT_NE(state.InLayer[1], built) << "a new network after \"Создать новую\"";
}

// The mean error is measured on the output held to the codes' values: an output far beyond them is 48 semitones off at
// most.
TEST_F(SessionTest, MeanErrorStaysWithinTheCodes) {
    session.SetMelodyText("2, 2, 2, 2");
    session.SetInputCountText("2");
    ASSERT_FALSE(session.EnsureNetwork());
    mdMain& state = session.state();
    for (int32_t k = 1; k <= state.OutNeuron->nInput(); ++k)
        state.OutNeuron->setIWeight(k, 0.0);
    state.OutNeuron->setDisplacing(50.0); // the output: 2*sigmoid(50)-1, about 1, a whole value beyond code 49
    const app::LearningReport report = app::ScoreWindows(state);
    ASSERT_EQ(report.windows.size(), 2u);
    EXPECT_EQ(std::tuple(report.windows[0].predicted, report.meanError), std::tuple(49, 47.0));
}

TEST_F(SessionTest, TrainingClicksReportAndMakeTheCurve) {
    session.SetHiddenCountText("3");
    const app::TrainingResult first = session.Train(10000);
    const app::LearningReport& report = first.report;
    EXPECT_TRUE(first.firstClick && session.trained());
    EXPECT_EQ(report.iterationsPerWindow, 2500);
    ASSERT_EQ(report.windows.size(), 4u);
    int32_t exact = 0;
    for (size_t w = 0; w < 4; ++w) {
        EXPECT_EQ(report.windows[w].target, DefaultTargets[w]);
        exact += report.windows[w].predicted == DefaultTargets[w];
    }
    EXPECT_EQ(report.exact, exact);

    for (int click = 2; click <= 42; ++click)
        EXPECT_FALSE(session.Train(10000).firstClick);
    ASSERT_EQ(session.learningCurve().size(), 42u);
    EXPECT_EQ(session.learningCurve().back().exact, 4) << "seed 42 learns the default melody in 42 clicks";
    EXPECT_LT(session.learningCurve().back().meanError, session.learningCurve().front().meanError);
    EXPECT_EQ(changes.back(), app::Change::Trained);
    // Without a learning step nothing is trained, but the click still scores the windows.
    session.SetLearnStepText("0");
    const app::TrainingResult idle = session.Train(10000);
    EXPECT_EQ(std::tuple(idle.report.trained, idle.report.exact), std::tuple(false, 4));

    session.NewNetwork();
    EXPECT_TRUE(session.learningCurve().empty());
    EXPECT_TRUE(session.Train(0).firstClick);
}

TEST_F(SessionTest, ContinuationsFillTheBufferAndKeepTheirCommandText) {
    // requested notes, notes written, cut by the buffer
    const std::tuple<int32_t, size_t, bool> rows[] = {
        {12, 12, false}, {-4, 0, false}, {1012, 1012, false}, {2000, 1012, true}};
    for (const auto& [count, written, shortened] : rows) {
        const app::ContinuationResult result = session.Continue(count);
        EXPECT_EQ(std::tuple(result.codes.size(), result.shortened, state.ContLen),
                  std::tuple(written, shortened, static_cast<int32_t>(written)))
            << count;
        EXPECT_TRUE(std::ranges::equal(session.continuation(), result.codes)) << count;
    }
    EXPECT_EQ(std::tuple(session.beginning().size(), session.defaultContinuationCount()), std::tuple(12u, 12));
    session.Continue(3);
    const std::string continuation = session.CommandText(MelodyPart::Continuation);
    EXPECT_EQ(continuation.rfind("l8 ", 0), 0u);
    // A new note length rebuilds the beginning's text only.
    session.SetNoteLengthText("16");
    EXPECT_EQ(session.CommandText(MelodyPart::Continuation), continuation);
    EXPECT_EQ(session.CommandText(MelodyPart::Whole), session.CommandText(MelodyPart::Beginning) + " " + continuation);
}

TEST_F(SessionTest, PlayWritesThePartAndReportsFailures) {
    EXPECT_FALSE(session.Play(MelodyPart::Whole).failure);
    EXPECT_EQ(files.files.at(History + "/000.cmd"), DefaultCommand + " \r\n");
    EXPECT_EQ(session.Play(MelodyPart::Continuation).commandFile, History + "/001.cmd");
    EXPECT_EQ(files.files.at(History + "/001.cmd"), "\r\n");

    starter.fail = true;
    const app::Failure notStarted = session.Play(MelodyPart::Beginning).failure;
    EXPECT_EQ(std::tuple(notStarted.problem, notStarted.path, notStarted.reason),
              std::tuple(Problem::PlayerNotStarted, History + "/002.cmd", "no such program"));

    for (int n = 0; n < CmdFileCount; ++n)
        files.files[History + "/" + CmdFileName(n)] = "x";
    const app::Failure full = session.Play(MelodyPart::Beginning).failure;
    EXPECT_EQ(std::tuple(full.problem, full.path), std::tuple(Problem::HistoryFull, History));
}

TEST_F(SessionTest, WavFilesComeFromThePlayer) {
    // the player's run, then the failure's problem and reason
    const std::tuple<platform::ProcessRun, Problem, std::string> rows[] = {
        {{true, true, 0, "", ""}, Problem::None, ""},
        {{true, true, 1, "Play: cannot write x.wav: disk full\r\nmore\n", ""},
         Problem::PlayerFailed,
         "Play: cannot write x.wav: disk full"},
        {{true, true, 3, "", ""}, Problem::PlayerFailed, "код выхода 3"},
        {{true, false, -1, "", ""}, Problem::PlayerFailed, "время ожидания истекло"},
        {{false, false, -1, "", "no such program"}, Problem::PlayerNotStarted, "no such program"},
    };
    for (const auto& [run, problem, reason] : rows) {
        starter.runResult = run;
        starter.calls.clear();
        const app::Failure failure = session.ExportWav(MelodyPart::Beginning, "/tmp/x.wav", 73);
        EXPECT_EQ(std::tuple(failure.problem, failure.reason), std::tuple(problem, reason));
        ASSERT_EQ(starter.calls.size(), 1u);
        EXPECT_EQ(starter.calls[0].arguments,
                  (std::vector<std::string>{"--wav", "/tmp/x.wav", "--program", "73", starter.calls[0].arguments[4]}));
        EXPECT_TRUE(starter.calls[0].complete) << "the command file is complete before the player runs";
        EXPECT_EQ(files.files.count(starter.calls[0].arguments[4]), 0u) << "and removed afterwards";
    }
}

TEST_F(SessionTest, SaveAndLoad) {
    const std::string path = "/tmp/net.qvl";
    files.folders.insert("/tmp");
    const app::SaveResult plain = session.Save("/tmp/net");
    ASSERT_FALSE(plain.failure);
    // The network extension is added; saving builds the network first.
    EXPECT_EQ(std::tuple(plain.path, networkChanges), std::tuple(path, std::vector<bool>{false}));
    const std::string saved = files.files.at(path);

    // Loaded while the fields name another shape: the file's shape and values win.
    session.NewNetwork();
    session.SetInputCountText("16");
    session.SetLearnStepText("3");
    const app::LoadResult loaded = session.Load(path);
    ASSERT_FALSE(loaded.failure);
    EXPECT_EQ(std::tuple(state.InputCount, state.HiddenCount, state.LearnStep, state.NSChanged, session.trained()),
              std::tuple(8, 3, 1.0, false, true));

    // A broken file changes nothing and says where it is broken.
    files.files["/tmp/broken.qvl"] = " 8\r\n 3\r\n x\r\n";
    session.NewNetwork();
    session.SetInputCountText("4");
    const app::LoadResult broken = session.Load("/tmp/broken.qvl");
    EXPECT_EQ(std::tuple(broken.failure.problem, broken.failure.reading.line, state.InputCount, state.NSChanged,
                         session.trained()),
              std::tuple(Problem::NetworkFileBroken, 3, 4, true, false));

    const app::Failure unwritten = session.Save("/no/such/folder/net.qvl").failure;
    EXPECT_EQ(std::tuple(unwritten.problem, unwritten.reason), std::tuple(Problem::NetworkFileNotWritten, "disk full"));
    state.OutNeuron->setIWeight(1, INFINITY);
    EXPECT_EQ(session.Save("/tmp/inf.qvl").failure.problem, Problem::NetworkNotStorable);
    EXPECT_EQ(files.files.count("/tmp/inf.qvl"), 0u);
}

// A melody file is MIDI (plain or RIFF-wrapped) or a text of codes; anything
// else, and a file past its limit, is refused with a message naming it.
TEST_F(SessionTest, MelodyFilesOfEveryKind) {
    const std::string smf = MidiData("rests.mid");
    std::string rmid = "RIFF    RMIDdata    " + smf;
    for (int i = 0; i < 4; ++i) {
        rmid[4 + i] = static_cast<char>((rmid.size() - 8) >> (8 * i));
        rmid[16 + i] = static_cast<char>(smf.size() >> (8 * i));
    }
    const struct {
        const char* name;
        std::string bytes;
        bool allowText;
        Problem problem;
        std::string text; // the melody, or a part of the message
    } rows[] = {
        {"codes",
         "\xEF\xBB\xBF"
         "3\r\n8, 11\n",
         true, Problem::None, "3, 8, 11"},
        {"RMID as text allowed", rmid, true, Problem::None, "26, 1, 28, 30, 1, 31, 33"},
        {"RMID", rmid, false, Problem::None, "26, 1, 28, 30, 1, 31, 33"},
        {"empty", "", true, Problem::MelodyFileEmpty, "«/tmp/melody» пуст"},
        {"empty as MIDI", "", false, Problem::MelodyFileEmpty, "«/tmp/melody» пуст"},
        {"program bytes",
         std::string("\x7f"
                     "ELF\x02\x01\x01\0\0\0",
                     10),
         true, Problem::MelodyFileNotMelody, "«/tmp/melody» не является"},
        {"words", "do re mi", true, Problem::MelodyFileNotMelody, "«/tmp/melody»"},
        {"text as MIDI", "3, 8", false, Problem::MidiFileBroken, "это не MIDI-файл"},
        {"text past its limit", std::string(MaxMelodyFileBytes + 1, '1'), true, Problem::MelodyFileTooLarge,
         "больше 1048576 байт"},
        {"MIDI past its limit", "MThd" + std::string(MidiMaxFileBytes, '\0'), true, Problem::MelodyFileTooLarge,
         "больше 16777216 байт"},
        {"anything past the MIDI limit", std::string(MidiMaxFileBytes + 1, '1'), false, Problem::MelodyFileTooLarge,
         "больше 16777216 байт"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        files.files["/tmp/melody"] = row.bytes;
        const app::MelodyFileResult read = session.ReadMelodyFile("/tmp/melody", row.allowText);
        EXPECT_EQ(read.failure.problem, row.problem);
        if (row.problem == Problem::None)
            EXPECT_EQ(read.text, row.text);
        else
            EXPECT_NE(app::messages::Text(read.failure).find(row.text), std::string::npos)
                << app::messages::Text(read.failure);
    }
    files.files.erase("/tmp/melody");
}

// A missing or note-less track: the message names the file, the track, the count and where the notes are.
TEST_F(SessionTest, TrackMessagesNameTheTracks) {
    files.files["/tmp/t.mid"] = MidiData("drums_then_piano.mid");
    files.files["/tmp/b.mid"] = MidiData("bass_first.mid");
    const std::tuple<const char*, int, std::string> rows[] = {
        {"/tmp/t.mid", 5,
         "Не удалось прочитать мелодию из файла «/tmp/t.mid»: в файле нет дорожки 6: дорожек в файле 3, "
         "ноты есть только на дорожке 3."},
        {"/tmp/t.mid", 0, "«/tmp/t.mid»: на дорожке 1 нет нот: дорожек в файле 3, ноты есть только на дорожке 3."},
        {"/tmp/t.mid", 1,
         "«/tmp/t.mid»: на дорожке 2 только ноты ударных (канал 10): дорожек в файле 3, ноты есть только на "
         "дорожке 3."},
        {"/tmp/b.mid", 0, "ноты есть на дорожках 2 и 3."},
    };
    for (const auto& [path, track, message] : rows) {
        const std::string told = app::messages::Text(session.ReadMelodyFile(path, true, track).failure);
        EXPECT_NE(told.find(message), std::string::npos) << told;
    }
}

// The track a melody came from is named while the beginning is the text read.
TEST_F(SessionTest, MelodyOriginLastsWhileTheTextDoes) {
    files.files["/tmp/b.mid"] = MidiData("bass_first.mid");
    const app::MelodyFileResult read = session.ReadMelodyFile("/tmp/b.mid", false);
    ASSERT_FALSE(read.failure);
    EXPECT_EQ(session.melodyOrigin(), nullptr);
    session.RememberMelodyOrigin("/tmp/b.mid", read);
    session.SetMelodyText(read.text);
    ASSERT_NE(session.melodyOrigin(), nullptr);
    EXPECT_EQ(std::tuple(session.melodyOrigin()->track, session.melodyOrigin()->trackCount), std::tuple(2, 3));
    session.SetMelodyText("3, 8");
    EXPECT_EQ(session.melodyOrigin(), nullptr);
}

TEST(SessionMessages, NameTheFileAndTheReason) {
    app::Failure broken = app::Failure::Of(Problem::NetworkFileBroken);
    broken.path = "/home/u/net.qvl";
    broken.reading = {NetworkFileError::Truncated, 3, 9, 2, ""};
    app::Failure tooLarge = app::Failure::Of(Problem::ShapeTooLarge);
    std::tie(tooLarge.inputCount, tooLarge.hiddenCount) = std::pair(100000, 1000);
    app::Failure manyTracks = app::Failure::Of(Problem::MidiFileBroken);
    manyTracks.path = "/tmp/many.mid";
    manyTracks.midi = {MidiError::NoSuchTrack, 0, 99};
    manyTracks.midi.trackCount = 30;
    for (int track = 0; track < 30; ++track)
        manyTracks.midi.melodicTracks.push_back(track);
    app::Failure damaged = app::Failure::Of(Problem::MidiFileBroken);
    damaged.path = "/tmp/d.mid";
    damaged.midi = {MidiError::Truncated, 20, 1};
    app::Failure full = app::Failure::Of(Problem::HistoryFull);
    full.path = "/opt/melody net/History";
    app::Failure unwritable = app::Failure::Of(Problem::HistoryUnavailable);
    unwritable.path = "/opt/melody net/History";
    unwritable.otherPaths = {"/home/u/.local/share/melodynet/History"};
    app::Failure cut = broken;
    cut.reading.error = NetworkFileError::Unterminated;
    const std::pair<app::Failure, std::vector<std::string>> rows[] = {
        {broken, {"«/home/u/net.qvl»", "Строка 3: файл обрывается: нужно строк — 9, а в файле только 2"}},
        {tooLarge, {"100000 входных и 1000 скрытых", "Измените число нейронов"}},
        {full, {"Пожалуйста, почистите папку с историей команд\n/opt/melody net/History"}},
        {unwritable, {"«/opt/melody net/History» или «/home/u/.local/share/melodynet/History»"}},
        {cut, {"«/home/u/net.qvl»", "Строка 3: строка не закончена"}},
        {damaged, {"«/tmp/d.mid»", "(байт 20, дорожка 2)"}},
        {manyTracks,
         {"«/tmp/many.mid»: в файле нет дорожки 100: дорожек в файле 30, ноты есть на дорожках 1, 2, ",
          ", 19, 20 и ещё на 10."}},
    };
    for (const auto& [failure, parts] : rows)
        for (const std::string& part : parts)
            EXPECT_NE(app::messages::Text(failure).find(part), std::string::npos) << app::messages::Text(failure);
    EXPECT_EQ(app::messages::Text({}), "");
}

} // namespace

// What the MIDI import changed, one line a kind, in the grammar of each count.
TEST(MessagesTest, MidiAdjustmentsInWords) {
    MidiMelody several;
    several.notesMoved = 1;
    several.notesCut = 3;
    several.graceNotes = 12;
    several.notesShortened = 21;
    EXPECT_EQ(app::messages::MidiAdjustments("b.mid", several),
              "Мелодия из файла «b.mid» прочитана с изменениями:\n"
              "— 1 нота перенесена на целое число октав в диапазон кодов 2–49;\n"
              "— 3 ноты не вошли: мелодия вмещает не более 1024 нот;\n"
              "— 12 форшлагов пропущено: короткие ноты-украшения перед основной нотой;\n"
              "— 21 нота укорочена: звучание заходило за начало следующей ноты.");
    EXPECT_EQ(app::messages::MidiAdjustments("c.mid", MidiMelody{}), "");
}

// Counts take the noun's form their last two digits ask for; a long list of notes is named by its first ten.
TEST(MessagesTest, CountsAndListsInWords) {
    const std::pair<size_t, const char*> counts[] = {{2, "2 ноты"},    {5, "5 нот"},      {11, "11 нот"},
                                                     {14, "14 нот"},   {22, "22 ноты"},   {111, "111 нот"},
                                                     {112, "112 нот"}, {121, "121 нота"}, {1004, "1004 ноты"}};
    for (const auto& [count, words] : counts) {
        MidiMelody moved;
        moved.notesMoved = count;
        EXPECT_NE(app::messages::MidiAdjustments("a.mid", moved).find(std::string("— ") + words + " перенесен"),
                  std::string::npos)
            << app::messages::MidiAdjustments("a.mid", moved);
    }
    std::vector<app::OutOfRangeNote> notes;
    for (int32_t place = 1; place <= 11; ++place)
        notes.push_back({place, uint8_t(place == 11 ? 200 : 50), place == 11});
    const std::string told = app::messages::OutOfRange(notes);
    EXPECT_NE(told.find("10 (код 50) и ещё 1:"), std::string::npos) << told;
    EXPECT_NE(told.find("проигрыватель, MIDI и WAV их не озвучивают"), std::string::npos) << told;
    notes.resize(10);
    EXPECT_NE(app::messages::OutOfRange(notes).find("10 (код 50):"), std::string::npos);
    EXPECT_EQ(app::messages::cli::UnknownCommand("tr\nain" + std::string(90, 'x')),
              "неизвестная команда «tr ain" + std::string(74, 'x') + "»; melodynet-cli --help покажет список");
}

// Notes outside 1..49 are found by their place from 1, with whether MIDI has no key for them.
TEST_F(SessionTest, NotesOutsideTheCodesByPlace) {
    session.SetMelodyText("3, 0, 49, 60, 1, 255");
    const std::vector<app::OutOfRangeNote> notes = app::OutOfRangeNotes(session.state());
    std::vector<std::tuple<int32_t, int, bool>> found;
    for (const app::OutOfRangeNote& note : notes)
        found.emplace_back(note.position, note.code, note.silentInMidi);
    EXPECT_EQ(found, (decltype(found){{2, 0, false}, {4, 60, false}, {6, 255, true}}));
}
