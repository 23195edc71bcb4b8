/* The formula library: parses a formula text in the variable x once into a
 * compiled form held by a 32-byte FORMULA record, then evaluates it many
 * times without parsing or allocating. C interface, loaded at run time. */
#ifndef MELODYNET_FORMULA_H
#define MELODYNET_FORMULA_H

#ifdef __cplusplus
#include <cstdint>
extern "C" {
#else
#include <stdbool.h>
#include <stdint.h>
#endif

#if defined(_WIN32)
#if defined(FORMULA_BUILDING)
#define FORMULA_API __declspec(dllexport)
#else
#define FORMULA_API __declspec(dllimport)
#endif
#else
#define FORMULA_API __attribute__((visibility("default")))
#endif

/* Opaque record; all-zero bytes mean "no formula". */
typedef struct FORMULA {
    unsigned char opaque[32];
} FORMULA;

/* Result codes of CreateFormula. */
enum {
    FORMULA_OK = 0,
    FORMULA_ERR_SYNTAX = 1,       /* unexpected character or token */
    FORMULA_ERR_UNKNOWN_NAME = 2, /* unknown function or variable */
    FORMULA_ERR_PARENTHESES = 3,  /* missing or surplus parenthesis */
    FORMULA_ERR_EMPTY = 4,        /* no formula at all */
    FORMULA_ERR_TOO_LONG = 5,     /* text or program beyond the library's limits */
    FORMULA_ERR_NO_MEMORY = 6,
    FORMULA_ERR_ARGUMENT = 7 /* null record or text */
};

/* Parses `text` into `f`, replacing and releasing any formula held before.
 * `text` is not changed. `flag` is reserved (pass false). On return
 * *errorColumn is the 1-based column of the first error (0 on success),
 * *errorCode repeats the result and *length is the text's length; any of
 * them may be null. On failure the record evaluates to NaN. */
FORMULA_API int CreateFormula(FORMULA* f, char* text, bool flag, int* errorColumn, int* errorCode, int* length);

/* Evaluates `f` with x = values[0] (count >= 1); NaN for an empty record,
 * a record that failed to parse, or count < 1 with a formula that uses x. */
FORMULA_API double CalcFormula(const FORMULA* f, int count, const double* values);

/* Folds constant sub-expressions of `f`; `level` is reserved. Returns 0 on
 * success, non-zero when the record holds no formula. */
FORMULA_API int SimplifyFormula(FORMULA* f, int level);

/* Writes the text form of `f` into `buffer`: at most 1024 characters and a
 * terminating NUL. Returns the number of characters written. */
FORMULA_API int ViewFormula(const FORMULA* f, char* buffer);

/* Frees what `f` holds and zero-fills it. Safe on a zero-filled record. */
FORMULA_API void ReleaseFormula(FORMULA* f);

#ifdef __cplusplus
} /* extern "C" */
static_assert(sizeof(FORMULA) == 32, "FORMULA must stay a 32-byte record");
#else
_Static_assert(sizeof(FORMULA) == 32, "FORMULA must stay a 32-byte record");
#endif

#define FORMULA_VIEW_CAPACITY 1024

#endif
