#pragma once

#include "app/Failure.h"
#include "app/LearningReport.h"
#include "app/NoteRange.h"
#include "app/TrainUntil.h"
#include "engine/FormulaLibrary.h"
#include "midi/MidiImport.h"

#include <cstdint>
#include <string>
#include <string_view>

// The Russian texts the user is told, in one place for the window and the
// command-line tool.
namespace app::messages {

// Caption of every message box.
inline constexpr const char* ApplicationTitle = "Предсказание нот";
// The formula library cannot be loaded (FormulaLibraryReason follows on the next line).
inline constexpr const char* FormulaLibraryMissing =
    "Не удалось загрузить библиотеку формул, без неё программа работать не может.";
// Why the formula library cannot be loaded: the files and the system's reason.
std::string FormulaLibraryReason(const FormulaLibraryFailure& failure);
// A command that ran out of memory and was left undone.
inline constexpr const char* OutOfMemoryCommand = "Не хватает памяти: команда не выполнена.";
// Warning before a prediction or continuation on an untrained network.
inline constexpr const char* Untrained = "Нейронная сеть не обучена.";
// Advice after the first training click.
inline constexpr const char* TrainingAdvice =
    "Рекомендуется выполнять операцию многократно, пока не будет достигнут результат.";
// Warning after a training that stopped to keep the weights finite.
inline constexpr const char* Diverged =
    "Обучение остановлено досрочно: следующий шаг сделал бы веса сети бесконечными. "
    "Уменьшите шаг обучения или постоянную в функции активации.";
// Title, filter and pattern of the network file dialogs.
inline constexpr const char* SaveNetworkTitle = "Сохранение нейронной сети";
inline constexpr const char* LoadNetworkTitle = "Загрузка нейронной сети";
inline constexpr const char* NetworkFilter = "Музыкальная нейронная сеть";
inline constexpr const char* NetworkPattern = "*.qvl";
inline constexpr const char* AllFilesFilter = "Все файлы";

// Titles and filters of the MIDI and WAV file dialogs and the context menu's actions.
inline constexpr const char* OpenMidiAction = "Открыть MIDI-файл…";
inline constexpr const char* SaveMidiAction = "Сохранить как MIDI-файл…";
inline constexpr const char* SaveWavAction = "Сохранить как WAV-файл…";
inline constexpr const char* OpenMidiTitle = "Открытие MIDI-файла";
inline constexpr const char* SaveMidiTitle = "Сохранение мелодии в MIDI-файл";
inline constexpr const char* SaveWavTitle = "Сохранение мелодии в WAV-файл";
inline constexpr const char* MidiFilter = "MIDI-файлы";
inline constexpr const char* MidiPattern = "*.mid *.midi *.rmi";
inline constexpr const char* WavFilter = "WAV-файлы";
inline constexpr const char* WavPattern = "*.wav";

// The training view: its title (also the caption of the action that shows
// it), its buttons and their tips, the series and the click axis.
inline constexpr const char* TrainingViewTitle = "Ход обучения";
inline constexpr const char* TrainUntilAction = "Учить до результата";
inline constexpr const char* TrainUntilSecondsLabel = "не дольше";
inline constexpr const char* TrainUntilSecondsSuffix = " с";
inline constexpr const char* TrainUntilSecondsTip = "Сколько времени может идти «Учить до результата»";
inline constexpr const char* ContinueInMelodyNotesAction = "Продолжить в звуках мелодии";
inline constexpr const char* ContinueInMelodyNotesTip =
    "Продолжить мелодию, заменяя каждую ноту сети ближайшей нотой из начала мелодии";
inline constexpr const char* ErrorSeriesName = "Средняя ошибка, полутонов";
inline constexpr const char* ExactSeriesName = "Точно предсказано, нот";
inline constexpr const char* ClickAxisTitle = "Нажатие «Научить»";
inline constexpr const char* ClickAndEpochAxisTitle = "Нажатие «Научить», затем эпоха «Учить до результата»";
// The progress dialogs of a training click and of "Учить до результата", and their button.
inline constexpr const char* TrainingProgressLabel = "Обучение нейронной сети…";
inline constexpr const char* TrainUntilProgressLabel = "Учить до результата…";
inline constexpr const char* CancelButton = "Отмена";

// The lines of the training view's summary. Numbers with decimals come
// written already, in the user's locale.
inline constexpr const char* NotTrainedYet = "Сеть ещё не обучалась с тех пор, как её создали или загрузили.";
inline constexpr const char* MelodyChangedSinceClick =
    "Мелодия изменилась после последнего нажатия: предсказания сети не показаны.";
std::string ClicksWithoutWindows(int64_t clicks);
std::string ClicksSummary(int64_t clicks, int32_t exact, int64_t windows, const std::string& meanError);
std::string ResultRunSummary(int32_t epochs, const std::string& seconds, int32_t exact, int32_t learnable);
// The last click of "Научить": its iterations and how it ended.
std::string LastClick(const LearningReport& report);
// "Последняя предсказанная нота: 26 = c3."
std::string LastPrediction(uint8_t code);

// The message about a failure; empty for none.
std::string Text(const Failure& failure);

// Why a network file cannot be loaded, without the file's name: "Строка 3: ...".
std::string NetworkFileReason(const NetworkFileFailure& reading);

// What the reading of a MIDI file had to change, or empty when nothing.
std::string MidiAdjustments(const std::string& path, const MidiMelody& melody);

// The note that a typed or pasted melody of `items` notes was cut to the buffer.
std::string MelodyTruncated(int64_t items);

// The note that a continuation was cut to `written` notes by the melody buffer.
std::string ContinuationShortened(int32_t written);

// That some windows contradict others, and how many can be exact at most; empty when none do.
std::string ConflictingWindows(const LearnableWindows& count);
// The progress of a run of "Учить до результата": its epoch, time and exact windows.
std::string TrainUntilProgressText(const TrainUntilProgress& progress);
// Why a run of "Учить до результата" ended, with its epochs, time, exact windows and advice.
std::string TrainUntilEnded(const TrainUntilOutcome& outcome);

// The warning about notes outside 1..49: which they are and what becomes of them.
std::string OutOfRange(const std::vector<OutOfRangeNote>& notes);

// The question before replacing a file that the ".qvl" rule named.
std::string ReplaceExisting(const std::string& path);

// The track choice of a MIDI file: the dialog's title, its question, and
// one track in words: "2. «Flute»: канал 4, программа 73 (Flute), 569 нот от 60 до 103".
inline constexpr const char* ChooseTrackTitle = "Выбор дорожки";
std::string ChooseTrackQuestion(const std::string& path);
std::string TrackLine(const MidiTrackInfo& track);
// Which track the melody was taken from, for the training view.
std::string MelodyTakenFrom(const std::string& path, int track, const std::string& name, int trackCount);

} // namespace app::messages

// ============================================================================
// The command-line tool melodynet-cli: its usage texts, option errors,
// warnings and result lines. The window's texts stay above.
// ============================================================================
namespace app::messages::cli {

// The overview of melodynet-cli --help.
extern const char* const Usage;
// The help of each subcommand; `pictures` when the tool can draw (--plot, --roll).
std::string TrainHelp(bool pictures);
std::string PredictHelp();
std::string ContinueHelp(bool pictures);
std::string CommandHelp();
std::string PlayHelp();
extern const char* const TracksHelp;

// What goes before a warning line.
inline constexpr const char* Warning = "предупреждение: ";
// The run's output could not be written.
inline constexpr const char* OutputNotWritten = "не удалось записать результат в стандартный вывод";

// No subcommand, or one that does not exist.
inline constexpr const char* NoCommand = "не указана команда; melodynet-cli --help покажет список";
std::string UnknownCommand(std::string_view command);

// Option errors: `shown` is the argument as the tool shows it.
std::string StrayArgument(std::string_view shown);
std::string UnknownOption(std::string_view name);
std::string RepeatedOption(std::string_view name);
std::string MissingValue(std::string_view name);
std::string EmptyValue(std::string_view name);
std::string ValueNotTaken(std::string_view name);
std::string NotAnInteger(std::string_view name, std::string_view min, std::string_view max, std::string_view shown);
std::string NotAReal(std::string_view name, std::string_view shown);
// A subcommand's error: "train: ...".
std::string OfCommand(std::string_view command, std::string_view error);
// A file option whose file the command would overwrite with its own results.
std::string SameFile(std::string_view option, std::string_view path, std::string_view other,
                     std::string_view otherPath);

// The melody options.
inline constexpr const char* TwoMelodies = "--melody и --melody-file нельзя указывать вместе";
inline constexpr const char* TrackWithoutFile = "--track относится к --melody-file";
inline constexpr const char* CodesClamped = "коды нот вне 0..255 заменены ближайшей границей";

// A required network file, and the part of the melody that continue writes.
std::string NeedsNetwork(std::string_view command);
inline constexpr const char* BadPart = "--part: ожидается beginning, continuation или whole";

// The options of train that do not go together or are out of range.
std::string StepNotPositive(std::string_view given);
inline constexpr const char* MaxClicksGone =
    "--max-clicks больше нет: --until-exact учит эпохами, а его время ограничивает --max-seconds";
inline constexpr const char* ClicksWithUntil =
    "--clicks нельзя сочетать с --until-exact (его ограничивает --max-seconds)";
inline constexpr const char* IterationsWithUntil =
    "--iterations не действует с --until-exact: оно учит эпохами всех окон сразу, "
    "а его время ограничивает --max-seconds";
inline constexpr const char* MaxSecondsAlone = "--max-seconds действует только с --until-exact";
std::string MaxSecondsRange(double max);
inline constexpr const char* ShapeWithLoad = "--input, --hidden и --alpha нельзя сочетать с --load";

// A training click: its mean error, exact windows and what stopped it
// ("Нажатие 2: средняя ошибка 0.1234 полутона, точно 3 из 4").
std::string ClickLine(int64_t click, const LearningReport& report, double step);
// The progress of a running click.
std::string ClickProgress(int64_t click, int64_t done, int64_t iterations);
// No click trained because of the learning step.
std::string NotTrained(double step);
// A run ended by Ctrl-C; `unsaved` when the network was not saved for it.
std::string Interrupted(bool unsaved);

// Result lines.
std::string NetworkSaved(const std::string& path);
std::string CurveWritten(const std::string& path);
std::string MidiWritten(const std::string& path);
std::string WavWritten(const std::string& path);
std::string PlayerStarted(const std::string& commandFile);

// The pictures of --plot and --roll.
std::string NotAPicture(std::string_view option, std::string_view path);
inline constexpr const char* PictureNotRendered = "рисунок не удалось построить";
std::string PictureNotWritten(std::string_view path, std::string_view reason);

// The tracks of a MIDI file.
inline constexpr const char* NoMidiFile = "не указан MIDI-файл";
std::string TrackTaken(int track);
inline constexpr const char* NoTrackTaken =
    "Мелодию взять не из чего: нет целой дорожки с нотами не на канале ударных.";

} // namespace app::messages::cli
