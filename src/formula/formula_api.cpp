// The C entry points: the layout of the FORMULA record and the guards that
// keep foreign input (null pointers, foreign records, allocation failure)
// from reaching the parser or the evaluator.
#include "formula/formula.h"

#include "formula/CompiledFormula.h"

#include <climits>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>

namespace {

using formula::CompiledFormula;
using formula::ParseError;

// "FRML": a record that holds a formula of this library. Any other value
// (zero bytes above all) means "no formula".
constexpr uint32_t kMagic = 0x4C4D5246u;
constexpr uint32_t kUsesVariable = 1u;

// The record's layout. The code pointer is kept beside the owner so that
// evaluation needs one load less.
struct Record {
    uint32_t magic;
    uint32_t flags;
    const formula::Instruction* code;
    CompiledFormula* owner;
};
static_assert(sizeof(Record) <= sizeof(FORMULA), "the record layout must fit the FORMULA record");

Record load(const FORMULA* f) {
    Record record;
    std::memcpy(&record, f->opaque, sizeof record);
    return record;
}

// One field of the record, read on its own: evaluation reads only what it needs.
template <typename T>
T field(const FORMULA* f, size_t offset) {
    T value;
    std::memcpy(&value, f->opaque + offset, sizeof value);
    return value;
}

void store(FORMULA* f, const CompiledFormula* compiled) {
    std::memset(f->opaque, 0, sizeof f->opaque);
    Record record{};
    record.magic = kMagic;
    record.flags = compiled->usesVariable() ? kUsesVariable : 0u;
    record.code = compiled->code();
    record.owner = const_cast<CompiledFormula*>(compiled);
    std::memcpy(f->opaque, &record, sizeof record);
}

CompiledFormula* ownerOf(const FORMULA* f) {
    if (!f)
        return nullptr;
    const Record record = load(f);
    return record.magic == kMagic ? record.owner : nullptr;
}

void release(FORMULA* f) {
    delete ownerOf(f);
    std::memset(f->opaque, 0, sizeof f->opaque);
}

// The three out-parameters may all point to one integer: the result code is written last.
void report(int code, int column, int length, int* errorColumn, int* errorCode, int* lengthOut) {
    if (lengthOut)
        *lengthOut = length;
    if (errorColumn)
        *errorColumn = column;
    if (errorCode)
        *errorCode = code;
}

} // namespace

extern "C" {

int CreateFormula(FORMULA* f, char* text, bool /*flag*/, int* errorColumn, int* errorCode, int* length) {
    if (!f || !text) {
        if (f)
            release(f);
        report(FORMULA_ERR_ARGUMENT, 0, 0, errorColumn, errorCode, length);
        return FORMULA_ERR_ARGUMENT;
    }
    release(f);
    const size_t size = std::strlen(text);
    const int shownLength = size > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(size);
    ParseError error;
    try {
        std::unique_ptr<CompiledFormula> compiled = CompiledFormula::create(std::string_view(text, size), error);
        if (compiled) {
            // From here the record owns the formula; ReleaseFormula or the next Create frees it.
            store(f, compiled.release());
            report(FORMULA_OK, 0, shownLength, errorColumn, errorCode, length);
            return FORMULA_OK;
        }
    } catch (const std::bad_alloc&) {
        error = ParseError{FORMULA_ERR_NO_MEMORY, 1};
    }
    report(error.code, error.column, shownLength, errorColumn, errorCode, length);
    return error.code;
}

double CalcFormula(const FORMULA* f, int count, const double* values) {
    if (!f)
        return std::nan("");
    if (field<uint32_t>(f, offsetof(Record, magic)) != kMagic)
        return std::nan("");
    double x = 0.0;
    if (field<uint32_t>(f, offsetof(Record, flags)) & kUsesVariable) {
        if (count < 1 || !values)
            return std::nan("");
        x = values[0];
    }
    return formula::Program::execute(field<const formula::Instruction*>(f, offsetof(Record, code)), x);
}

int SimplifyFormula(FORMULA* f, int /*level*/) {
    CompiledFormula* compiled = ownerOf(f);
    if (!compiled)
        return 1;
    try {
        if (!compiled->simplify())
            return 1;
    } catch (const std::bad_alloc&) {
        return FORMULA_ERR_NO_MEMORY;
    }
    store(f, compiled);
    return 0;
}

int ViewFormula(const FORMULA* f, char* buffer) {
    if (!buffer)
        return 0;
    const CompiledFormula* compiled = ownerOf(f);
    if (!compiled) {
        buffer[0] = '\0';
        return 0;
    }
    return static_cast<int>(compiled->view(buffer, FORMULA_VIEW_CAPACITY));
}

void ReleaseFormula(FORMULA* f) {
    if (f)
        release(f);
}

} // extern "C"
