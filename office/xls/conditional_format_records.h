// CONDFMT and CF records: a sheet's conditional formats, each a list of cell
// ranges followed by its rules (at most three), after the merged cells.
#pragma once

#include "office/formula/byte_writer.h"
#include "office/model/conversion_error.h"
#include "office/model/workbook.h"
#include "office/xls/biff_stream.h"
#include "office/xls/style_sheet.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brindlemoor::office::xls {

// A rule ready to be written: its tokens compiled, its colours as palette indexes.
struct CfRule {
    bool isFormula = false;
    ComparisonOperator comparison = ComparisonOperator::Equal;
    formula::Bytes formula1, formula2;  // rgce, relative references as offsets
    DifferentialFormat format;
};

// Body of one CF record; colours through `colorIndex` (kAutomatic... when unset).
std::vector<std::uint8_t> cfRecordBody(const CfRule& rule, const StyleSheet& styles);

// The tokens of a rule's expression (document syntax, no "="), for the
// sheet `sheet`, relative references counted from the base cell. Throws
// formula::FormulaError naming what a conditional format of Excel 97 cannot hold.
formula::Bytes conditionTokens(const std::string& expression, const Workbook& workbook, std::uint32_t sheet,
                               RowIndex baseRow, ColumnIndex baseColumn);

// CONDFMT + CF records of the sheet; what cannot be written goes to `warnings`.
void writeConditionalFormats(BiffStream& out, const Workbook& workbook, std::uint32_t sheet, const StyleSheet& styles,
                             const std::string& sheetName, Warnings& warnings);

}  // namespace brindlemoor::office::xls
