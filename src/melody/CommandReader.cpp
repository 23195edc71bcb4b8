#include "melody/CommandReader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Semitone of the plain note letters counted from c.
int LetterSemitone(char letter) {
    switch (letter) {
    case 'c':
        return 0;
    case 'd':
        return 2;
    case 'e':
        return 4;
    case 'f':
        return 5;
    case 'g':
        return 7;
    case 'a':
        return 9;
    default:
        return 11; // 'b'
    }
}

} // namespace

ReadResult CommandReader::read(std::string_view text) {
    CommandReader reader(text);
    reader.run();
    return std::move(reader.result_);
}

double CommandReader::codeFrequency(int code) {
    return 440.0 * std::pow(2.0, (code - 35) / 12.0);
}

CommandReader::CommandReader(std::string_view text) : text_(text) {}

void CommandReader::run() {
    while (true) {
        skipBlanks();
        if (pos_ >= text_.size())
            break;
        readCommand();
    }
    reportTooLong();
}

void CommandReader::readCommand() {
    const TextPlace place{line_, pos_ - lineStart_ + 1};
    const char c = Lower(text_[pos_]);
    ++pos_;
    switch (c) {
    case 'a':
    case 'b':
    case 'c':
    case 'd':
    case 'e':
    case 'f':
    case 'g':
        readNote(c, place);
        return;
    case 'p':
    case 'r':
        readRest(place);
        return;
    case '<':
        if (octave_ > MinOctave)
            --octave_;
        return;
    case '>':
        if (octave_ < MaxOctave)
            ++octave_;
        return;
    case 'l':
    case 'o':
    case 't': {
        const std::optional<long> n = readNumber();
        if (!n) {
            error(place, ReaderProblem::MissingNumber, c);
            return;
        }
        const long low = c == 'l' ? MinLength : c == 'o' ? MinOctave : MinTempo;
        const long high = c == 'l' ? MaxLength : c == 'o' ? MaxOctave : MaxTempo;
        if (*n < low || *n > high) {
            error(place, ReaderProblem::OutOfRange, c, *n, low, high);
            return;
        }
        (c == 'l' ? length_ : c == 'o' ? octave_ : tempo_) = static_cast<int>(*n);
        return;
    }
    default:
        error(place, ReaderProblem::UnknownCommand, text_[pos_ - 1]);
        return;
    }
}

std::optional<long> CommandReader::readNumber() {
    const size_t start = pos_, line = line_, lineStart = lineStart_;
    skipBlanks();
    size_t end = pos_;
    while (end < text_.size() && text_[end] >= '0' && text_[end] <= '9')
        ++end;
    if (end == pos_) {
        pos_ = start;
        line_ = line;
        lineStart_ = lineStart;
        return std::nullopt;
    }
    long value = 0;
    const auto [ptr, ec] = std::from_chars(text_.data() + pos_, text_.data() + end, value);
    pos_ = end;
    if (ec != std::errc())
        return std::numeric_limits<long>::max(); // out of every range; the caller reports it
    (void)ptr;
    return value;
}

void CommandReader::readNote(char letter, TextPlace place) {
    int semitone = LetterSemitone(letter);
    if (pos_ < text_.size()) {
        const char sign = text_[pos_];
        if (sign == '#' || sign == '+') {
            ++semitone;
            ++pos_;
        } else if (sign == '-') {
            --semitone;
            ++pos_;
        }
    }
    const std::optional<double> seconds = readDuration(place);
    if (!seconds)
        return;
    const int code = octave_ * 12 + semitone - 10;
    add({codeFrequency(code), *seconds, codeKey(code)}, place);
}

void CommandReader::readRest(TextPlace place) {
    const std::optional<double> seconds = readDuration(place);
    if (seconds)
        add({0.0, *seconds}, place);
}

void CommandReader::add(const PlayEvent& event, TextPlace place) {
    seconds_ += event.seconds;
    if (tooLong_ || seconds_ > MaxSeconds) {
        if (!tooLong_)
            tooLong_ = place;
        return;
    }
    result_.events.push_back(event);
}

void CommandReader::reportTooLong() {
    if (!tooLong_)
        return;
    const TextPlace place = *tooLong_;
    const ReaderError problem{place.line,
                              place.column,
                              ReaderProblem::TooLong,
                              0,
                              static_cast<long>(std::ceil(std::fmin(seconds_, 1e15))),
                              0,
                              static_cast<long>(MaxSeconds)};
    const auto later = std::find_if(result_.errors.begin(), result_.errors.end(), [&](const ReaderError& e) {
        return e.line > place.line || (e.line == place.line && e.column > place.column);
    });
    result_.errors.insert(later, std::move(problem));
}

std::optional<double> CommandReader::readDuration(TextPlace place) {
    long length = length_;
    if (const std::optional<long> n = readNumber()) {
        if (*n < MinLength || *n > MaxLength) {
            error(place, ReaderProblem::OutOfRange, 'l', *n, MinLength, MaxLength);
            return std::nullopt;
        }
        length = *n;
    }
    // A whole note is four quarter notes; each dot adds half of the last addition.
    double seconds = 4.0 / static_cast<double>(length) * 60.0 / static_cast<double>(tempo_);
    double addition = seconds / 2.0;
    while (pos_ < text_.size() && text_[pos_] == '.') {
        seconds += addition;
        addition /= 2.0;
        ++pos_;
    }
    return seconds;
}

void CommandReader::skipBlanks() {
    while (pos_ < text_.size() && IsBlank(text_[pos_])) {
        if (text_[pos_] == '\n') {
            ++line_;
            lineStart_ = pos_ + 1;
        }
        ++pos_;
    }
}

void CommandReader::error(TextPlace place, ReaderProblem problem, char command, long value, long low, long high) {
    result_.errors.push_back({place.line, place.column, problem, command, value, low, high});
}
