#pragma once

#include "formula/formula.h"
#include "platform/DynamicLibrary.h"

#include <filesystem>
#include <memory>
#include <string>

// The formula library loaded at run time, with its operations resolved once.
class FormulaLibrary {
public:
    using CreateFn = int (*)(FORMULA*, char*, bool, int*, int*, int*);
    using CalcFn = double (*)(const FORMULA*, int, const double*);
    using SimplifyFn = int (*)(FORMULA*, int);
    using ViewFn = int (*)(const FORMULA*, char*);
    using ReleaseFn = void (*)(FORMULA*);

    // Loads the library file of that path; nullptr, and the reason in `error`
    // when given, when it is missing, cannot be loaded or lacks an operation.
    static std::shared_ptr<const FormulaLibrary> loadFile(const std::filesystem::path& file,
                                                          std::string* error = nullptr);
    // Loads the library by its platform name ("libformula.so") from `folder`.
    static std::shared_ptr<const FormulaLibrary> loadFrom(const std::filesystem::path& folder,
                                                          std::string* error = nullptr);
    // Loads the library from the running program's folder, else from its private library folder.
    static std::shared_ptr<const FormulaLibrary> loadBesideProgram(std::string* error = nullptr);

    CreateFn create = nullptr;
    CalcFn calc = nullptr;
    SimplifyFn simplify = nullptr;
    ViewFn view = nullptr;
    ReleaseFn release = nullptr;

private:
    explicit FormulaLibrary(platform::DynamicLibrary library);
    platform::DynamicLibrary library_;
};
