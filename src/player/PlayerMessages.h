#pragma once

#include "melody/CommandReader.h"

#include <cstdint>
#include <string>
#include <string_view>

// Every text the player shows, in Russian, in one place. Each line goes to
// stderr after "Play: ".
namespace player_messages {

// The usage text of --help, several lines.
std::string Usage();

// What the value of option `option` ("--wav") should be; empty for options without a value.
std::string_view ValueWanted(std::string_view option);
// An option that takes a value was given without one.
std::string MissingValue(std::string_view option);
// --program was given something other than 0..127.
std::string BadProgram(std::string_view given);
// An argument starting with "-" that the player does not know.
std::string UnknownOption(std::string_view option);
inline constexpr std::string_view EmptyCommandFileName = "пустое имя файла команд";
inline constexpr std::string_view SecondCommandFile = "указано больше одного файла команд";
inline constexpr std::string_view BuiltInWithSoundFont = "--builtin и --soundfont нельзя указывать вместе";
inline constexpr std::string_view NoCommandFile = "не указан файл команд; Play --help покажет параметры";
// A command file beyond `limit` bytes.
std::string CommandFileTooLarge(uint64_t limit);

// A problem of the command text, without its place.
std::string ReaderProblemText(const ReaderError& error);
// A problem of the command text at its place in file `file`.
std::string ReaderProblemAt(std::string_view file, const ReaderError& error);
// How many more problems of file `file` were not shown.
std::string MoreReaderProblems(std::string_view file, size_t count);

// `path` could not be read or written, for `reason`.
std::string CannotRead(std::string_view path, std::string_view reason);
std::string CannotWrite(std::string_view path, std::string_view reason);
// The SoundFont the user named cannot be used.
std::string CannotUseSoundFont(std::string_view path, std::string_view reason);
// A SoundFont found in the usual folders cannot be used; the built-in synthesizer plays.
std::string FoundSoundFontUnusable(std::string_view path, std::string_view reason, bool last);
inline constexpr std::string_view NoSoundFontFound = "SoundFont не найден, играет встроенный синтезатор";
// The sound device could not be opened.
std::string NoAudioDevice(std::string_view reason);
inline constexpr std::string_view OutputLost = "не удалось записать вывод";
inline constexpr std::string_view OutOfMemory = "не хватило памяти";

// Why a SoundFont cannot be used.
inline constexpr std::string_view NoSuchFile = "нет такого файла";
inline constexpr std::string_view NotAFile = "это не файл";
inline constexpr std::string_view NotASoundFont = "это не SoundFont";
inline constexpr std::string_view SynthesizerFailed = "FluidSynth не запустился";
inline constexpr std::string_view SoundFontNotLoaded = "SoundFont не загрузился";
inline constexpr std::string_view NoInstrument = "в SoundFont нет инструмента для этой программы";

// Why a WAV file could not be written.
std::string SoundTooLong(uint64_t maxFrames);
inline constexpr std::string_view NotClosed = "файл не удалось закрыть";

} // namespace player_messages
