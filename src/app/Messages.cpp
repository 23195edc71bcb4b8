#include "app/Messages.h"

#include "app/NoteNames.h"
#include "engine/mdMain.h"
#include "midi/GeneralMidi.h"
#include "numbers/NumberText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <vector>

namespace app::messages {

namespace {

std::string Count(int64_t value) {
    return std::to_string(value);
}

// The noun after a count: one, few or many (1 окно, 2 окна, 5 окон).
std::string Counted(int64_t n, const char* one, const char* few, const char* many) {
    const int64_t tens = n % 100, units = n % 10;
    const char* word = (tens >= 11 && tens <= 14) ? many : units == 1 ? one : (units >= 2 && units <= 4) ? few : many;
    return Count(n) + " " + word;
}

std::string Quoted(const std::string& path) {
    return "«" + path + "»";
}

// ": дорожек в файле 5, ноты есть на дорожках 2, 3 и 5", for a track that was asked for.
std::string TracksWithNotes(const MidiFailure& failure) {
    std::string text = ": дорожек в файле " + Count(failure.trackCount);
    const std::vector<int>& tracks = failure.melodicTracks;
    if (tracks.empty())
        return text + ", нот нет ни на одной";
    text += tracks.size() == 1 ? ", ноты есть только на дорожке " : ", ноты есть на дорожках ";
    // A file may have thousands; the first ones tell enough.
    constexpr size_t Shown = 20;
    const size_t shown = std::min(tracks.size(), Shown);
    for (size_t i = 0; i < shown; ++i)
        text += (i == 0 ? "" : i + 1 == tracks.size() ? " и " : ", ") + Count(tracks[i] + 1);
    if (shown < tracks.size())
        text += " и ещё на " + Count(static_cast<int64_t>(tracks.size() - shown));
    return text;
}

std::string MidiReason(const MidiFailure& failure) {
    const std::string where = " (байт " + Count(static_cast<int64_t>(failure.offset)) +
                              (failure.track >= 0 ? ", дорожка " + Count(failure.track + 1) : std::string()) + ")";
    switch (failure.error) {
    case MidiError::None:
        return {};
    case MidiError::TooLarge:
        return "файл слишком велик для MIDI-файла с мелодией";
    case MidiError::NotMidi:
        return "это не MIDI-файл: в начале нет заголовка MThd";
    case MidiError::BadHeader:
        return "заголовок MIDI-файла повреждён";
    case MidiError::UnsupportedFormat:
        return "MIDI-файлы формата 2 (независимые дорожки) не поддерживаются";
    case MidiError::NoTracks:
        return "в файле нет ни одной дорожки";
    case MidiError::Truncated:
        return "файл обрывается" + where;
    case MidiError::BadNumber:
    case MidiError::BadEvent:
        return "повреждённое событие" + where;
    case MidiError::NoSuchTrack:
        return "в файле нет дорожки " + Count(failure.track + 1) + TracksWithNotes(failure);
    case MidiError::NoNotes:
        if (failure.track >= 0)
            return "на дорожке " + Count(failure.track + 1) + " нет нот" + TracksWithNotes(failure);
        return "в файле нет нот";
    case MidiError::OnlyPercussion:
        if (failure.track >= 0)
            return "на дорожке " + Count(failure.track + 1) + " только ноты ударных (канал 10)" +
                   TracksWithNotes(failure);
        return "в файле только ноты ударных (канал 10)";
    }
    return {};
}

} // namespace

std::string FormulaLibraryReason(const FormulaLibraryFailure& failure) {
    const std::string path = failure.paths.empty() ? std::string() : failure.paths.front();
    switch (failure.error) {
    case FormulaLibraryError::NotFound: {
        std::string places;
        for (const std::string& looked : failure.paths)
            places += (places.empty() ? "" : ", ") + looked;
        return "файл библиотеки не найден (искали: " + places + ")";
    }
    case FormulaLibraryError::NotLoadable:
        return "не удалось загрузить " + path + ": " + failure.reason;
    case FormulaLibraryError::LacksOperation:
        return "в " + path + " нет операции " + failure.reason;
    }
    return {};
}

std::string NetworkFileReason(const NetworkFileFailure& reading) {
    std::string reason;
    switch (reading.error) {
    case NetworkFileError::Unreadable:
        return "не удалось прочитать файл: " + reading.systemReason;
    case NetworkFileError::NotWritten:
        return "не удалось записать файл: " + reading.systemReason;
    case NetworkFileError::TooLarge:
        return "файл слишком велик для файла нейронной сети";
    case NetworkFileError::Truncated:
        reason = reading.value > 0 ? "файл обрывается: нужно строк — " + Count(reading.value) + ", а в файле только " +
                                         Count(reading.linesFound)
                                   : std::string("файл обрывается раньше времени");
        break;
    case NetworkFileError::Unterminated:
        reason = "строка не закончена: файл обрывается посреди неё";
        break;
    case NetworkFileError::NotANumber:
        reason = "строка не является числом (или число слишком велико)";
        break;
    case NetworkFileError::FractionalCount:
        reason = "число нейронов должно быть целым";
        break;
    case NetworkFileError::TooFewInputs:
        reason = "во входном слое должно быть не меньше " + Count(MinNetworkInputCount) + " нейронов, а указано " +
                 Count(reading.value);
        break;
    case NetworkFileError::TooManyInputs:
        reason = "слишком много входных нейронов: " + Count(reading.value) + " (допустимо не больше " +
                 Count(mdMain::MaxLayerNeurons) + ")";
        break;
    case NetworkFileError::TooFewHidden:
        reason = "в скрытом слое должен быть хотя бы " + Count(MinNetworkHiddenCount) + " нейрон, а указано " +
                 Count(reading.value);
        break;
    case NetworkFileError::TooManyHidden:
        reason = "слишком много скрытых нейронов: " + Count(reading.value) + " (допустимо не больше " +
                 Count(mdMain::MaxLayerNeurons) + ")";
        break;
    case NetworkFileError::TooManyWeights:
        reason = "сеть слишком велика: " + Count(reading.value) + " весов (допустимо не больше " +
                 Count(mdMain::MaxWeights) + ")";
        break;
    case NetworkFileError::WrongSizes:
        reason = "число весов не совпадает с размером сети";
        break;
    case NetworkFileError::NotFinite:
        reason = "бесконечное, неопределённое или слишком большое значение";
        break;
    }
    if (reading.line > 0)
        return "Строка " + Count(reading.line) + ": " + reason;
    return reason;
}

std::string Text(const Failure& failure) {
    const std::string inputs = failure.inputText.empty() ? Count(failure.inputCount) : failure.inputText;
    const std::string hidden = failure.hiddenText.empty() ? Count(failure.hiddenCount) : failure.hiddenText;
    switch (failure.problem) {
    case Problem::None:
        return {};
    case Problem::ShapeCountBelowOne:
        return "Нейронная сеть не может быть построена: число входных нейронов (" + inputs +
               ") и число скрытых нейронов (" + hidden +
               ") должны быть не меньше 1.\nИзмените число нейронов и повторите команду.";
    case Problem::ShapeTooLarge:
        return "Слишком большая нейронная сеть: " + inputs + " входных и " + hidden +
               " скрытых нейронов. Допускается не более " + Count(mdMain::MaxLayerNeurons) +
               " нейронов в слое и не более " + Count(mdMain::MaxWeights) +
               " весов.\nИзмените число нейронов и повторите команду.";
    case Problem::OutOfMemory:
        return "Для нейронной сети такого размера не хватает памяти.";
    case Problem::NetworkFileBroken:
        return "Не удалось загрузить нейронную сеть из файла " + Quoted(failure.path) + ".\n" +
               NetworkFileReason(failure.reading);
    case Problem::NetworkFileNotWritten:
        return "Не удалось сохранить нейронную сеть в файл " + Quoted(failure.path) + ": " + failure.reason;
    case Problem::NetworkNotStorable:
        return "Не удалось сохранить нейронную сеть в файл " + Quoted(failure.path) +
               ": сеть нельзя записать: в ней есть бесконечное или неопределённое значение.";
    case Problem::HistoryUnavailable: {
        std::string folders = Quoted(failure.path);
        for (const std::string& other : failure.otherPaths)
            folders += " или " + Quoted(other);
        return "Не удалось создать папку с историей команд " + folders +
               ": ни папка программы, ни папка данных пользователя недоступны для записи.";
    }
    case Problem::HistoryFull:
        return "Пожалуйста, почистите папку с историей команд" + (failure.path.empty() ? "" : "\n" + failure.path);
    case Problem::CommandFileNotWritten:
        return "Не удалось записать файл команд " + failure.path + ": " + failure.reason;
    case Problem::PlayerNotStarted:
        return "Не удалось запустить проигрыватель для файла команд " + failure.path + ": " + failure.reason;
    case Problem::MelodyFileUnreadable:
        return "Не удалось прочитать файл мелодии " + Quoted(failure.path) + ": " + failure.reason;
    case Problem::MelodyFileTooLarge:
        return "Файл мелодии " + Quoted(failure.path) + " слишком велик (больше " + Count(failure.limit) + " байт).";
    case Problem::MidiFileBroken:
        return "Не удалось прочитать мелодию из файла " + Quoted(failure.path) + ": " + MidiReason(failure.midi) + ".";
    case Problem::MelodyFileEmpty:
        return "Файл мелодии " + Quoted(failure.path) + " пуст: мелодия не прочитана.";
    case Problem::MelodyFileNotMelody:
        return "Файл " + Quoted(failure.path) +
               " не является ни MIDI-файлом, ни текстом с кодами нот: мелодия не прочитана.";
    case Problem::FileNotWritten:
        return "Не удалось записать файл " + Quoted(failure.path) + ": " + failure.reason;
    case Problem::PlayerFailed:
        return "Проигрыватель не записал файл " + Quoted(failure.path) + ": " + failure.reason;
    case Problem::PlayerEnded:
        return "Проигрыватель не смог сыграть мелодию:\n" + failure.reason;
    case Problem::FormulaLibraryMissing:
        return std::string(FormulaLibraryMissing) + "\n" + FormulaLibraryReason(failure.formulaLibrary);
    }
    return {};
}

std::string MidiAdjustments(const std::string& path, const MidiMelody& melody) {
    struct Item {
        size_t count;
        const char *one, *few, *many, *why;
    };
    const Item items[] = {
        {melody.notesMoved, "нота перенесена", "ноты перенесены", "нот перенесено",
         "на целое число октав в диапазон кодов 2–49"},
        {melody.notesCut, "нота не вошла", "ноты не вошли", "нот не вошло", ": мелодия вмещает не более 1024 нот"},
        {melody.voicesDropped, "нота аккорда отброшена", "ноты аккордов отброшены", "нот аккордов отброшено",
         ": взята верхняя нота"},
        {melody.graceNotes, "форшлаг пропущен", "форшлага пропущены", "форшлагов пропущено",
         ": короткие ноты-украшения перед основной нотой"},
        {melody.notesShortened, "нота укорочена", "ноты укорочены", "нот укорочено",
         ": звучание заходило за начало следующей ноты"},
    };
    std::vector<std::string> lines;
    for (const Item& item : items)
        if (item.count > 0)
            lines.push_back("— " + Counted(static_cast<int64_t>(item.count), item.one, item.few, item.many) +
                            (item.why[0] == ':' ? "" : " ") + item.why);
    if (lines.empty())
        return {};
    std::string text = "Мелодия из файла " + Quoted(path) + " прочитана с изменениями:";
    for (size_t i = 0; i < lines.size(); ++i)
        text += "\n" + lines[i] + (i + 1 < lines.size() ? ";" : ".");
    return text;
}

std::string MelodyTruncated(int64_t items) {
    return "Мелодия вмещает не более " + Count(mdMain::MelodyCapacity) + " нот, а в тексте их " + Count(items) +
           ": взяты первые " + Count(mdMain::MelodyCapacity) + ".";
}

std::string ContinuationShortened(int32_t written) {
    return "Мелодия вмещает не более " + Count(mdMain::MelodyCapacity) +
           " нот вместе с продолжением, поэтому продолжение укорочено до " + Count(written) + " нот.";
}

std::string ClicksWithoutWindows(int64_t clicks) {
    return "Нажатий «Научить»: " + Count(clicks) + ". Окон для обучения нет: в мелодии меньше 3 нот.";
}

std::string ClicksSummary(int64_t clicks, int32_t exact, int64_t windows, const std::string& meanError) {
    return "Нажатий «Научить»: " + Count(clicks) + ". Точно предсказано " + Count(exact) + " из " + Count(windows) +
           " нот, средняя ошибка " + meanError + " полутона.";
}

std::string ResultRunSummary(int32_t epochs, const std::string& seconds, int32_t exact, int32_t learnable) {
    return "«Учить до результата»: эпох " + Count(epochs) + ", " + seconds + " с; точно " + Count(exact) + " из " +
           Count(learnable) + " окон, которые можно выучить.";
}

std::string LastClick(const LearningReport& report) {
    const auto windows = static_cast<int64_t>(report.windows.size());
    std::string last = "Последнее нажатие: " + Count(report.iterationsPerWindow) + " итераций на каждое из " +
                       Count(windows) + " окон";
    if (report.iterationsRun > 0)
        last += " (выполнено " + Count(report.iterationsRun) + ")";
    if (!report.trained)
        return last + "; обучение не выполнялось.";
    if (report.diverged)
        return last + "; остановлено досрочно, чтобы веса остались конечными.";
    if (report.cancelled)
        return last + "; остановлено досрочно по просьбе пользователя.";
    if (report.iterationsRun < int64_t{report.iterationsPerWindow} * windows)
        return last + "; часть окон остановилась раньше: выход сети сравнялся с их нотой.";
    return last + "; до конца, без досрочной остановки.";
}

std::string LastPrediction(uint8_t code) {
    return "Последняя предсказанная нота: " + CodeWithName(code) + ".";
}

namespace {

std::string Seconds(double seconds) {
    // Tenths are enough to tell; no locale, as everywhere in these texts.
    const auto tenths = static_cast<int64_t>(seconds * 10.0 + 0.5);
    return Count(tenths / 10) + "," + Count(tenths % 10) + " с";
}

} // namespace

std::string ConflictingWindows(const LearnableWindows& count) {
    if (count.conflicting() <= 0)
        return {};
    return Counted(count.conflicting(), "окно", "окна", "окон") + " из " + Count(count.windows) +
           " противоречат друг другу: после одних и тех же " + Count(count.inputs) +
           " нот идут разные ноты; точно выучить можно не больше " + Count(count.learnable) + ".";
}

std::string TrainUntilProgressText(const TrainUntilProgress& progress) {
    return "Эпоха " + Count(progress.epoch) + ", " + Seconds(progress.seconds) + ": точно " + Count(progress.exact) +
           " из " + Count(progress.learnable) + " окон, которые можно выучить.";
}

std::string TrainUntilEnded(const TrainUntilOutcome& outcome) {
    const std::string exact = " Точно предсказано " + Count(outcome.exact) + " из " + Count(outcome.count.learnable) +
                              " окон, которые можно выучить.";
    const std::string spent = " Эпох: " + Count(outcome.epochs) + ", время: " + Seconds(outcome.seconds) + ".";
    std::string advice;
    if (outcome.suggestedHidden > 0)
        advice = "\nСовет: сети не хватает весов для этой мелодии. Попробуйте " +
                 Counted(outcome.suggestedHidden, "скрытый нейрон", "скрытых нейрона", "скрытых нейронов") +
                 ": на пробных мелодиях сеть выучивала все окна, когда весов и смещений у неё было хотя бы "
                 "на десятую часть больше, чем разных окон.";
    else if (outcome.end == TrainUntilEnd::Stalled || outcome.end == TrainUntilEnd::TimeLimit)
        advice = "\nСовет: запустите «Учить до результата» ещё раз (оно продолжит с лучшей сети) "
                 "или дайте ему больше времени.";
    switch (outcome.end) {
    case TrainUntilEnd::AllLearnable:
        if (outcome.epochs == 0)
            return "Все окна, которые можно выучить, уже предсказываются точно (" + Count(outcome.exact) + " из " +
                   Count(outcome.count.windows) + "): учить нечего.";
        return "Результат достигнут: все окна, которые можно выучить, предсказаны точно (" + Count(outcome.exact) +
               " из " + Count(outcome.count.windows) + ")." + spent;
    case TrainUntilEnd::Stalled:
        return "Обучение остановлено: сеть перестала улучшаться." + exact + spent + advice;
    case TrainUntilEnd::TimeLimit:
        return "Обучение остановлено: истекло отведённое время." + exact + spent + advice;
    case TrainUntilEnd::Cancelled:
        return "Обучение прервано; оставлена лучшая сеть." + exact + spent;
    case TrainUntilEnd::NotTrained:
        return "Учить нечего: в мелодии нет окна, которое можно выучить (нужно не меньше 3 нот, "
               "а за окном — нота с кодом от 1 до 49).";
    case TrainUntilEnd::Failed:
        return Text(outcome.failure);
    }
    return {};
}

std::string OutOfRange(const std::vector<OutOfRangeNote>& notes) {
    // A melody of a thousand such notes is named by its first few.
    constexpr size_t Named = 10;
    std::string list;
    bool silent = false;
    for (size_t i = 0; i < notes.size(); ++i) {
        silent |= notes[i].silentInMidi;
        if (i >= Named)
            continue;
        list += (i > 0 ? ", " : "") + Count(notes[i].position) + " (код " + Count(notes[i].code) +
                (notes[i].code == 0 ? ", пауза)" : ")");
    }
    if (notes.size() > Named)
        list += " и ещё " + Count(static_cast<int64_t>(notes.size() - Named));
    return "коды нот вне 1..49 у нот " + list +
           ": сеть учится на них как на остальных, но предсказывает только коды 1..49 и эти ноты точно не угадает" +
           (silent ? "; ноты с кодом выше 93 в тексте команды остаются, но проигрыватель, MIDI и WAV их не озвучивают"
                   : "");
}

std::string ReplaceExisting(const std::string& path) {
    return "Файл " + Quoted(path) + " уже существует.\nЗаменить его?";
}

std::string ChooseTrackQuestion(const std::string& path) {
    return "В файле " + Quoted(path) + " несколько дорожек с нотами.\nКакую из них взять мелодией?";
}

std::string TrackLine(const MidiTrackInfo& track) {
    std::string line = Count(track.number + 1) + ". " + (track.name.empty() ? "без имени" : Quoted(track.name)) + ": ";
    const std::string damaged = track.failure.error != MidiError::None ? ", дорожка повреждена" : "";
    if (track.channel < 0)
        return line + "нот нет" + damaged;
    line += "канал " + Count(track.channel + 1);
    if (!track.hasMelodicNotes())
        return line + " (ударные), " + Count(static_cast<int64_t>(track.percussionNotes)) + " нот ударных" + damaged;
    line += track.program < 0
                ? ", программа не задана"
                : ", программа " + Count(track.program) + " (" + GeneralMidiProgramName(track.program) + ")";
    line +=
        ", " + Count(static_cast<int64_t>(track.notes)) + " нот от " + Count(track.low) + " до " + Count(track.high);
    if (track.mostlyChords())
        line += ", больше аккордами";
    return line + damaged;
}

std::string MelodyTakenFrom(const std::string& path, int track, const std::string& name, int trackCount) {
    return "Мелодия взята из файла " + Quoted(path) + ": дорожка " + Count(track + 1) + " из " + Count(trackCount) +
           (name.empty() ? std::string() : " " + Quoted(name)) + ".";
}

} // namespace app::messages

// ============================================================================
// The command-line tool melodynet-cli.
// ============================================================================
namespace app::messages::cli {

namespace {

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

constexpr std::string_view JsonHelp = "  --json                 вывести один объект JSON\n";

std::string Quoted(std::string_view text) {
    return "«" + std::string(text) + "»";
}

std::string Option(std::string_view name) {
    return "--" + std::string(name);
}

// A number with `digits` digits after the point, whatever the locale.
std::string Fixed(double value, int digits) {
    std::array<char, 64> buffer{};
    const auto [end, ec] =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, digits);
    if (ec != std::errc())
        return NumberText(value);
    return std::string(buffer.data(), end);
}

} // namespace

const char* const Usage = "Использование: melodynet-cli <команда> [параметры]\n"
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

std::string TrainHelp(bool pictures) {
    return "Использование: melodynet-cli train [параметры]\n"
           "Обучает сеть, как кнопка \"Научить\", и печатает после каждого нажатия среднюю ошибку\n"
           "в полутонах и число точно предсказанных нот.\n"
           "  --load ФАЙЛ            начать с сети из файла (иначе новая сеть)\n"
           "  --input N              входных нейронов, не меньше 2 (по умолчанию 8)\n"
           "  --hidden N             скрытых нейронов, не меньше 1 (по умолчанию наибольшее k\n"
           "                         с 2^k <= входных)\n"
           "  --alpha X              константа функции активации (по умолчанию 1)\n"
           "  --step X               шаг обучения (по умолчанию 1; заменяет шаг из файла)\n"
           "  --seed N               начальное значение генератора весов\n" +
           std::string(MelodyHelp) +
           "  --iterations N         итераций за одно нажатие (по умолчанию 10000)\n"
           "  --clicks K             сколько раз нажать \"Научить\" (по умолчанию 1)\n"
           "  --until-exact          \"Учить до результата\": учить все окна мелодии сразу, пока\n"
           "                         все окна, которые можно выучить, не предсказываются точно,\n"
           "                         сеть не перестанет улучшаться или не истечёт время; оставить\n"
           "                         лучшую сеть и сказать, что остановило\n"
           "  --max-seconds S        не дольше S секунд с --until-exact (по умолчанию " +
           NumberText(DefaultTrainUntilSeconds) +
           ")\n"
           "  --save ФАЙЛ            сохранить сеть (без точки в пути добавляется .qvl)\n"
           "  --save-interrupted     сохранить сеть и после Ctrl-C (иначе прерванная не сохраняется)\n" +
           (pictures ? "  --plot ФАЙЛ            нарисовать кривую обучения в файл .png или .svg\n" : "") +
           std::string(JsonHelp);
}

std::string PredictHelp() {
    return "Использование: melodynet-cli predict --load ФАЙЛ [параметры]\n"
           "Печатает код ноты, которую сеть предсказывает после мелодии (\"Предсказать ноту\").\n"
           "  --load ФАЙЛ            файл сети (обязателен)\n" +
           std::string(MelodyHelp) + std::string(JsonHelp);
}

std::string ContinueHelp(bool pictures) {
    return "Использование: melodynet-cli continue --load ФАЙЛ [параметры]\n"
           "Продолжает мелодию (\"Продолжить мелодию\"): печатает коды продолжения через \", \"\n"
           "и на следующей строке его текст команды для проигрывателя.\n"
           "  --load ФАЙЛ            файл сети (обязателен)\n" +
           std::string(MelodyHelp) +
           "  --notes N              нот в продолжении (по умолчанию столько же, сколько в мелодии)\n"
           "  --melody-notes         \"Продолжить в звуках мелодии\": каждую ноту сети заменить\n"
           "                         ближайшей нотой из начала мелодии (паузой, только если они\n"
           "                         в нём есть) и её же подавать сети дальше\n" +
           std::string(LengthHelp) + std::string(JsonHelp) + std::string(ExportHelp) +
           "  --part ЧАСТЬ           что записать в файлы: beginning (начало), continuation\n"
           "                         (продолжение) или whole (всё, по умолчанию)\n" +
           (pictures ? "  --roll ФАЙЛ            нарисовать мелодию с продолжением и предсказаниями сети\n"
                       "                         в файл .png или .svg\n"
                     : "");
}

std::string CommandHelp() {
    return "Использование: melodynet-cli command [параметры]\n"
           "Печатает текст команды для проигрывателя для мелодии.\n" +
           std::string(MelodyHelp) + std::string(LengthHelp);
}

std::string PlayHelp() {
    return "Использование: melodynet-cli play [параметры]\n"
           "Записывает команду в следующий файл папки History и запускает Play,\n"
           "или с --wav и --midi записывает мелодию в файлы и ждёт окончания (без истории).\n" +
           std::string(MelodyHelp) + std::string(LengthHelp) + std::string(ExportHelp);
}

const char* const TracksHelp = "Использование: melodynet-cli tracks ФАЙЛ [--json]\n"
                               "Показывает дорожки MIDI-файла: номер (с 1), имя, канал (1..16, 10 — ударные),\n"
                               "программу General MIDI (0..127) и инструмент, число нот, нижнюю и верхнюю ноту,\n"
                               "звучат ли они больше аккордами. Звёздочкой отмечена дорожка, которую\n"
                               "--melody-file берёт мелодией, если --track не указан.\n"
                               "  --json                 вывести один объект JSON\n";

std::string UnknownCommand(std::string_view command) {
    std::string shown(command.substr(0, 80));
    for (char& c : shown)
        if (c == '\n' || c == '\r')
            c = ' ';
    return "неизвестная команда " + Quoted(shown) + "; melodynet-cli --help покажет список";
}

std::string StrayArgument(std::string_view shown) {
    return "лишний аргумент " + Quoted(shown);
}

std::string UnknownOption(std::string_view name) {
    return "неизвестный параметр " + Option(name);
}

std::string RepeatedOption(std::string_view name) {
    return "параметр " + Option(name) + " указан дважды";
}

std::string MissingValue(std::string_view name) {
    return "у параметра " + Option(name) + " нет значения";
}

std::string EmptyValue(std::string_view name) {
    return "у параметра " + Option(name) + " пустое значение";
}

std::string ValueNotTaken(std::string_view name) {
    return "параметр " + Option(name) + " не принимает значения";
}

std::string NotAnInteger(std::string_view name, std::string_view min, std::string_view max, std::string_view shown) {
    return Option(name) + ": ожидается целое число от " + std::string(min) + " до " + std::string(max) + ", а не " +
           Quoted(shown);
}

std::string NotAReal(std::string_view name, std::string_view shown) {
    return Option(name) + ": ожидается число (с точкой, например 0.5), а не " + Quoted(shown);
}

std::string OfCommand(std::string_view command, std::string_view error) {
    return std::string(command) + ": " + std::string(error);
}

std::string SameFile(std::string_view option, std::string_view path, std::string_view other,
                     std::string_view otherPath) {
    return std::string(option) + " " + Quoted(path) + " — тот же файл, что " + std::string(other) + " " +
           Quoted(otherPath) + "; он был бы перезаписан, ничего не записано";
}

std::string NeedsNetwork(std::string_view command) {
    return std::string(command) + ": нужен параметр --load ФАЙЛ";
}

std::string StepNotPositive(std::string_view given) {
    return "--step: шаг обучения должен быть положительным, а не " + Quoted(given);
}

std::string MaxSecondsRange(double max) {
    return "--max-seconds: нужно число секунд больше 0 и не больше " + Count(static_cast<int64_t>(max));
}

std::string ClickLine(int64_t click, const LearningReport& report, double step) {
    std::string line = "Нажатие " + Count(click) + ": ";
    if (report.windows.empty())
        line += "окон для обучения нет (в мелодии меньше 3 нот)";
    else
        line += "средняя ошибка " + Fixed(report.meanError, 4) + " полутона, точно " + Count(report.exact) + " из " +
                Count(static_cast<int64_t>(report.windows.size()));
    if (!report.trained)
        line += report.windows.empty() ? std::string("; обучение не выполнялось") : "; " + NotTrained(step);
    if (report.cancelled)
        line += "; прервано после " + Count(report.iterationsRun) + " итераций";
    if (report.diverged)
        line += "; обучение остановлено, чтобы веса остались конечными";
    return line;
}

std::string ClickProgress(int64_t click, int64_t done, int64_t iterations) {
    return "Нажатие " + Count(click) + ": " + Count(done) + " из " + Count(iterations) + " итераций";
}

std::string NotTrained(double step) {
    return "обучение не выполнялось: шаг обучения " + NumberText(step) + " не больше нуля";
}

std::string Interrupted(bool unsaved) {
    return unsaved ? "прервано; сеть не сохранена (--save-interrupted сохранит и прерванную)" : "прервано";
}

std::string NetworkSaved(const std::string& path) {
    return "Сеть сохранена в " + path;
}

std::string CurveWritten(const std::string& path) {
    return "Кривая обучения записана в " + path;
}

std::string MidiWritten(const std::string& path) {
    return "MIDI-файл записан: " + path;
}

std::string WavWritten(const std::string& path) {
    return "Звук записан в " + path;
}

std::string PlayerStarted(const std::string& commandFile) {
    return "Команда записана в " + commandFile + ", проигрыватель запущен";
}

std::string NotAPicture(std::string_view option, std::string_view path) {
    return Option(option) + ": имя файла должно оканчиваться на .png или .svg, а не " + Quoted(path);
}

std::string PictureNotWritten(std::string_view path, std::string_view reason) {
    return "не удалось записать рисунок " + Quoted(path) + ": " + std::string(reason);
}

std::string TrackTaken(int track) {
    return "Мелодией берётся дорожка " + Count(track + 1) + ".";
}

} // namespace app::messages::cli
