// The records of a row's cells, in the compact forms: RK and MULRK for numbers
// an RK holds exactly, NUMBER for the rest, LABELSST, BOOLERR, and BLANK /
// MULBLANK for empty cells that carry a format.
#pragma once

#include "office/model/workbook.h"
#include "office/xls/biff_stream.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace brindlemoor::office::xls {

class SheetFormulas;

enum class CellKind : std::uint8_t { Rk, Number, Label, Boolean, Error, Blank, Formula };

// One cell about to be written.
struct CellItem {
    std::uint16_t column = 0;
    std::uint16_t xf = 0;
    CellKind kind = CellKind::Blank;
    std::uint32_t value = 0;      // RK value, SST index, boolean or error code
    double number = 0;            // for Number
    const Cell* cell = nullptr;   // for Formula: the model cell
};

// The value record form of a (non-formula) cell.
CellItem valueItem(const Cell& cell, std::uint16_t column, std::uint16_t xf);

// What formula cells need from the rest of the writer, and what they leave
// behind for the warnings.
struct FormulaSite {
    const Workbook& workbook;
    std::uint32_t sheet = 0;
    std::uint64_t written = 0;                   // without translation: cells written as values
    std::vector<std::string> firstAddresses;
    const SheetFormulas* formulas = nullptr;     // translated formulas of the sheet
};

// Writes a formula cell (or a cell of a matrix formula) as a FORMULA record,
// or as its cached value when its formula could not be translated.
void writeFormulaCell(BiffStream& out, FormulaSite& site, std::uint16_t row, const CellItem& item);

// Writes the cells of one row, sorted by column; adjacent RK cells become
// MULRK, adjacent blanks MULBLANK.
void writeCells(BiffStream& out, std::uint16_t row, std::span<const CellItem> cells, FormulaSite& formulas);

}  // namespace brindlemoor::office::xls
