#include "engine/FormulaLibrary.h"

#include <utility>

namespace {

template <typename Fn>
Fn resolve(const platform::DynamicLibrary& library, const char* name) {
    void* address = library.symbol(name);
    if (!address)
        throw FormulaLibraryError("the formula library " + library.path().string() + " lacks the operation " + name);
    return reinterpret_cast<Fn>(address);
}

} // namespace

FormulaLibrary::FormulaLibrary(platform::DynamicLibrary library) : library_(std::move(library)) {
    create = resolve<CreateFn>(library_, "CreateFormula");
    calc = resolve<CalcFn>(library_, "CalcFormula");
    simplify = resolve<SimplifyFn>(library_, "SimplifyFormula");
    view = resolve<ViewFn>(library_, "ViewFormula");
    release = resolve<ReleaseFn>(library_, "ReleaseFormula");
}

std::shared_ptr<const FormulaLibrary> FormulaLibrary::loadFile(const std::filesystem::path& file) {
    try {
        return std::shared_ptr<const FormulaLibrary>(new FormulaLibrary(platform::DynamicLibrary(file)));
    } catch (const platform::DynamicLibraryError& e) {
        throw FormulaLibraryError(std::string("the formula library cannot be loaded: ") + e.what());
    }
}

std::shared_ptr<const FormulaLibrary> FormulaLibrary::loadFrom(const std::filesystem::path& folder) {
    return loadFile(folder / platform::DynamicLibrary::fileName("formula"));
}

std::shared_ptr<const FormulaLibrary> FormulaLibrary::loadBesideProgram() {
    // A build tree keeps the library beside the programs, an installed tree in our private library folder.
    const std::filesystem::path beside = platform::executableFolder();
    const std::filesystem::path installed = platform::privateLibraryFolder();
    const std::string name = platform::DynamicLibrary::fileName("formula");
    std::error_code ignored;
    if (std::filesystem::exists(beside / name, ignored))
        return loadFrom(beside);
    if (std::filesystem::exists(installed / name, ignored))
        return loadFrom(installed);
    throw FormulaLibraryError("the formula library " + name + " is neither in " + beside.string() + " nor in " +
                              installed.string());
}
