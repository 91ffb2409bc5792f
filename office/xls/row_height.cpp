#include "office/xls/row_height.h"

#include "office/xls/column_width.h"
#include "office/xls/excel_limits.h"

#include <algorithm>

namespace brindlemoor::office::xls {

namespace {
constexpr double kStandardRowHeightPt = 12.8;
}  // namespace

RowHeights::RowHeights(const Workbook& workbook, const Sheet& sheet, double defaultFontSizePt)
    : workbook_(workbook),
      defaultTwips_(rowHeightTwips(std::max(sheet.defaultRowHeightPt, optimalRowHeightPt(defaultFontSizePt)))) {
    for (const CellRange& merge : sheet.merges) {
        if (merge.firstRow >= kRelaidOutRows || merge.lastRow < merge.firstRow || merge.lastColumn < merge.firstColumn) continue;
        const RowIndex last = std::min<RowIndex>(merge.lastRow, kRelaidOutRows - 1);
        for (RowIndex row = merge.firstRow; row <= last; ++row) {
            // The first cell of a merge within one row still counts.
            const bool wholeMerge = merge.lastRow > merge.firstRow || row > merge.firstRow;
            if (wholeMerge) ignored_[row].emplace_back(merge.firstColumn, merge.lastColumn);
            else if (merge.lastColumn > merge.firstColumn) ignored_[row].emplace_back(merge.firstColumn + 1, merge.lastColumn);
        }
    }
}

bool RowHeights::ignored(RowIndex row, ColumnIndex first, ColumnIndex last) const {
    const auto it = ignored_.find(row);
    if (it == ignored_.end()) return false;
    // A run of cells counts when any of them lies outside every merge; runs
    // across a merge's edge are rare enough to count whole.
    return std::any_of(it->second.begin(), it->second.end(),
                       [&](const auto& range) { return range.first <= first && last <= range.second; });
}

std::uint16_t RowHeights::twips(const Row& row, RowIndex index) const {
    if (row.customHeight && row.heightPt) return rowHeightTwips(*row.heightPt);
    if (index >= kRelaidOutRows) return row.heightPt ? rowHeightTwips(*row.heightPt) : defaultTwips_;
    return contentTwips(row, index);
}

// The height LibreOffice gives the row from its cells: each cell's font with
// its line breaks and padding, an empty cell's font too (a style with a large
// font makes an empty row high), and the default font's line where a column
// of the office's sheet has no cell of its own style. Never less than the
// standard height. Wrapped and rotated text depends on the column width and
// the text's length, which are not measured here: a row holding such text
// keeps its stored height.
std::uint16_t RowHeights::contentTwips(const Row& row, RowIndex index) const {
    const auto& formats = workbook_.formats;
    double neededPt = 0;
    std::uint64_t styledColumns = 0;
    for (const Cell& cell : row.cells) {
        const bool hasValue = cell.type != CellType::Empty || cell.formula != kNone;
        if (!hasValue && cell.format == 0) continue;
        const std::uint32_t repeat = std::max<std::uint32_t>(cell.repeat, 1);
        if (cell.format != 0 && cell.column < kOfficeColumns) styledColumns += std::min<std::uint64_t>(repeat, kOfficeColumns - cell.column);
        if (ignored(index, cell.column, cell.column + repeat - 1)) continue;
        const CellFormat& format = formats[cell.format < formats.size() ? cell.format : 0];
        if (format.alignment.wrap || format.alignment.rotation != 0) {
            if (hasValue && row.heightPt) return rowHeightTwips(*row.heightPt);
            continue;
        }
        std::uint32_t lines = 1;
        if (cell.type == CellType::Text && cell.text != kNone) {
            const std::string& text = workbook_.strings.at(cell.text);
            lines += static_cast<std::uint32_t>(std::count(text.begin(), text.end(), '\n'));
        }
        neededPt = std::max(neededPt, optimalRowHeightPt(format.font.sizePt, lines, format.verticalPaddingPt));
    }
    const std::uint16_t needed = rowHeightTwips(std::max(neededPt, kStandardRowHeightPt));
    return styledColumns < kOfficeColumns ? std::max(defaultTwips_, needed) : needed;
}

}  // namespace brindlemoor::office::xls
