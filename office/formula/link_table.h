// What formulas refer to outside their own cell: the workbook's sheets
// (through EXTERNSHEET entries, one per sheet or sheet range used) and its
// defined names (through the position of their NAME record).
#pragma once

#include "office/formula/byte_writer.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace brindlemoor::office::formula {

constexpr std::uint32_t kWorkbookScope = 0xFFFFFFFF;

class LinkTable {
public:
    explicit LinkTable(std::vector<std::string> sheetNames);

    std::size_t sheetCount() const { return sheetNames_.size(); }

    // Exact name first, then regardless of case (sheet names are unique
    // regardless of case).
    std::optional<std::uint32_t> findSheet(std::string_view name) const;

    // The EXTERNSHEET entry for a sheet or a range of sheets, added when new.
    // Throws FormulaError when the record would grow beyond what it can hold.
    std::uint16_t externSheet(std::uint32_t firstSheet, std::uint32_t lastSheet);
    bool usesExternSheets() const { return !entries_.empty(); }

    // Names in NAME record order; a formula refers to the i-th by i + 1.
    void setNames(std::vector<std::pair<std::string, std::uint32_t>> nameAndScope);

    // A name of the sheet's own scope wins over a workbook name.
    std::optional<std::uint16_t> findName(std::string_view name, std::uint32_t sheet) const;

    // SUPBOOK (this workbook) and EXTERNSHEET, ready for the globals. Empty
    // when nothing refers across sheets and there are no names.
    Bytes externalReferenceRecords(bool haveNames);

private:
    std::vector<std::string> sheetNames_;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> entries_;
    std::vector<std::pair<std::string, std::uint32_t>> names_;
};

bool equalsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace brindlemoor::office::formula
