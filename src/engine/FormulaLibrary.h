#pragma once

#include "formula/formula.h"
#include "platform/DynamicLibrary.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// Why the formula library could not be loaded.
enum class FormulaLibraryError {
    NotFound,       // no library file where it was looked for (paths: the files looked for)
    NotLoadable,    // the system refused to load the file (reason: the system's)
    LacksOperation, // the file lacks an operation of the interface (reason: the operation's name)
};

// A failed load: what, which files, and the detail.
struct FormulaLibraryFailure {
    FormulaLibraryError error = FormulaLibraryError::NotFound;
    std::vector<std::string> paths;
    std::string reason;
};

// The formula library loaded at run time, with its operations resolved once.
class FormulaLibrary {
public:
    // A loaded library, or why there is none.
    using Loading = base::Result<std::shared_ptr<const FormulaLibrary>, FormulaLibraryFailure>;

    using CreateFn = int (*)(FORMULA*, char*, bool, int*, int*, int*);
    using CalcFn = double (*)(const FORMULA*, int, const double*);
    using SimplifyFn = int (*)(FORMULA*, int);
    using ViewFn = int (*)(const FORMULA*, char*);
    using ReleaseFn = void (*)(FORMULA*);

    // Loads the library file of that path: NotLoadable when it is missing or
    // cannot be loaded, LacksOperation when an operation is missing.
    static Loading loadFile(const std::filesystem::path& file);
    // Loads the library by its platform name ("libformula.so") from `folder`.
    static Loading loadFrom(const std::filesystem::path& folder);
    // Loads the library from the running program's folder, else from its
    // private library folder; NotFound when neither holds it.
    static Loading loadBesideProgram();

    CreateFn create = nullptr;
    CalcFn calc = nullptr;
    SimplifyFn simplify = nullptr;
    ViewFn view = nullptr;
    ReleaseFn release = nullptr;

private:
    explicit FormulaLibrary(platform::DynamicLibrary library);
    platform::DynamicLibrary library_;
};
