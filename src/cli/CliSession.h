#pragma once

#include "app/Session.h"
#include "numbers/NumberText.h"
#include "platform/QtFileSystem.h"
#include "platform/QtProcessStarter.h"

#include <memory>
#include <ostream>

// The platform services and the session of one subcommand.
class CliSession {
public:
    // The started session; null after telling `err` when the formula library cannot be loaded.
    static std::unique_ptr<CliSession> Open(std::ostream& err);

    app::Session& operator*() { return session_; }
    app::Session* operator->() { return &session_; }
    // The files the session reads and writes.
    platform::QtFileSystem& files() { return files_; }

private:
    explicit CliSession(std::shared_ptr<const FormulaLibrary> library);

    platform::QtFileSystem files_;
    platform::QtProcessStarter starter_;
    PlainLocaleNumbers locale_;
    app::Session session_;
};
