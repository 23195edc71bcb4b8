#pragma once

#include "player/PlayEvent.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A token the reader could not use, with its 1-based column.
struct ReaderError {
    size_t column = 0;
    std::string message;
};

// Result of reading a whole command text.
struct ReadResult {
    std::vector<PlayEvent> events;
    std::vector<ReaderError> errors;
};

// Reads a play-command text: "l" note length (1/n of a whole note, default
// 4), "o" octave, "<" / ">" octave down / up, notes "a" to "g" with "#" or
// "+" (sharp) or "-" (flat), an optional length and dots, "p" or "r" rest,
// "t" tempo in quarter notes a minute (default 120). Letters are
// case-insensitive; blanks and line ends are skipped. Unusable tokens are
// reported with their column and skipped.
class CommandReader {
public:
    static constexpr int MinLength = 1;
    static constexpr int MaxLength = 64;
    static constexpr int MinOctave = 0;
    static constexpr int MaxOctave = 22;
    static constexpr int MinTempo = 32;
    static constexpr int MaxTempo = 255;
    static constexpr int DefaultLength = 4;
    static constexpr int DefaultOctave = 3;
    static constexpr int DefaultTempo = 120;

    // Reads the whole `text` into events and errors.
    static ReadResult read(std::string_view text);

    // Frequency of note code `code`: 440 * 2^((code - 35) / 12); "o1 c" is code 2.
    static double codeFrequency(int code);

    // MIDI key of note code `code`: middle C, "o3 c", is code 26 and key 60.
    static constexpr int codeKey(int code) { return code + 34; }

private:
    explicit CommandReader(std::string_view text);
    void run();
    void readCommand();
    // Reads an unsigned decimal number at the current position (blanks before
    // it skipped); nullopt, leaving the position, when there is none.
    std::optional<long> readNumber();
    // Reads a note letter with its sign, length and dots.
    void readNote(char letter, size_t column);
    void readRest(size_t column);
    // Length number (optional) and dots after a note or rest, in seconds.
    std::optional<double> readDuration(size_t column);
    void skipBlanks();
    void error(size_t column, std::string message);

    std::string_view text_;
    size_t pos_ = 0;
    int length_ = DefaultLength;
    int octave_ = DefaultOctave;
    int tempo_ = DefaultTempo;
    ReadResult result_;
};
