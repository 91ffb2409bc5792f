// What an Excel 97 workbook can hold, and the fixes for what does not fit:
// sheet names are renamed, cells and merges beyond the grid are cut. Every fix
// is reported as a warning; nothing is dropped silently.
#pragma once

#include "office/model/conversion_error.h"
#include "office/model/workbook.h"

#include <cstdint>
#include <string>
#include <vector>

namespace brindlemoor::office::xls {

constexpr std::uint32_t kMaxRows = 65536;
constexpr std::uint32_t kMaxColumns = 256;
constexpr std::size_t kMaxTextLength = 32767;  // UTF-16 code units per cell
constexpr std::size_t kMaxSheetNameLength = 31;

// Sheet names Excel accepts: 1..31 characters, none of []:*?/\, no leading or
// trailing apostrophe, unique regardless of case. Returns one name per sheet,
// in order; each change is a warning.
std::vector<std::u16string> fitSheetNames(const std::vector<std::string>& names, Warnings& warnings);

// "A1"-style address of a 0-based cell (also beyond column IV, for messages).
std::string cellAddress(std::uint64_t row, std::uint64_t column);

// Merged ranges clipped to the grid; ranges that start outside it, or that
// shrink to one cell, are left out. Each change is a warning.
std::vector<CellRange> fitMerges(const std::vector<CellRange>& merges, const std::string& sheetName,
                                 Warnings& warnings);

// Tallies what one sheet lost to the grid limits, then reports it as a few
// warnings instead of one per cell.
class SheetCuts {
public:
    void cellBeyondGrid(std::uint64_t row, std::uint64_t column, std::uint64_t count = 1);
    void textCut(std::uint32_t row, std::uint32_t column);
    void report(const std::string& sheetName, Warnings& warnings) const;

private:
    std::uint64_t cellsBeyond_ = 0;
    std::string firstBeyond_;
    std::uint64_t textsCut_ = 0;
    std::vector<std::string> textCutAt_;
};

}  // namespace brindlemoor::office::xls
