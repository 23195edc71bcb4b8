#pragma once

#include "melody/PlayEvent.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Where a token starts: 1-based line, and 1-based byte column in that line.
struct TextPlace {
    size_t line = 1;
    size_t column = 1;
};

// What the reader could not use.
enum class ReaderProblem {
    MissingNumber,  // "l", "o" or "t" without its number
    OutOfRange,     // a length, octave or tempo outside low..high
    UnknownCommand, // a character that starts no command; it is skipped
    TooLong,        // the text asks for more than MaxSeconds of sound; the rest is skipped
};

// A token the reader could not use, with its 1-based line and column in that line.
struct ReaderError {
    size_t line = 0;
    size_t column = 0;
    ReaderProblem problem = ReaderProblem::UnknownCommand;
    char command = 0; // the command letter, or the unknown character
    long value = 0;   // the number given (OutOfRange), or the seconds asked for (TooLong)
    long low = 0;     // the range allowed (OutOfRange); `high` is the limit of TooLong
    long high = 0;
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
// case-insensitive; blanks and line ends (LF, CR LF) are skipped. Unusable
// tokens are reported with their line and column and skipped. The sound may
// last MaxSeconds in all: the notes and rests beyond are skipped, and one
// error at the first of them tells how long the whole text would last.
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
    // One hour: the longest melody the window writes (1024 whole notes at
    // the default tempo) lasts about 34 minutes; a text of rests at tempo 32
    // could otherwise ask for years of sound.
    static constexpr double MaxSeconds = 3600.0;

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
    void readNote(char letter, TextPlace place);
    void readRest(TextPlace place);
    // Length number (optional) and dots after a note or rest, in seconds.
    std::optional<double> readDuration(TextPlace place);
    // Adds an event unless the sound would outlast MaxSeconds.
    void add(const PlayEvent& event, TextPlace place);
    void skipBlanks();
    void error(TextPlace place, ReaderProblem problem, char command, long value = 0, long low = 0, long high = 0);
    // Reports the sound beyond MaxSeconds, in its place among the other errors.
    void reportTooLong();

    std::string_view text_;
    size_t pos_ = 0;
    int length_ = DefaultLength;
    int octave_ = DefaultOctave;
    int tempo_ = DefaultTempo;
    size_t line_ = 1;
    size_t lineStart_ = 0; // offset of the current line's first byte
    double seconds_ = 0.0; // of everything the text asks for
    std::optional<TextPlace> tooLong_;
    ReadResult result_;
};
