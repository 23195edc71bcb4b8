#include "app/Messages.h"

#include "engine/mdMain.h"

namespace app::messages {

namespace {

std::string Count(int64_t value) {
    return std::to_string(value);
}

std::string Quoted(const std::string& path) {
    return "«" + path + "»";
}

} // namespace

std::string NetworkFileReason(const NetworkFileReading& reading) {
    std::string reason;
    switch (reading.error) {
    case NetworkFileError::None:
        return {};
    case NetworkFileError::Unreadable:
        return "не удалось прочитать файл: " + reading.systemReason;
    case NetworkFileError::TooLarge:
        return "файл слишком велик для файла нейронной сети";
    case NetworkFileError::Truncated:
        reason = reading.value > 0 ? "файл обрывается: нужно строк — " + Count(reading.value) + ", а в файле только " +
                                         Count(reading.linesFound)
                                   : std::string("файл обрывается раньше времени");
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
    switch (failure.problem) {
    case Problem::None:
        return {};
    case Problem::ShapeCountBelowOne:
        return "Нейронная сеть не может быть построена: число входных нейронов (" + Count(failure.inputCount) +
               ") и число скрытых нейронов (" + Count(failure.hiddenCount) +
               ") должны быть не меньше 1.\nИзмените число нейронов и повторите команду.";
    case Problem::ShapeTooLarge:
        return "Слишком большая нейронная сеть: " + Count(failure.inputCount) + " входных и " +
               Count(failure.hiddenCount) + " скрытых нейронов. Допускается не более " +
               Count(mdMain::MaxLayerNeurons) + " нейронов в слое и не более " + Count(mdMain::MaxWeights) +
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
    case Problem::HistoryUnavailable:
        return "Не удалось создать папку с историей команд " + Quoted(failure.path) +
               ": ни папка программы, ни папка данных пользователя недоступны для записи.";
    case Problem::HistoryFull:
        return "Пожалуйста, почистите папку с историей команд" + (failure.path.empty() ? "" : "\n" + failure.path);
    case Problem::CommandFileNotWritten:
        return "Не удалось записать файл команд " + failure.path + ": " + failure.reason;
    case Problem::PlayerNotStarted:
        return "Не удалось запустить проигрыватель для файла команд " + failure.path + ": " + failure.reason;
    }
    return {};
}

std::string ContinuationShortened(int32_t written) {
    return "Мелодия вмещает не более " + Count(mdMain::MelodyCapacity) +
           " нот вместе с продолжением, поэтому продолжение укорочено до " + Count(written) + " нот.";
}

std::string ReplaceExisting(const std::string& path) {
    return "Файл " + Quoted(path) + " уже существует.\nЗаменить его?";
}

} // namespace app::messages
