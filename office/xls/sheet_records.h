// Builders for the records of a worksheet substream (and BOF/EOF, which
// every substream uses). Each builder lists its record's fields.
#pragma once

#include "office/model/workbook.h"
#include "office/xls/biff_stream.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace brindlemoor::office::xls {

constexpr std::uint16_t kBofWorkbook = 0x0005;
constexpr std::uint16_t kBofWorksheet = 0x0010;

constexpr std::uint8_t kPaneBottomRight = 0;
constexpr std::uint8_t kPaneTopRight = 1;
constexpr std::uint8_t kPaneBottomLeft = 2;
constexpr std::uint8_t kPaneTopLeft = 3;

void writeBof(BiffStream& out, std::uint16_t substreamType);
void writeEof(BiffStream& out);

// INDEX with room for `blocks` DBCELL offsets; returns its offset so that the
// DEFCOLWIDTH and DBCELL positions can be patched in later.
std::size_t writeIndex(BiffStream& out, std::uint32_t firstRow, std::uint32_t endRow, std::size_t blocks);

// CALCMODE, CALCCOUNT, REFMODE, ITERATION, DELTA, SAVERECALC.
void writeCalculationSettings(BiffStream& out);
// PRINTHEADERS, PRINTGRIDLINES, GRIDSET.
// PRINTHEADERS, PRINTGRIDLINES and GRIDSET.
void writePrintSettings(BiffStream& out, bool printHeadings, bool printGridlines);
void writeGuts(BiffStream& out, std::uint8_t rowLevels, std::uint8_t columnLevels);
void writeDefaultRowHeight(BiffStream& out, std::uint16_t twips);
void writeWsBool(BiffStream& out, std::uint16_t flags);
void writeSheetProtection(BiffStream& out);
void writeDefColWidth(BiffStream& out, std::uint16_t characters);

struct ColInfo {
    std::uint16_t first, last;
    std::uint16_t width;  // 1/256 of the default font's "0"
    std::uint16_t xf;
    bool hidden;
    std::uint8_t outlineLevel;
};
void writeColInfo(BiffStream& out, const ColInfo& column);

void writeDimensions(BiffStream& out, std::uint32_t firstRow, std::uint32_t endRow, std::uint32_t firstColumn,
                     std::uint32_t endColumn);

struct RowRecord {
    std::uint16_t index = 0;
    std::uint16_t firstColumn = 0, endColumn = 0;
    std::uint16_t heightTwips = 255;
    bool customHeight = false;
    bool hidden = false;
    std::uint8_t outlineLevel = 0;
    std::optional<std::uint16_t> xf;  // default format of the row's empty cells
};
void writeRow(BiffStream& out, const RowRecord& row);

void writeDbCell(BiffStream& out, std::uint32_t backToFirstRow, std::span<const std::uint16_t> cellOffsets);

struct Window2 {
    bool showGrid = true;
    bool frozen = false;
    bool rightToLeft = false;
    bool selected = false;
    std::uint16_t topRow = 0, leftColumn = 0;
};
void writeWindow2(BiffStream& out, const Window2& window);
void writeScl(BiffStream& out, std::uint16_t zoomPercent);
void writePane(BiffStream& out, std::uint16_t columns, std::uint16_t rows, std::uint16_t topRow,
               std::uint16_t leftColumn, std::uint8_t activePane);

struct Selection {
    std::uint8_t pane;
    std::uint16_t row, column;
};
void writeSelection(BiffStream& out, const Selection& selection);

// SHEETEXT with the sheet tab's colour (a palette index).
void writeSheetExt(BiffStream& out, std::uint16_t tabColor);

// MERGEDCELLS, as many records as needed (1,026 ranges each).
void writeMergedCells(BiffStream& out, const std::vector<CellRange>& ranges);

}  // namespace brindlemoor::office::xls
