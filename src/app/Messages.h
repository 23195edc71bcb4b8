#pragma once

#include "app/Failure.h"
#include "app/NoteRange.h"
#include "app/TrainUntil.h"
#include "engine/FormulaLibrary.h"
#include "midi/MidiImport.h"

#include <cstdint>
#include <string>

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
