// Formula cells as BIFF8 records: FORMULA with the cached result, ARRAY for a
// matrix formula, STRING for a text result.
#pragma once

#include "office/formula/workbook_formulas.h"
#include "office/model/workbook.h"
#include "office/xls/biff_stream.h"

#include <cstdint>
#include <vector>

namespace brindlemoor::office::xls {

// The translated formulas one sheet writes, and the matrix formulas whose
// ranges its other cells belong to.
class SheetFormulas {
public:
    SheetFormulas() = default;
    SheetFormulas(const Workbook& workbook, std::uint32_t sheet, const formula::WorkbookFormulas& translated);

    // True when a cell of columns first..last of `row` lies in a matrix range:
    // such cells are written as parts of the matrix formula.
    bool inMatrix(std::uint32_t row, std::uint32_t firstColumn, std::uint32_t lastColumn) const;

    // Writes `cell` at row/column as a formula (its own or its matrix's).
    // False, writing nothing, when the cell keeps only its cached value.
    bool write(BiffStream& out, std::uint16_t row, std::uint16_t column, std::uint16_t xf, const Cell& cell) const;

private:
    struct Matrix {
        CellRange range;
        const formula::CompiledFormula* formula = nullptr;
    };
    const Matrix* matrixAt(std::uint32_t row, std::uint32_t column) const;

    const Workbook* workbook_ = nullptr;
    std::uint32_t sheet_ = 0;
    const formula::WorkbookFormulas* translated_ = nullptr;
    std::vector<Matrix> matrices_;
};

}  // namespace brindlemoor::office::xls
