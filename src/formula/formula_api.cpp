// Placeholder until the parser lands.
#include "formula/formula.h"
