// The formulas of a whole workbook, translated before any record is written:
// the globals need every sheet link and name before the sheets follow.
#pragma once

#include "office/formula/compiler.h"
#include "office/model/conversion_error.h"
#include "office/model/workbook.h"

#include <map>
#include <optional>
#include <utility>

namespace brindlemoor::office::formula {

class WorkbookFormulas {
public:
    // Translates every defined name and every cell formula. Whatever Excel 97
    // cannot express is listed in `warnings` with its cell or name and why;
    // such cells keep their cached value.
    WorkbookFormulas(const Workbook& workbook, Warnings& warnings);

    // The tokens for the formula `formulaIndex` standing on `sheet`, or nullptr
    // when it could not be translated (or the cell has none).
    const CompiledFormula* cellFormula(std::uint32_t sheet, std::uint32_t formulaIndex) const;

    // The EXTERNSHEET entry through which charts refer to cells of `sheet`;
    // unset when no chart does.
    std::optional<std::uint16_t> chartSheet(std::uint32_t sheet) const;

    // A cell or range a form control of `sheet` refers to, as the document
    // gives it ("Sheet1.B2", "Sheet1.A1:Sheet1.A9"): one tRef3d or tArea3d
    // token and the number of cells; nullptr when it could not be translated.
    struct ControlReference {
        Bytes tokens;
        std::uint32_t cells = 0;
    };
    const ControlReference* controlReference(std::uint32_t sheet, const std::string& address) const;

    // SUPBOOK, EXTERNSHEET and NAME records, in that order, for the globals
    // between COUNTRY and SST. Empty when the workbook needs none.
    const Bytes& globalRecords() const { return globalRecords_; }

private:
    void compileNames(const Workbook& workbook, Warnings& warnings);
    void compileCells(const Workbook& workbook, Warnings& warnings);
    void cacheLinkedSheets(const Workbook& workbook, Warnings& warnings);
    void compilePrintNames(const Workbook& workbook, Warnings& warnings);
    void compileControlReferences(const Workbook& workbook, Warnings& warnings);
    void linkChartSheets(const Workbook& workbook);

    struct CompiledName {
        std::string name;
        std::uint32_t scope = kWorkbookScope;
        CompiledFormula formula;
        std::uint8_t builtIn = 0;  // Excel's code of a built-in name (6 print area, 7 print titles); 0: the user's
    };

    LinkTable links_;
    std::vector<CompiledName> names_;
    std::map<std::pair<std::uint32_t, std::uint32_t>, std::optional<CompiledFormula>> cells_;
    Bytes globalRecords_;
    std::map<std::pair<std::uint32_t, std::string>, ControlReference> controlReferences_;
    std::map<std::uint32_t, std::uint16_t> chartSheets_;
};

// Excel accepts the name for a NAME record: letters, digits, '_', '.', '\\'
// and '?', not starting with a digit, at most 255 characters, and not
// readable as a cell address.
bool isValidExcelName(std::string_view name);

// "B7", "IV65536"; columns beyond Excel's grid keep their letters.
std::string cellAddress(std::uint32_t row, std::uint32_t column);

}  // namespace brindlemoor::office::formula
