// Why a formula could not be turned into Excel 97 tokens. The caller keeps the
// cell's cached value and reports the reason with the cell's address.
#pragma once

#include <stdexcept>

namespace brindlemoor::office::formula {

class FormulaError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace brindlemoor::office::formula
