#include "engine/FormulaLibrary.h"

#include <optional>
#include <utility>

namespace {

template <typename Fn>
Fn resolve(const platform::DynamicLibrary& library, const char* name, std::string& missing) {
    void* address = library.symbol(name);
    if (!address && missing.empty())
        missing = name;
    return reinterpret_cast<Fn>(address);
}

} // namespace

FormulaLibrary::FormulaLibrary(platform::DynamicLibrary library) : library_(std::move(library)) {}

std::shared_ptr<const FormulaLibrary> FormulaLibrary::loadFile(const std::filesystem::path& file, std::string* error) {
    std::optional<platform::DynamicLibrary> opened;
    try {
        opened.emplace(file);
    } catch (const platform::DynamicLibraryError& e) {
        if (error)
            *error = e.what();
        return nullptr;
    }
    std::shared_ptr<FormulaLibrary> library(new FormulaLibrary(std::move(*opened)));
    std::string missing;
    library->create = resolve<CreateFn>(library->library_, "CreateFormula", missing);
    library->calc = resolve<CalcFn>(library->library_, "CalcFormula", missing);
    library->simplify = resolve<SimplifyFn>(library->library_, "SimplifyFormula", missing);
    library->view = resolve<ViewFn>(library->library_, "ViewFormula", missing);
    library->release = resolve<ReleaseFn>(library->library_, "ReleaseFormula", missing);
    if (!missing.empty()) {
        if (error)
            *error = file.string() + " lacks the operation " + missing;
        return nullptr;
    }
    return library;
}

std::shared_ptr<const FormulaLibrary> FormulaLibrary::loadFrom(const std::filesystem::path& folder,
                                                               std::string* error) {
    return loadFile(folder / platform::DynamicLibrary::fileName("formula"), error);
}

std::shared_ptr<const FormulaLibrary> FormulaLibrary::loadBesideProgram(std::string* error) {
    // A build tree keeps the library beside the programs, an installed tree in our private library folder.
    const std::filesystem::path beside = platform::executableFolder();
    const std::filesystem::path installed = platform::privateLibraryFolder();
    const std::string name = platform::DynamicLibrary::fileName("formula");
    std::error_code ignored;
    if (std::filesystem::exists(beside / name, ignored))
        return loadFrom(beside, error);
    if (std::filesystem::exists(installed / name, ignored))
        return loadFrom(installed, error);
    if (error)
        *error = "the formula library " + name + " is neither in " + beside.string() + " nor in " + installed.string();
    return nullptr;
}
