#include "cli/CliSession.h"

#include "cli/CliOutput.h"

std::unique_ptr<CliSession> CliSession::Open(std::ostream& err) {
    app::FormulaLibraryResult loaded = app::LoadFormulaLibrary();
    if (loaded.failure) {
        Fail(err, loaded.failure);
        return nullptr;
    }
    return std::unique_ptr<CliSession>(new CliSession(std::move(loaded.library)));
}

CliSession::CliSession(std::shared_ptr<const FormulaLibrary> library)
    : session_(std::move(library), files_, starter_, locale_) {
    session_.Start();
}
