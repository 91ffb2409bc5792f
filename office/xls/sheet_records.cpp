#include "office/xls/sheet_records.h"

#include <algorithm>

namespace brindlemoor::office::xls {

namespace {

constexpr std::uint16_t kBof = 0x0809;
constexpr std::uint16_t kEof = 0x000A;
constexpr std::uint16_t kIndex = 0x020B;
constexpr std::uint16_t kCalcMode = 0x000D;
constexpr std::uint16_t kCalcCount = 0x000C;
constexpr std::uint16_t kRefMode = 0x000F;
constexpr std::uint16_t kIteration = 0x0011;
constexpr std::uint16_t kDelta = 0x0010;
constexpr std::uint16_t kSaveRecalc = 0x005F;
constexpr std::uint16_t kPrintHeaders = 0x002A;
constexpr std::uint16_t kPrintGridlines = 0x002B;
constexpr std::uint16_t kGridSet = 0x0082;
constexpr std::uint16_t kGuts = 0x0080;
constexpr std::uint16_t kDefaultRowHeight = 0x0225;
constexpr std::uint16_t kWsBool = 0x0081;
constexpr std::uint16_t kProtect = 0x0012;
constexpr std::uint16_t kDefColWidth = 0x0055;
constexpr std::uint16_t kColInfo = 0x007D;
constexpr std::uint16_t kDimensions = 0x0200;
constexpr std::uint16_t kRow = 0x0208;
constexpr std::uint16_t kDbCell = 0x00D7;
constexpr std::uint16_t kWindow2 = 0x023E;
constexpr std::uint16_t kScl = 0x00A0;
constexpr std::uint16_t kPane = 0x0041;
constexpr std::uint16_t kSelection = 0x001D;
constexpr std::uint16_t kMergedCells = 0x00E5;
constexpr std::uint16_t kSheetExt = 0x0862;
constexpr std::size_t kMergesPerRecord = 1026;

}  // namespace

void writeBof(BiffStream& out, std::uint16_t substreamType) {
    // BOF: BIFF version (0x0600 = BIFF8), substream type, build, year,
    // file history flags, lowest BIFF version that can read all records.
    const auto start = out.beginRecord(kBof);
    out.u16(0x0600);
    out.u16(substreamType);
    out.u16(0x0DBB);
    out.u16(0x07CC);
    out.u32(0x00000000);
    out.u32(0x00000006);
    out.endRecord(start);
}

void writeEof(BiffStream& out) { out.record(kEof, {}); }

std::size_t writeIndex(BiffStream& out, std::uint32_t firstRow, std::uint32_t endRow, std::size_t blocks) {
    // INDEX: reserved, first row, last row + 1, DEFCOLWIDTH position, one
    // DBCELL position per row block.
    const auto start = out.beginRecord(kIndex);
    out.u32(0);
    out.u32(firstRow);
    out.u32(endRow);
    out.u32(0);
    out.zeros(4 * blocks);
    out.endRecord(start);
    return start;
}

void writeCalculationSettings(BiffStream& out) {
    out.record16(kCalcMode, 1);     // automatic
    out.record16(kCalcCount, 100);  // iteration limit
    out.record16(kRefMode, 1);      // A1 references
    out.record16(kIteration, 0);
    const auto delta = out.beginRecord(kDelta);
    out.f64(0.001);
    out.endRecord(delta);
    out.record16(kSaveRecalc, 1);
}

void writePrintSettings(BiffStream& out, bool printHeadings, bool printGridlines) {
    out.record16(kPrintHeaders, printHeadings ? 1 : 0);
    out.record16(kPrintGridlines, printGridlines ? 1 : 0);
    out.record16(kGridSet, 1);
}

void writeGuts(BiffStream& out, std::uint8_t rowLevels, std::uint8_t columnLevels) {
    // GUTS: row gutter width, column gutter height (pixels), visible row and
    // column outline levels (deepest level + 1, or 0 without outlines).
    const auto gutter = [](std::uint8_t levels) -> std::uint16_t { return levels ? 12 * (levels + 1) + 5 : 0; };
    const auto start = out.beginRecord(kGuts);
    out.u16(gutter(rowLevels));
    out.u16(gutter(columnLevels));
    out.u16(rowLevels ? rowLevels + 1 : 0);
    out.u16(columnLevels ? columnLevels + 1 : 0);
    out.endRecord(start);
}

void writeDefaultRowHeight(BiffStream& out, std::uint16_t twips) {
    // DEFAULTROWHEIGHT: flags (bit 0: differs from the font's height), height in twips.
    const auto start = out.beginRecord(kDefaultRowHeight);
    out.u16(twips != 255 ? 0x0001 : 0x0000);
    out.u16(twips);
    out.endRecord(start);
}

void writeWsBool(BiffStream& out, std::uint16_t flags) { out.record16(kWsBool, flags); }

void writeSheetProtection(BiffStream& out) { out.record16(kProtect, 1); }

void writeDefColWidth(BiffStream& out, std::uint16_t characters) { out.record16(kDefColWidth, characters); }

void writeColInfo(BiffStream& out, const ColInfo& column) {
    // COLINFO: first and last column, width, XF, flags (bit 0 hidden, bit 1
    // width set by the user, bits 8..10 outline level), reserved.
    const auto start = out.beginRecord(kColInfo);
    out.u16(column.first);
    out.u16(column.last);
    out.u16(column.width);
    out.u16(column.xf);
    out.u16(static_cast<std::uint16_t>((column.hidden ? 0x0001 : 0) | 0x0002 | (column.outlineLevel & 7) << 8));
    out.u16(0);
    out.endRecord(start);
}

void writeDimensions(BiffStream& out, std::uint32_t firstRow, std::uint32_t endRow, std::uint32_t firstColumn,
                     std::uint32_t endColumn) {
    // DIMENSIONS: first row, last row + 1, first column, last column + 1, reserved.
    const auto start = out.beginRecord(kDimensions);
    out.u32(firstRow);
    out.u32(endRow);
    out.u16(static_cast<std::uint16_t>(firstColumn));
    out.u16(static_cast<std::uint16_t>(endColumn));
    out.u16(0);
    out.endRecord(start);
}

void writeRow(BiffStream& out, const RowRecord& row) {
    // ROW: index, first column, last column + 1, height (twips), two unused
    // words, flags (bits 0..2 outline level, bit 5 hidden, bit 6 height set
    // by the user, bit 7 has a default format, bit 8 always set), then the
    // default XF in bits 0..11 of the last word.
    const auto start = out.beginRecord(kRow);
    out.u16(row.index);
    out.u16(row.firstColumn);
    out.u16(row.endColumn);
    out.u16(row.heightTwips);
    out.u16(0);
    out.u16(0);
    out.u16(static_cast<std::uint16_t>((row.outlineLevel & 7) | (row.hidden ? 0x20 : 0) |
                                       (row.customHeight || row.hidden ? 0x40 : 0) | (row.xf ? 0x80 : 0) | 0x100));
    out.u16(static_cast<std::uint16_t>(row.xf.value_or(0x0F) & 0x0FFF));
    out.endRecord(start);
}

void writeDbCell(BiffStream& out, std::uint32_t backToFirstRow, std::span<const std::uint16_t> cellOffsets) {
    // DBCELL: distance back to the block's first ROW record, then per row the
    // offset of its first cell record (from the end of the first ROW record,
    // then from the previous row's first cell).
    const auto start = out.beginRecord(kDbCell);
    out.u32(backToFirstRow);
    for (std::uint16_t offset : cellOffsets) out.u16(offset);
    out.endRecord(start);
}

void writeWindow2(BiffStream& out, const Window2& window) {
    // WINDOW2: flags, top row, left column, gridline colour index, reserved,
    // zoom in page break preview, zoom in normal view (0: default), reserved.
    // Flags: 0x02 gridlines, 0x04 headers, 0x08 frozen, 0x10 zero values,
    // 0x20 default gridline colour, 0x40 right to left, 0x80 outline symbols,
    // 0x100 frozen without split, 0x200 selected, 0x400 shown in the window.
    std::uint16_t flags = 0x04 | 0x10 | 0x20 | 0x80;
    if (window.showGrid) flags |= 0x02;
    if (window.frozen) flags |= 0x08 | 0x100;
    if (window.rightToLeft) flags |= 0x40;
    if (window.selected) flags |= 0x200 | 0x400;
    const auto start = out.beginRecord(kWindow2);
    out.u16(flags);
    out.u16(window.topRow);
    out.u16(window.leftColumn);
    out.u16(64);
    out.u16(0);
    out.u16(0);
    out.u16(0);
    out.u32(0);
    out.endRecord(start);
}

void writeScl(BiffStream& out, std::uint16_t zoomPercent) {
    // SCL: zoom as a fraction.
    const auto start = out.beginRecord(kScl);
    out.u16(zoomPercent);
    out.u16(100);
    out.endRecord(start);
}

void writePane(BiffStream& out, std::uint16_t columns, std::uint16_t rows, std::uint16_t topRow,
               std::uint16_t leftColumn, std::uint8_t activePane) {
    // PANE: frozen columns, frozen rows, first visible row of the lower
    // panes, first visible column of the right panes, active pane, reserved.
    const auto start = out.beginRecord(kPane);
    out.u16(columns);
    out.u16(rows);
    out.u16(topRow);
    out.u16(leftColumn);
    out.u8(activePane);
    out.u8(0);
    out.endRecord(start);
}

void writeSelection(BiffStream& out, const Selection& selection) {
    // SELECTION: pane, active cell row and column, index of the active range,
    // number of ranges, ranges (first row, last row, first column, last
    // column; columns as bytes).
    const auto start = out.beginRecord(kSelection);
    out.u8(selection.pane);
    out.u16(selection.row);
    out.u16(selection.column);
    out.u16(0);
    out.u16(1);
    out.u16(selection.row);
    out.u16(selection.row);
    out.u8(static_cast<std::uint8_t>(selection.column));
    out.u8(static_cast<std::uint8_t>(selection.column));
    out.endRecord(start);
}

void writeSheetExt(BiffStream& out, std::uint16_t tabColor) {
    // SHEETEXT: future record header (record id, flags, 8 reserved bytes),
    // record size (20: no optional part), tab colour index in bits 0..6.
    const auto start = out.beginRecord(kSheetExt);
    out.u16(kSheetExt);
    out.u16(0);
    out.zeros(8);
    out.u32(20);
    out.u32(tabColor & 0x7F);
    out.endRecord(start);
}

void writeMergedCells(BiffStream& out, const std::vector<CellRange>& ranges) {
    // MERGEDCELLS: count, then ranges (first row, last row, first column, last column).
    for (std::size_t begin = 0; begin < ranges.size(); begin += kMergesPerRecord) {
        const std::size_t end = std::min(ranges.size(), begin + kMergesPerRecord);
        const auto start = out.beginRecord(kMergedCells);
        out.u16(static_cast<std::uint16_t>(end - begin));
        for (std::size_t i = begin; i < end; ++i) {
            out.u16(static_cast<std::uint16_t>(ranges[i].firstRow));
            out.u16(static_cast<std::uint16_t>(ranges[i].lastRow));
            out.u16(static_cast<std::uint16_t>(ranges[i].firstColumn));
            out.u16(static_cast<std::uint16_t>(ranges[i].lastColumn));
        }
        out.endRecord(start);
    }
}

}  // namespace brindlemoor::office::xls
