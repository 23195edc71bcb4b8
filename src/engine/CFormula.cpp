#include "engine/CFormula.h"

#include <stdexcept>
#include <vector>

CFormula::CFormula(std::shared_ptr<const FormulaLibrary> library)
    : calc_(library ? library->calc : nullptr), library_(std::move(library)) {
    if (!library_)
        throw std::invalid_argument("CFormula: no formula library is loaded");
    std::string identity = "x";
    Create(identity);
}

CFormula::~CFormula() {
    library_->release(&record_);
}

std::string CFormula::View() const {
    std::vector<char> buffer(FORMULA_VIEW_CAPACITY + 1, '\0');
    library_->view(&record_, buffer.data());
    return std::string(buffer.data(), FORMULA_VIEW_CAPACITY);
}

void CFormula::Simplify() {
    library_->simplify(&record_, 10);
}

int32_t CFormula::Create(std::string& s) {
    // The library gets a writable, NUL-terminated copy; what it leaves there
    // goes back to the caller's text.
    std::vector<char> buffer(s.begin(), s.end());
    buffer.push_back('\0');
    int scratch = 0;
    const int result = library_->create(&record_, buffer.data(), false, &scratch, &scratch, &scratch);
    s.assign(buffer.data(), s.size());
    return result;
}
