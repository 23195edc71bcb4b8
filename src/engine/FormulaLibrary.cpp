#include "engine/FormulaLibrary.h"

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

FormulaLibrary::Loading FormulaLibrary::loadFile(const std::filesystem::path& file) {
    platform::FileResult<platform::DynamicLibrary> opened = platform::DynamicLibrary::open(file);
    if (!opened)
        return base::Fail(
            FormulaLibraryFailure{FormulaLibraryError::NotLoadable, {file.string()}, opened.error().reason});
    std::shared_ptr<FormulaLibrary> library(new FormulaLibrary(std::move(*opened)));
    std::string missing;
    library->create = resolve<CreateFn>(library->library_, "CreateFormula", missing);
    library->calc = resolve<CalcFn>(library->library_, "CalcFormula", missing);
    library->simplify = resolve<SimplifyFn>(library->library_, "SimplifyFormula", missing);
    library->view = resolve<ViewFn>(library->library_, "ViewFormula", missing);
    library->release = resolve<ReleaseFn>(library->library_, "ReleaseFormula", missing);
    if (!missing.empty())
        return base::Fail(FormulaLibraryFailure{FormulaLibraryError::LacksOperation, {file.string()}, missing});
    return std::shared_ptr<const FormulaLibrary>(std::move(library));
}

FormulaLibrary::Loading FormulaLibrary::loadFrom(const std::filesystem::path& folder) {
    return loadFile(folder / platform::DynamicLibrary::fileName("formula"));
}

FormulaLibrary::Loading FormulaLibrary::loadBesideProgram() {
    // A build tree keeps the library beside the programs, an installed tree in our private library folder.
    const std::filesystem::path beside = platform::executableFolder();
    const std::filesystem::path installed = platform::privateLibraryFolder();
    const std::string name = platform::DynamicLibrary::fileName("formula");
    std::error_code ignored;
    if (std::filesystem::exists(beside / name, ignored))
        return loadFrom(beside);
    if (std::filesystem::exists(installed / name, ignored))
        return loadFrom(installed);
    return base::Fail(FormulaLibraryFailure{
        FormulaLibraryError::NotFound, {(beside / name).string(), (installed / name).string()}, {}});
}
