#pragma once

#include "platform/MessageBox.h"

#include <functional>
#include <string>
#include <vector>

// Records every message box instead of showing it.
class FakeMessageBox : public platform::MessageBox {
public:
    struct Shown {
        std::string text;
        platform::MessageIcon icon;
    };

    // Records the box and runs `onShow` (while the box would be open).
    void show(const std::string& text, platform::MessageIcon icon) override {
        shown.push_back({text, icon});
        if (onShow)
            onShow(shown.back());
    }

    std::vector<Shown> shown;
    std::function<void(const Shown&)> onShow;
};
