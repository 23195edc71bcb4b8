#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Note codes as a musician reads them: names with octaves as the command text writes them.
namespace app {

// The names of the codes of a melody text, separated by blanks ("c#1 f#1 a1 p"); empty for an empty text.
std::string NoteNamesOfText(std::string_view text);

// A code with its name: "26 = c3", "1 = p".
std::string CodeWithName(uint8_t code);

} // namespace app
