// Formula text as a cell or a named range carries it, parsed and compiled to
// Excel 97 tokens in every place a formula can stand.
#include "office/formula/compiler.h"
#include "office/formula/formula_error.h"
#include "office/formula/link_table.h"
#include "office/formula/parser.h"

#include <cstdint>
#include <string_view>

using namespace brindlemoor::office::formula;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const bool expression : {false, true}) {
        try {
            const Node root = expression ? parseExpression(text) : parseFormula(text);
            for (const FormulaPlace place : {FormulaPlace::Cell, FormulaPlace::ArrayCell, FormulaPlace::Name}) {
                LinkTable links({"Sheet1", "Sheet 2", "Données"});
                try {
                    compileFormula(root, place, place == FormulaPlace::Name ? kWorkbookScope : 1, links);
                } catch (const FormulaError&) {
                }
            }
        } catch (const FormulaError&) {
        }
    }
    return 0;
}
