#pragma once

#include "engine/FormulaLibrary.h"
#include "midi/MidiError.h"
#include "storage/NetworkFile.h"

#include <cstdint>
#include <string>
#include <vector>

namespace app {

// What went wrong in an operation of the application layer.
enum class Problem {
    None,
    ShapeCountBelowOne,    // a count below 1 (counts in inputCount, hiddenCount)
    ShapeTooLarge,         // a network beyond the size limits
    OutOfMemory,           // building or loading ran out of memory
    NetworkFileBroken,     // a network file that cannot be loaded (reading says why; path)
    NetworkFileNotWritten, // a save that failed (path, reason)
    NetworkNotStorable,    // a network with a non-finite value, which no file could load again
    HistoryUnavailable,    // no folder can hold History (path: the one beside the program)
    HistoryFull,           // all command file names are taken (path: the History folder)
    CommandFileNotWritten, // the command file could not be written (path, reason)
    PlayerNotStarted,      // the player could not be started (path: the command file, reason)
    MelodyFileUnreadable,  // a melody file that cannot be read (path, reason)
    MelodyFileTooLarge,    // a melody file larger than any melody could need (path, limit)
    MidiFileBroken,        // a MIDI file that holds no usable melody (path, midi)
    MelodyFileNotMelody,   // a melody file that is neither MIDI nor a text of codes (path)
    MelodyFileEmpty,       // a melody file without a byte (path)
    FileNotWritten,        // an exported file could not be written (path, reason)
    PlayerFailed,          // the player ran but did not write its file (path, reason: its message)
    PlayerEnded,           // a started player ended with a failure soon after (reason: what it said)
    FormulaLibraryMissing, // the formula library beside the program could not be loaded (reason)
};

// A failure as data: the problem and what the message about it names.
struct Failure {
    Problem problem = Problem::None;
    std::string path;                    // the file or folder concerned
    std::vector<std::string> otherPaths; // further folders concerned (HistoryUnavailable: the others tried)
    std::string reason;                  // the system's own reason, when there is one
    int64_t inputCount = 0;              // the counts of a shape problem
    int64_t hiddenCount = 0;
    int64_t limit = 0;     // the size limit a file passed
    std::string inputText; // the counts as the user typed them, when typed
    std::string hiddenText;
    NetworkFileFailure reading;           // where and why a network file is broken
    MidiFailure midi;                     // where and why a MIDI file is refused
    FormulaLibraryFailure formulaLibrary; // which files were tried and why they did not load

    // A failure with nothing more to name than its problem.
    static Failure Of(Problem problem) {
        Failure failure;
        failure.problem = problem;
        return failure;
    }

    // True when something went wrong.
    explicit operator bool() const { return problem != Problem::None; }
};

} // namespace app
