// The cell records of rows encoded while the document is still being read:
// the reader's thread waits on the parser much of the time, and a sheet's
// cells are most of what a large workbook's writing costs. What needs the
// whole workbook stays for the writer: the XF index of each cell is patched
// in once the style sheet is known, and rows whose records depend on more
// than themselves (formulas, matrix ranges, formatted blanks, repeated rows,
// cuts to Excel's grid) are left to be encoded at the end as usual.
#pragma once

#include "office/model/row_listener.h"
#include "office/xls/biff_stream.h"
#include "office/xls/cell_records.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace brindlemoor::office::xls {

class StyleSheet;

// Extra memory the early records may take (the bytes and the fields to
// patch): beyond it, the remaining rows are encoded at the end, where the
// stream can spill to a file.
constexpr std::size_t kEarlyCellsBudget = std::size_t{48} << 20;

class EarlyCells final : public RowListener {
public:
    explicit EarlyCells(std::size_t budget = kEarlyCellsBudget) : budget_(budget) {}

    void sheetStarted() override;
    void rowAdded(const Workbook& workbook, const Sheet& sheet) override;
    void sheetEnded(bool kept) override;

    // Writes the XF index of every early cell; once, before any row is asked for.
    void resolveXfs(const StyleSheet& styles);

    struct EarlyRow {
        std::span<const std::uint8_t> records;
        std::uint32_t sstReferences = 0;  // LABELSST records among them
    };
    // The records of `row`, the `position`-th row of the `sheet`-th sheet of
    // the workbook read, if it was encoded early (and the model still agrees).
    std::optional<EarlyRow> row(std::uint32_t sheet, std::size_t position, const Row& row) const;

    std::size_t sheetCount() const { return sheets_.size(); }
    std::size_t earlyRowCount() const;

private:
    struct RowSpan {
        std::uint32_t offset = 0;
        std::uint32_t length = 0;
        std::uint32_t sstReferences = 0;
        RowIndex index = 0;
        std::uint32_t cellCount = 0;
        bool encoded = false;
    };
    struct XfField {
        std::uint32_t offset;
        std::uint32_t format;  // model format, until resolveXfs
    };
    struct SheetCells {
        BiffStream records;
        std::vector<RowSpan> rows;  // by position in Sheet::rows
        std::vector<XfField> xfFields;
        bool stopped = false;  // a formula was met: later rows may lie in its matrix
    };

    bool encode(const Workbook& workbook, const Row& row, SheetCells& cells);

    std::size_t budget_;
    std::size_t used_ = 0;
    std::vector<SheetCells> sheets_;
    std::optional<SheetCells> current_;
    bool full_ = false;
    bool resolved_ = false;
    std::vector<CellItem> items_;        // the current row's cells, reused
    std::vector<std::uint32_t> formats_;  // their model formats
};

}  // namespace brindlemoor::office::xls
