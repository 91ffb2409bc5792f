// Heights of the rows a sheet writes, in twips.
//
// A height the user set is kept. A height left to the application is what
// the source shows when it is opened: office suites lay out again such rows
// among the first rows of every sheet (LibreOffice the first 201) from their
// cells' fonts and padding, and keep the stored height of every row below
// them, whatever program saved the document. A run of repeated rows is laid
// out whole or not at all: one that reaches below those rows keeps its stored
// height throughout. LibreOffice sets the heights it finds in stretches of
// adjacent rows of the same new height, and only where a row of the stretch
// changes its height in whole screen pixels: a stretch whose stored heights
// all show as the new one keeps them. Excel 97 readers take the written
// height as it is, so the workbook keeps that look.
#pragma once

#include "office/model/workbook.h"

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace brindlemoor::office::xls {

// Rows of a sheet that office suites lay out again when they open it.
constexpr RowIndex kRelaidOutRows = 201;
// Columns of an office suite's sheet (LibreOffice's); where a row has no
// cell, the column's default style counts.
constexpr ColumnIndex kOfficeColumns = 1024;

class RowHeights {
public:
    RowHeights(const Workbook& workbook, const Sheet& sheet, double defaultFontSizePt);

    // Height of the row `index`, one of the rows `row` covers.
    std::uint16_t twips(const Row& row, RowIndex index) const;

    // Rows without a record of their own: the stored height of a run of
    // empty rows that ends the sheet, else one line of the default font.
    std::uint16_t defaultTwips() const { return defaultTwips_; }

    // Whether office suites lay out the rows of `row` again from their content.
    static bool laidOut(const Row& row);

private:
    void settleLaidOutRows(const Sheet& sheet);
    std::uint16_t contentTwips(const Row& row, RowIndex index) const;
    bool ignored(RowIndex row, ColumnIndex first, ColumnIndex last) const;
    bool inUse(ColumnIndex first, ColumnIndex last) const;
    static bool pastTheEnd(ColumnIndex first, std::uint32_t repeat);
    const CellFormat& formatAt(std::uint32_t format) const;
    double emptyLinePt(std::uint32_t format) const;
    double columnsPt(ColumnIndex first, ColumnIndex last) const;
    double widthPt(RowIndex row, ColumnIndex column) const;
    std::optional<double> laidOutPt(const Cell& cell, const CellFormat& format, RowIndex row) const;
    std::optional<double> rotatedPt(const Cell& cell, const CellFormat& format) const;

    struct ColumnLine {
        ColumnIndex first, last;
        double heightPt;
        double widthPt;
        bool kept;  // false: a default style reaching past the office's columns, counted where in use
    };

    const Workbook& workbook_;
    std::uint16_t defaultTwips_;
    // Cells that take no part in their row's height: those within a merge
    // over several rows, and those a merge covers. By row, column ranges.
    std::map<RowIndex, std::vector<std::pair<ColumnIndex, ColumnIndex>>> ignored_;
    // Merges within one row, whose first cell lays its text out over all
    // their columns: the last column by the row and first column.
    std::map<std::pair<RowIndex, ColumnIndex>, ColumnIndex> rowMerges_;
    std::vector<ColumnLine> columnLines_;  // the office's columns, in order
    // Columns in use, where styles reaching past the office's columns
    // count: how many such columns come before each column.
    std::vector<std::uint32_t> inUseBefore_;
    // Lines of the cells whose text is not one line per line feed, among
    // the rows laid out again: by the first row and column of their runs.
    std::map<std::pair<RowIndex, ColumnIndex>, std::uint32_t> textLines_;
    // Heights of the rows laid out again, by row.
    std::vector<std::uint16_t> laidOutTwips_;
};

}  // namespace brindlemoor::office::xls
