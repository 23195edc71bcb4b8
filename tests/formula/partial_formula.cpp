// A stand-in formula library that exports only some of the operations, so
// that the loader's check for missing operations can be seen to work.
#include "formula/formula.h"

#include <cmath>

extern "C" {

int CreateFormula(FORMULA*, char*, bool, int*, int*, int*) {
    return FORMULA_OK;
}

double CalcFormula(const FORMULA*, int, const double*) {
    return std::nan("");
}

int SimplifyFormula(FORMULA*, int) {
    return 0;
}

} // extern "C"
