// Turns a parsed formula into Excel 97 (BIFF8) formula tokens.
#pragma once

#include "office/formula/ast.h"
#include "office/formula/byte_writer.h"
#include "office/formula/link_table.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brindlemoor::office::formula {

enum class FormulaPlace : std::uint8_t {
    Cell,       // an ordinary cell formula
    ArrayCell,  // the formula of a matrix (array) range
    Name,       // the definition of a named range or expression
    // The condition of a conditional format: references to cells of its own
    // sheet only, relative ones as offsets from `NameBase` (tRefN, tAreaN).
    Condition,
};

struct CompiledFormula {
    Bytes tokens;  // rgce
    Bytes extra;   // rgcb: data of inline arrays, in token order
    bool isVolatile = false;
    // What a reader should know though the formula is written, e.g. that
    // Excel 97 cannot calculate a function of later versions.
    std::vector<std::string> notes;
    friend bool operator==(const CompiledFormula&, const CompiledFormula&) = default;
};

// Excel 97 refuses longer token arrays.
constexpr std::size_t kMaxTokenBytes = 1800;

// The cell a name's relative references count from (a named range or
// expression defined relative to a cell): Excel keeps them as offsets and
// applies them to the cell that uses the name.
struct NameBase {
    std::optional<std::uint32_t> sheet;  // unset: the name's scope
    std::uint32_t row = 0;
    std::uint32_t column = 0;
};

// `sheet` is the sheet the formula stands on, or for a name its scope
// (kWorkbookScope: references without a sheet mean the first sheet).
// Throws FormulaError naming what Excel 97 cannot express.
CompiledFormula compileFormula(const Node& root, FormulaPlace place, std::uint32_t sheet, LinkTable& links,
                               const NameBase& base = {});

}  // namespace brindlemoor::office::formula
