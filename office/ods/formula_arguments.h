#pragma once

// Splitting a formula's text at its top level, as the conditions of styles
// and the formulas of cells need before they are compiled.

#include <string_view>
#include <vector>

namespace brindlemoor::office::ods {

struct TopLevelParts {
    std::vector<std::string_view> parts;
    bool balanced = true;  // no bracket closes before it opens, none or no quote is left open
};

// Splits at `separator` outside strings, sheet names, brackets, braces and
// parentheses.
TopLevelParts splitTopLevel(std::string_view text, char separator);

}  // namespace brindlemoor::office::ods
