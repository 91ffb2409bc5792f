// Reads the formula text of an OpenDocument cell or named expression.
//
// Understands OpenFormula ("of:=") and the older OpenOffice syntax ("oooc:="
// or a bare "="): bracketed references, constants, inline arrays, operators
// with OpenFormula precedence and function calls with ';' between arguments.
#pragma once

#include "office/formula/ast.h"

#include <string_view>

namespace brindlemoor::office::formula {

// Throws FormulaError for text that is not a formula we can read.
Node parseFormula(std::string_view text);

// A bare expression without prefix or "=", as named ranges store it.
Node parseExpression(std::string_view text);

}  // namespace brindlemoor::office::formula
