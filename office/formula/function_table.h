// The functions Excel 97 has built in, by the names OpenDocument uses.
#pragma once

#include <cstdint>
#include <string_view>

namespace brindlemoor::office::formula {

// The function number of calls to add-in functions, which name the function
// in a token before their arguments.
constexpr std::uint16_t kAddInFunction = 255;

// What Excel expects of an argument or delivers as a result:
//   'R' a reference, 'V' a single value, 'A' an array,
//   'P' (arguments only) whatever the caller expects of the function itself,
//       for functions that hand an argument through (IF, CHOOSE).
struct ExcelFunction {
    std::string_view name;        // Excel's name
    std::uint16_t index;          // Excel's function number
    std::uint8_t minArgs;
    std::uint8_t maxArgs;
    char result;
    std::string_view arguments;   // class per argument; the last one repeats
    bool isVolatile = false;

    bool isAddIn() const { return index == kAddInFunction; }
    bool fixedArity() const { return minArgs == maxArgs && !isAddIn(); }
    char argumentClass(std::size_t position) const
    {
        if (arguments.empty())
            return 'V';
        return position < arguments.size() ? arguments[position] : arguments.back();
    }
};

// Looks a function up by the name a document uses, with or without the
// namespaces "ORG.OPENOFFICE.", "COM.MICROSOFT.", "_xlfn.", "LEGACY." or the
// Analysis add-in's "com.sun.star.sheet.addin.Analysis.get";
// case does not matter. Built-in functions first, then those of the Analysis
// add-in. nullptr when Excel 97 has no such function.
const ExcelFunction* findExcelFunction(std::string_view documentName);

// For a function that Excel 97 lacks but later versions have built in: the
// hidden function name ("_xlfn.IFERROR") by which their .xls files call it.
// Empty for any other function.
std::string laterFunctionName(std::string_view documentName);

// The name without its namespace, upper case: what a warning shows.
std::string plainFunctionName(std::string_view documentName);

}  // namespace brindlemoor::office::formula
