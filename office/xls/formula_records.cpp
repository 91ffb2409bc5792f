#include "office/xls/formula_records.h"

#include "office/xls/excel_limits.h"
#include "office/xls/unicode_text.h"

#include <cmath>

namespace brindlemoor::office::xls {
namespace {

constexpr std::uint16_t kFormula = 0x0006;
constexpr std::uint16_t kArray = 0x0221;
constexpr std::uint16_t kString = 0x0207;
constexpr std::uint16_t kContinue = 0x003C;

constexpr std::uint16_t kAlwaysCalculate = 0x0001;
constexpr std::uint8_t kExpToken = 0x01;
constexpr std::uint8_t kErrorNum = 0x24;
constexpr std::uint8_t kErrorNa = 0x2A;

// The 8-byte result field: a number, or a marker (0xFFFF in the top bytes)
// with the type in the first byte: 0 text (a STRING record follows),
// 1 boolean, 2 error, 3 empty text.
struct CachedResult {
    bool isNumber = false;
    double number = 0;
    std::uint8_t type = 3;
    std::uint8_t value = 0;
    std::u16string text;
};

std::uint8_t errorCode(double code)
{
    switch (static_cast<int>(code)) {
    case 0x00: case 0x07: case 0x0F: case 0x17: case 0x1D: case 0x24: case 0x2A:
        return static_cast<std::uint8_t>(code);
    default:
        return kErrorNa;
    }
}

CachedResult cachedResult(const Workbook& workbook, const Cell& cell)
{
    CachedResult result;
    switch (cell.type) {
    case CellType::Number:
        if (std::isfinite(cell.number)) {
            result.isNumber = true;
            result.number = cell.number;
        } else {
            result.type = 2;
            result.value = kErrorNum;
        }
        break;
    case CellType::Text:
        if (cell.text != kNone && cell.text < workbook.strings.size())
            result.text = std::u16string(cutUtf16(toUtf16(workbook.strings.at(cell.text)), kMaxTextLength));
        result.type = result.text.empty() ? 3 : 0;
        break;
    case CellType::Boolean:
        result.type = 1;
        result.value = cell.number != 0 ? 1 : 0;
        break;
    case CellType::Error:
        result.type = 2;
        result.value = errorCode(cell.number);
        break;
    case CellType::Empty:
        break;
    }
    return result;
}

void writeResult(BiffStream& out, const CachedResult& result)
{
    if (result.isNumber) {
        out.f64(result.number);
        return;
    }
    out.u8(result.type);
    out.u8(0);
    out.u8(result.value);
    out.zeros(3);
    out.u16(0xFFFF);
}

// Text result: character count, then the characters; when they do not fit
// one record they go on in CONTINUE records, each starting with a fresh
// flags byte and never splitting a character.
void writeStringRecord(BiffStream& out, const std::u16string& text)
{
    const bool compressed = fitsOneByte(text);
    const std::size_t unit = compressed ? 1 : 2;
    std::size_t start = out.beginRecord(kString);
    out.u16(static_cast<std::uint16_t>(text.size()));
    std::size_t room = kMaxRecordData - 3;
    std::size_t at = 0;
    for (;;) {
        out.u8(compressed ? 0x00 : 0x01);
        const std::size_t count = std::min(text.size() - at, room / unit);
        for (std::size_t i = at; i < at + count; ++i) {
            if (compressed) out.u8(static_cast<std::uint8_t>(text[i]));
            else out.u16(static_cast<std::uint16_t>(text[i]));
        }
        at += count;
        out.endRecord(start);
        if (at >= text.size()) return;
        start = out.beginRecord(kContinue);
        room = kMaxRecordData - 1;
    }
}

void writeTokens(BiffStream& out, const formula::CompiledFormula& formula)
{
    out.u16(static_cast<std::uint16_t>(formula.tokens.size()));
    out.raw(formula.tokens.data(), formula.tokens.size());
    out.raw(formula.extra.data(), formula.extra.size());
}

}  // namespace

SheetFormulas::SheetFormulas(const Workbook& workbook, std::uint32_t sheet, const formula::WorkbookFormulas& translated)
    : workbook_(&workbook), sheet_(sheet), translated_(&translated)
{
    for (const Row& row : workbook.sheets.at(sheet).rows) {
        for (const Cell& cell : row.cells) {
            if (cell.formula == kNone || cell.formula >= workbook.formulas.size())
                continue;
            const Formula& source = workbook.formulas[cell.formula];
            const auto* compiled = translated.cellFormula(sheet, cell.formula);
            // The matrix starts at its formula's cell, whatever range it claims.
            if (!source.isArray || !compiled || source.arrayRange.firstRow != row.index ||
                source.arrayRange.firstColumn != cell.column)
                continue;
            matrices_.push_back({source.arrayRange, compiled});
        }
    }
}

const SheetFormulas::Matrix* SheetFormulas::matrixAt(std::uint32_t row, std::uint32_t column) const
{
    for (const Matrix& m : matrices_)
        if (row >= m.range.firstRow && row <= m.range.lastRow && column >= m.range.firstColumn &&
            column <= m.range.lastColumn)
            return &m;
    return nullptr;
}

bool SheetFormulas::inMatrix(std::uint32_t row, std::uint32_t firstColumn, std::uint32_t lastColumn) const
{
    for (const Matrix& m : matrices_)
        if (row >= m.range.firstRow && row <= m.range.lastRow && firstColumn <= m.range.lastColumn &&
            lastColumn >= m.range.firstColumn)
            return true;
    return false;
}

bool SheetFormulas::write(BiffStream& out, std::uint16_t row, std::uint16_t column, std::uint16_t xf, const Cell& cell) const
{
    if (!translated_)
        return false;
    const Matrix* matrix = matrixAt(row, column);
    const formula::CompiledFormula* own =
        cell.formula != kNone ? translated_->cellFormula(sheet_, cell.formula) : nullptr;
    if (!matrix && !own)
        return false;

    const CachedResult result = cachedResult(*workbook_, cell);
    const formula::CompiledFormula* body = matrix ? matrix->formula : own;
    const std::uint16_t options = body->isVolatile ? kAlwaysCalculate : 0;

    const std::size_t start = out.beginRecord(kFormula);
    out.u16(row);
    out.u16(column);
    out.u16(xf);
    writeResult(out, result);
    out.u16(options);
    out.u32(0);
    if (matrix) {
        // Every cell of a matrix points at its first cell; the formula itself
        // follows that cell in the ARRAY record.
        out.u16(5);
        out.u8(kExpToken);
        out.u16(static_cast<std::uint16_t>(matrix->range.firstRow));
        out.u16(static_cast<std::uint16_t>(matrix->range.firstColumn));
    } else {
        writeTokens(out, *own);
    }
    out.endRecord(start);

    if (matrix && row == matrix->range.firstRow && column == matrix->range.firstColumn) {
        const std::size_t array = out.beginRecord(kArray);
        out.u16(static_cast<std::uint16_t>(matrix->range.firstRow));
        out.u16(static_cast<std::uint16_t>(matrix->range.lastRow));
        out.u8(static_cast<std::uint8_t>(matrix->range.firstColumn));
        out.u8(static_cast<std::uint8_t>(matrix->range.lastColumn));
        out.u16(options);
        out.u32(0);
        writeTokens(out, *matrix->formula);
        out.endRecord(array);
    }
    if (!result.isNumber && result.type == 0)
        writeStringRecord(out, result.text);
    return true;
}

}  // namespace brindlemoor::office::xls
