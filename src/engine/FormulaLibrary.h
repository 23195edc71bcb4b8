#pragma once

#include "formula/formula.h"
#include "platform/DynamicLibrary.h"

#include <filesystem>
#include <memory>
#include <stdexcept>

// The formula library is missing, cannot be loaded or lacks an operation.
class FormulaLibraryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The formula library loaded at run time, with its operations resolved once.
class FormulaLibrary {
public:
    using CreateFn = int (*)(FORMULA*, char*, bool, int*, int*, int*);
    using CalcFn = double (*)(const FORMULA*, int, const double*);
    using SimplifyFn = int (*)(FORMULA*, int);
    using ViewFn = int (*)(const FORMULA*, char*);
    using ReleaseFn = void (*)(FORMULA*);

    // Loads the library file of that path; throws FormulaLibraryError.
    static std::shared_ptr<const FormulaLibrary> loadFile(const std::filesystem::path& file);
    // Loads the library by its platform name ("libformula.so") from `folder`.
    static std::shared_ptr<const FormulaLibrary> loadFrom(const std::filesystem::path& folder);
    // Loads the library from the running program's folder, else from its private library folder.
    static std::shared_ptr<const FormulaLibrary> loadBesideProgram();

    CreateFn create = nullptr;
    CalcFn calc = nullptr;
    SimplifyFn simplify = nullptr;
    ViewFn view = nullptr;
    ReleaseFn release = nullptr;

private:
    explicit FormulaLibrary(platform::DynamicLibrary library);
    platform::DynamicLibrary library_;
};
