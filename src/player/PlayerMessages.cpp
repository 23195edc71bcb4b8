#include "player/PlayerMessages.h"

namespace player_messages {

namespace {

std::string Text(std::string_view text) {
    return std::string(text);
}

std::string Shown(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7f)
        return std::string("«") + c + "»";
    static constexpr char Hex[] = "0123456789ABCDEF";
    return std::string("байт 0x") + Hex[byte >> 4] + Hex[byte & 15];
}

} // namespace

std::string Usage() {
    return "Использование: Play [--wav ФАЙЛ.wav] [--midi ФАЙЛ.mid] [--soundfont ПУТЬ | --builtin]\n"
           "                    [--program N] ФАЙЛ\n"
           "Играет текст команды из ФАЙЛА. Имя без папки ищется в папке History рядом\n"
           "с проигрывателем; путь берётся как есть.\n"
           "  --wav ФАЙЛ.wav     записать звук в WAV-файл, а не играть его\n"
           "  --midi ФАЙЛ.mid    записать ноты в MIDI-файл, а не играть их\n"
           "  --soundfont ПУТЬ   играть с этим SoundFont (.sf2, .sf3); без него с первым,\n"
           "                     найденным в обычных папках SoundFont или в папках из\n"
           "                     MELODYNET_SOUNDFONT_DIRS (через ':')\n"
           "  --builtin          играть встроенным синтезатором, без SoundFont\n"
           "  --program N        инструмент General MIDI, 0..127 (по умолчанию 0, фортепиано)\n"
           "  -h, --help         показать эту справку\n"
           "  --version          показать версию\n"
           "Коды выхода: 0 — успех, 1 — ошибка при выполнении, 2 — ошибка в командной строке,\n"
           "3 — нет звукового устройства.\n";
}

std::string_view ValueWanted(std::string_view option) {
    if (option == "--wav")
        return "имя WAV-файла";
    if (option == "--midi")
        return "имя MIDI-файла";
    if (option == "--soundfont")
        return "путь к SoundFont (.sf2, .sf3)";
    if (option == "--program")
        return "номер инструмента General MIDI, 0..127";
    return {};
}

std::string MissingValue(std::string_view option) {
    return "у параметра " + Text(option) + " нет значения (нужно " + Text(ValueWanted(option)) + ")";
}

std::string BadProgram(std::string_view given) {
    return "--program: ожидается номер инструмента General MIDI от 0 до 127, а не «" + Text(given) + "»";
}

std::string UnknownOption(std::string_view option) {
    return "неизвестный параметр " + Text(option);
}

std::string CommandFileTooLarge(uint64_t limit) {
    return "файл слишком велик для файла команд (больше " + std::to_string(limit) + " байт)";
}

std::string ReaderProblemText(const ReaderError& error) {
    const char c = error.command;
    const char* what = c == 'l' ? "длительность" : c == 'o' ? "октава" : "темп";
    switch (error.problem) {
    case ReaderProblem::MissingNumber:
        return "после " + Shown(c) + " нужно число (" + what + ")";
    case ReaderProblem::OutOfRange:
        return std::string(what) + " " + std::to_string(error.value) + " вне пределов " + std::to_string(error.low) +
               ".." + std::to_string(error.high);
    case ReaderProblem::UnknownCommand:
        return "неизвестная команда " + Shown(c) + " пропущена";
    case ReaderProblem::TooLong:
        return "текст звучал бы " + std::to_string(error.value) + " с, дольше предела в " + std::to_string(error.high) +
               " с (один час); ноты и паузы дальше пропущены";
    }
    return {};
}

std::string ReaderProblemAt(std::string_view file, const ReaderError& error) {
    return Text(file) + ", строка " + std::to_string(error.line) + ", столбец " + std::to_string(error.column) + ": " +
           ReaderProblemText(error);
}

std::string MoreReaderProblems(std::string_view file, size_t count) {
    return Text(file) + ": ещё не показано ошибок: " + std::to_string(count);
}

std::string CannotRead(std::string_view path, std::string_view reason) {
    return "не удалось прочитать " + Text(path) + ": " + Text(reason);
}

std::string CannotWrite(std::string_view path, std::string_view reason) {
    return "не удалось записать " + Text(path) + ": " + Text(reason);
}

std::string CannotUseSoundFont(std::string_view path, std::string_view reason) {
    return "не удалось играть с SoundFont " + Text(path) + ": " + Text(reason);
}

std::string FoundSoundFontUnusable(std::string_view path, std::string_view reason, bool last) {
    return "не удалось играть с SoundFont " + Text(path) + " (" + Text(reason) + "), " +
           (last ? "играет встроенный синтезатор" : "пробую следующий");
}

std::string NoAudioDevice(std::string_view reason) {
    return "нет звукового устройства: " + Text(reason);
}

std::string SoundTooLong(uint64_t maxFrames) {
    return "звук длиннее, чем вмещает WAV-файл (" + std::to_string(maxFrames) + " отсчётов)";
}

} // namespace player_messages
