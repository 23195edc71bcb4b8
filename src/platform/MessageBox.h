#pragma once

#include <string>

namespace platform {

enum class MessageIcon { None, Information, Warning, Critical };

// A modal message box with an OK button and the application's title.
class MessageBox {
public:
    virtual ~MessageBox() = default;
    // Shows `text` (UTF-8) with `icon` and waits until the user closes it.
    virtual void show(const std::string& text, MessageIcon icon) = 0;
};

} // namespace platform
