#pragma once

#include <string>

namespace platform {

enum class MessageIcon { None, Information, Warning, Critical };

// Modal message boxes with the application's title: a message with OK, or a yes/no question.
class MessageBox {
public:
    virtual ~MessageBox() = default;
    // Shows `text` (UTF-8) with `icon` and waits until the user closes it.
    virtual void show(const std::string& text, MessageIcon icon) = 0;
    // Asks a yes/no question with the question icon; true for yes.
    virtual bool ask(const std::string& text) = 0;
};

} // namespace platform
