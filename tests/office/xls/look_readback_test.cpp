// The look of a workbook (fonts, colours, borders, alignment, sizes, panes),
// read back with xlrd's formatting information.
#include "office/xls/column_width.h"
#include "office/xls/row_height.h"
#include "office/xls/text_layout.h"
#include "office/xls/sheet_records.h"

#include "biff_records.h"

#include "readback.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <optional>
#include <cstdio>
#include <memory>

namespace brindlemoor::office::xls {
namespace {

using test::Line;

Row rowAt(RowIndex index, std::optional<double> heightPt, bool customHeight, std::vector<Cell> cells) {
    Row row;
    row.index = index;
    row.heightPt = heightPt;
    row.customHeight = customHeight;
    row.cells = std::move(cells);
    return row;
}

Cell numberAt(ColumnIndex column, double value, std::uint32_t format = 0) {
    Cell cell;
    cell.column = column;
    cell.type = CellType::Number;
    cell.number = value;
    cell.format = format;
    return cell;
}

std::map<std::string, Line> byKey(const std::vector<Line>& lines, std::size_t keyFields) {
    std::map<std::string, Line> map;
    for (const auto& line : lines) {
        std::string key;
        for (std::size_t i = 1; i <= keyFields; ++i) key += (i > 1 ? "," : "") + line[i];
        map[key] = line;
    }
    return map;
}

class LookReadBack : public testing::Test {
protected:
    std::uint32_t add(const CellFormat& format) {
        wb.formats.push_back(format);
        return static_cast<std::uint32_t>(wb.formats.size() - 1);
    }
    // The xf line of the cell at column `column` of row 0 on sheet 0.
    Line xfOf(const test::ReadBack& result, ColumnIndex column) {
        const auto cells = result.cells();
        const auto& cell = cells.at("0!0," + std::to_string(column));
        return byKey(result.all("xf"), 1).at(cell[7]);
    }
    Line fontOf(const test::ReadBack& result, ColumnIndex column) { return byKey(result.all("font"), 1).at(xfOf(result, column)[2]); }

    Workbook wb;
};

TEST_F(LookReadBack, FontsKeepEveryAttribute) {
    CellFormat a;
    a.font = {"Liberation Serif", 14, true, true, Underline::Double, true, Script::Superscript, Color{0x12, 0x34, 0x56}};
    CellFormat b;
    b.font.underline = Underline::Single;
    b.font.script = Script::Subscript;
    b.font.color = Color{255, 0, 0};
    CellFormat same = a;  // a duplicate font is written once
    same.numberFormat = "0.0";
    Sheet sheet;
    sheet.name = "Fonts";
    Row row;
    row.cells = {numberAt(0, 1, add(a)), numberAt(1, 2, add(b)), numberAt(2, 3, add(same))};
    sheet.rows.push_back(row);
    wb.sheets.push_back(sheet);
    Warnings warnings;
    const auto folder = test::scratchFolder("fonts");
    WRITE_AND_READ_BACK(result, wb, folder / "fonts.xls", warnings);

    // font: index, name, height, weight, italic, underline, struck out, escapement, colour
    EXPECT_EQ(fontOf(result, 0), (Line{"font", fontOf(result, 0)[1], "Liberation Serif", "280", "700", "1", "2", "1", "1", "123456"}));
    EXPECT_EQ(fontOf(result, 1), (Line{"font", fontOf(result, 1)[1], "Arial", "200", "400", "0", "1", "0", "2", "FF0000"}));
    EXPECT_EQ(fontOf(result, 2)[1], fontOf(result, 0)[1]);
    EXPECT_NE(xfOf(result, 2)[1], xfOf(result, 0)[1]);
    EXPECT_EQ(result.all("font").size(), 7u);  // 4 default copies, the placeholder xlrd shows for font 4, ours
}

TEST_F(LookReadBack, CellFormatsKeepFillBordersAlignmentAndProtection) {
    CellFormat boxed;
    boxed.background = Color{0xFF, 0xFF, 0x00};
    boxed.borders.left = {BorderStyle::Thin, Color{0, 0, 0xFF}};
    boxed.borders.right = {BorderStyle::Double, std::nullopt};
    boxed.borders.top = {BorderStyle::Medium, std::nullopt};
    boxed.borders.bottom = {BorderStyle::DashDot, std::nullopt};
    boxed.borders.diagonalDown = {BorderStyle::Hair, std::nullopt};
    boxed.locked = false;
    boxed.hidden = true;
    CellFormat aligned;
    aligned.alignment = {HorizontalAlign::Center, VerticalAlign::Top, true, false, 3, 45};
    CellFormat down;
    down.alignment = {HorizontalAlign::Justify, VerticalAlign::Center, false, true, 0, -30};
    CellFormat stacked;
    stacked.alignment.rotation = 255;
    stacked.alignment.horizontal = HorizontalAlign::Fill;
    Sheet sheet;
    sheet.name = "Cells";
    Row row;
    row.cells = {numberAt(0, 1, add(boxed)), numberAt(1, 2, add(aligned)), numberAt(2, 3, add(down)), numberAt(3, 4, add(stacked))};
    sheet.rows.push_back(row);
    wb.sheets.push_back(sheet);
    Warnings warnings;
    const auto folder = test::scratchFolder("cells");
    WRITE_AND_READ_BACK(result, wb, folder / "cells.xls", warnings);

    // xf: index, font, format, horizontal, vertical, wrap, rotation, indent, shrink,
    //     fill pattern, fill colour, left, right, top, bottom, left colour,
    //     diagonal down, diagonal up, diagonal style, locked, hidden
    const Line box = xfOf(result, 0);
    EXPECT_EQ(std::vector<std::string>(box.begin() + 10, box.end()),
              (std::vector<std::string>{"1", "FFFF00", "1", "6", "2", "9", "0000FF", "1", "0", "7", "0", "1"}));
    const Line a = xfOf(result, 1);
    EXPECT_EQ(std::vector<std::string>(a.begin() + 4, a.begin() + 10), (std::vector<std::string>{"2", "0", "1", "45", "3", "0"}));
    const Line d = xfOf(result, 2);
    EXPECT_EQ(std::vector<std::string>(d.begin() + 4, d.begin() + 10), (std::vector<std::string>{"5", "1", "0", "120", "0", "1"}));
    const Line s = xfOf(result, 3);
    EXPECT_EQ(s[4], "4");
    EXPECT_EQ(s[7], "255");
}

TEST_F(LookReadBack, BlanksOfTheDefaultFormatInStyledColumnsAndRowsKeepARecord) {
    // Without a record of its own such a blank shows its column's or row's
    // borders; the last cell of a merge lends them to the merge's edge.
    CellFormat boxed;
    boxed.borders.left = boxed.borders.right = boxed.borders.top = boxed.borders.bottom = {BorderStyle::Hair, std::nullopt};
    const std::uint32_t boxedFormat = add(boxed);
    Sheet sheet;
    sheet.name = "Blanks";
    ColumnRun plain, styled;
    plain.first = 0;
    styled.first = 1;
    styled.repeat = 2;
    styled.format = boxedFormat;
    sheet.columns = {plain, styled};
    Cell blank;
    blank.column = 0;
    blank.repeat = 5;  // over a plain, two styled and two more plain columns
    Row first;
    first.cells = {blank};
    Row merged;
    merged.index = 1;
    Cell text;
    text.column = 0;
    text.type = CellType::Text;
    text.text = wb.strings.intern("merged");
    Cell covered;
    covered.column = 1;
    merged.cells = {text, covered};
    Row styledRow;
    styledRow.index = 2;
    styledRow.format = boxedFormat;
    Cell last;
    last.column = 4;
    styledRow.cells = {last};
    sheet.rows = {first, merged, styledRow};
    sheet.merges = {{1, 0, 1, 1}};
    wb.sheets.push_back(sheet);
    Warnings warnings;
    const auto folder = test::scratchFolder("blanks");
    WRITE_AND_READ_BACK(result, wb, folder / "blanks.xls", warnings);
    const auto cells = result.cells();
    const auto blankAt = [&](const std::string& at) {
        const auto it = cells.find("0!" + at);
        return it != cells.end() && it->second[4] == "blank" && it->second[7] == "15";
    };
    EXPECT_TRUE(blankAt("0,1"));
    EXPECT_TRUE(blankAt("0,2"));
    EXPECT_FALSE(cells.contains("0!0,0")) << "a plain column needs no record";
    EXPECT_FALSE(cells.contains("0!0,3"));
    EXPECT_FALSE(cells.contains("0!0,4"));
    EXPECT_TRUE(blankAt("1,1")) << "the merge's covered cell";
    EXPECT_TRUE(blankAt("2,4")) << "a plain blank in a styled row";
}

TEST_F(LookReadBack, PaletteKeepsUpTo56ExactColoursAndApproximatesBeyond) {
    Sheet sheet;
    sheet.name = "Colours";
    Row row;
    for (ColumnIndex c = 0; c < 60; ++c) {
        CellFormat f;
        // Colours that the default palette does not have.
        f.background = Color{static_cast<std::uint8_t>(3 + 4 * c), static_cast<std::uint8_t>(200 - 3 * c), 77};
        row.cells.push_back(numberAt(c, c, add(f)));
    }
    sheet.rows.push_back(row);
    wb.sheets.push_back(sheet);
    Warnings warnings;
    const auto folder = test::scratchFolder("palette");
    WRITE_AND_READ_BACK(result, wb, folder / "palette.xls", warnings);
    int exact = 0;
    for (ColumnIndex c = 0; c < 60; ++c) {
        char expected[7];
        std::snprintf(expected, sizeof expected, "%02X%02X4D", 3 + 4 * c, 200 - 3 * c);
        exact += xfOf(result, c)[11] == expected;
    }
    EXPECT_EQ(exact, 56);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("4 colour(s)"), std::string::npos) << warnings[0];
}

TEST_F(LookReadBack, ColumnWidthsRowHeightsHiddenAndOutlines) {
    Sheet sheet;
    sheet.name = "Sizes";
    sheet.columns.push_back({0, 1, 100.0, false, 0, kNone});
    sheet.columns.push_back({2, 3, std::nullopt, true, 1, kNone});
    sheet.columns.push_back({5, 1, 30.0, false, 2, kNone});
    Row tall;
    tall.index = 0;
    tall.heightPt = 30;
    tall.customHeight = true;
    tall.cells = {numberAt(0, 1)};
    Row hidden;
    hidden.index = 2;
    hidden.repeat = 2;
    hidden.hidden = true;
    hidden.outlineLevel = 1;
    sheet.rows = {tall, hidden};
    sheet.merges.push_back({0, 0, 1, 2});
    wb.sheets.push_back(sheet);
    Warnings warnings;
    const auto folder = test::scratchFolder("sizes");
    WRITE_AND_READ_BACK(result, wb, folder / "sizes.xls", warnings);

    const auto columns = byKey(result.all("column"), 2);  // sheet, column
    const auto units = [](double pt) { return std::to_string(columnWidthUnits(pt, Font{})); };
    EXPECT_EQ(columns.at("0,0")[3], units(100));
    EXPECT_EQ(columns.at("0,0")[4], "0");
    EXPECT_EQ(columns.at("0,4")[4], "1");  // hidden, outline level 1
    EXPECT_EQ(columns.at("0,4")[5], "1");
    EXPECT_EQ(columns.at("0,5")[3], units(30));
    EXPECT_EQ(columns.at("0,5")[5], "2");
    // Gaps take the standard width of the source's application.
    EXPECT_EQ(columns.at("0,1")[3], units(kStandardColumnWidthPt));
    EXPECT_EQ(columns.at("0,255")[3], units(kStandardColumnWidthPt));

    const auto rows = byKey(result.all("row"), 2);
    EXPECT_EQ(rows.at("0,0")[3], "600");
    EXPECT_EQ(rows.at("0,2")[4], "1");
    EXPECT_EQ(rows.at("0,3")[5], "1");
    EXPECT_FALSE(rows.contains("0,4"));
    EXPECT_EQ(result.all("merge"), (std::vector<Line>{{"merge", "0", "0", "1", "0", "2"}}));
}

TEST_F(LookReadBack, HeightsLeftToTheApplicationAreComputedFromTheContent) {
    CellFormat big;
    big.font.sizePt = 20;
    const std::uint32_t bigFormat = add(big);
    CellFormat wrapped;
    wrapped.alignment.wrap = true;
    const std::uint32_t wrappedFormat = add(wrapped);
    CellFormat padded;
    padded.verticalPaddingPt = 2 * 0.71 * 72 / 25.4;
    const std::uint32_t paddedFormat = add(padded);
    const auto textAt = [&](ColumnIndex column, const std::string& text, std::uint32_t format) {
        Cell cell = numberAt(column, 0, format);
        cell.type = CellType::Text;
        cell.text = wb.strings.intern(text);
        return cell;
    };
    const auto emptyAt = [](ColumnIndex column, std::uint32_t format) {
        Cell cell;
        cell.column = column;
        cell.format = format;
        return cell;
    };
    Sheet sheet;
    sheet.name = "Heights";
    sheet.rows = {
        // Among the first rows, laid out again from the content whatever was stored.
        rowAt(0, 12.1, false, {numberAt(0, 1)}),
        rowAt(1, std::nullopt, false, {numberAt(0, 1), numberAt(1, 2, bigFormat)}),
        rowAt(2, std::nullopt, false, {textAt(0, "two\nlines", 0)}),
        rowAt(3, 40, false, {textAt(0, "long wrapped text", wrappedFormat)}),  // two lines in its column
        rowAt(4, 30, true, {numberAt(0, 1, bigFormat)}),                       // set by the user
        rowAt(5, 20, false, {}),
        rowAt(6, 18, false, {numberAt(0, 1)}),
        rowAt(7, 12.1, false, {numberAt(0, 1), numberAt(1, 1, paddedFormat)}),
        rowAt(8, 12.1, false, {}),
        rowAt(9, 5, true, {}),                                                 // set by the user: kept however low
        rowAt(10, 5, false, {emptyAt(0, bigFormat)}),                          // an empty cell's font counts
        rowAt(11, std::nullopt, false, {numberAt(0, 1, bigFormat)}),           // merged over two rows: does not count
        rowAt(12, std::nullopt, false, {emptyAt(0, bigFormat), numberAt(1, 1)}),
        rowAt(13, std::nullopt, false, {numberAt(0, 1, bigFormat)}),           // merged within its row: counts
        // A run across the edge of the rows laid out again, and rows below it: the stored height.
        rowAt(kRelaidOutRows - 2, 18, false, {numberAt(0, 1)}),
        rowAt(kRelaidOutRows + 10, 10, false, {numberAt(0, 1, bigFormat)}),
        rowAt(kRelaidOutRows + 11, std::nullopt, false, {numberAt(0, 1, bigFormat)}),
    };
    sheet.rows[14].repeat = 4;
    for (const std::size_t i : {5, 8}) sheet.rows[i].outlineLevel = 1;  // so that they have a record of their own
    sheet.merges = {{11, 0, 12, 1}, {13, 0, 13, 2}};
    wb.sheets.push_back(sheet);
    Warnings warnings;
    const auto folder = test::scratchFolder("heights");
    WRITE_AND_READ_BACK(result, wb, folder / "heights.xls", warnings);

    const auto rows = byKey(result.all("row"), 2);
    const auto twips = [&](RowIndex row) { return std::stoi(rows.at("0," + std::to_string(row))[3]); };
    // LibreOffice computes 256, 489, 477, 477 and 293 twips for the measured rows.
    EXPECT_EQ(twips(0), 256);
    EXPECT_NEAR(twips(1), 489, 2);
    EXPECT_NEAR(twips(2), 477, 2);
    EXPECT_NEAR(twips(3), 477, 2);
    EXPECT_EQ(twips(4), 600);
    EXPECT_EQ(twips(5), 256);
    EXPECT_EQ(twips(6), 256);
    EXPECT_NEAR(twips(7), 293, 2);
    EXPECT_EQ(twips(8), 256);
    EXPECT_EQ(twips(9), 100);
    EXPECT_NEAR(twips(10), 489, 2);
    EXPECT_EQ(twips(11), 256);
    EXPECT_EQ(twips(12), 256);
    EXPECT_NEAR(twips(13), 489, 2);
    EXPECT_EQ(twips(kRelaidOutRows - 2), 360) << "a run is laid out whole or not at all";
    EXPECT_EQ(twips(kRelaidOutRows - 1), 360);
    EXPECT_EQ(twips(kRelaidOutRows), 360);
    EXPECT_EQ(twips(kRelaidOutRows + 1), 360);
    EXPECT_EQ(twips(kRelaidOutRows + 10), 200) << "lower than its content, as office suites show it";
    EXPECT_EQ(twips(kRelaidOutRows + 11), 256) << "nothing stored: the default height";
    // Only the user's height is marked custom, so readers may recompute the others.
    for (const RowIndex row : {0, 1, 2, 3, 5}) EXPECT_EQ(rows.at("0," + std::to_string(row))[7], "0") << row;
    EXPECT_EQ(rows.at("0,4")[7], "1");
}

// LibreOffice sets the heights it lays out in stretches of adjacent rows of
// the same new height, and only where a row of the stretch changes in whole
// screen pixels (67 in a thousand twips, the fraction dropped); a row sized
// by the user ends a stretch, an absent row is an empty one of the standard
// height. Heights as LibreOffice 7.4 shows such sheets.
TEST_F(LookReadBack, StretchesOfRowsKeepTheirStoredHeightsWhereNoneChangesOnScreen) {
    CellFormat big;
    big.font.sizePt = 20;
    const std::uint32_t bigFormat = add(big);
    Sheet sheet;
    sheet.name = "Stretches";
    sheet.rows = {
        rowAt(0, 13.2, false, {numberAt(0, 1)}),  // 264 twips, 17 pixels as 256: kept
        rowAt(1, 30, true, {}),
        rowAt(2, 13.2, false, {numberAt(0, 1)}),  // with a row that changes: both set
        rowAt(3, 17, false, {numberAt(0, 1)}),
        rowAt(4, 30, true, {}),
        rowAt(5, 13.2, false, {numberAt(0, 1)}),  // next to a row of another new height: kept
        rowAt(6, 17, false, {numberAt(0, 1, bigFormat)}),
        rowAt(7, 30, true, {}),
        rowAt(8, 13.2, false, {numberAt(0, 1)}),  // an absent row between joins the stretch
        rowAt(10, 17, false, {numberAt(0, 1)}),
        rowAt(11, 30, true, {}),
        rowAt(12, 13.4, false, {numberAt(0, 1)}),  // 268 twips: still 17 pixels
        rowAt(13, 30, true, {}),
        rowAt(14, 13.45, false, {numberAt(0, 1)}),  // 269 twips: 18 pixels
    };
    wb.sheets.push_back(sheet);
    Warnings warnings;
    const auto folder = test::scratchFolder("stretches");
    WRITE_AND_READ_BACK(result, wb, folder / "stretches.xls", warnings);

    const auto rows = byKey(result.all("row"), 2);
    const auto twips = [&](RowIndex row) { return std::stoi(rows.at("0," + std::to_string(row))[3]); };
    EXPECT_EQ(twips(0), 264);
    EXPECT_EQ(twips(2), 256);
    EXPECT_EQ(twips(3), 256);
    EXPECT_EQ(twips(5), 264);
    EXPECT_NEAR(twips(6), 489, 2);
    EXPECT_EQ(twips(8), 256);
    EXPECT_EQ(twips(10), 256);
    EXPECT_EQ(twips(12), 268);
    EXPECT_EQ(twips(14), 256);
}

TEST_F(LookReadBack, RunsWithinTheLaidOutRowsAndLineFeedsWrittenAsCharacters) {
    Sheet sheet;
    sheet.name = "Runs";
    const auto textRow = [&](RowIndex index, const std::string& text) {
        Row row;
        row.index = index;
        row.heightPt = 30;
        Cell cell = numberAt(0, 0);
        cell.type = CellType::Text;
        cell.text = wb.strings.intern(text);
        row.cells = {cell};
        return row;
    };
    Row within;  // ends on the last row laid out again
    within.index = 3;
    within.repeat = kRelaidOutRows - 3;
    within.heightPt = 25;
    within.cells = {numberAt(0, 1)};
    sheet.rows = {textRow(0, "one\nline"), textRow(1, "two\nlines"), textRow(2, "a\nb\nc"), within};
    sheet.textLines = {{0, 0, 1}, {2, 0, 2}};  // row 1 has no entry: a line per feed
    wb.sheets.push_back(sheet);
    Warnings warnings;
    const auto folder = test::scratchFolder("runs");
    WRITE_AND_READ_BACK(result, wb, folder / "runs.xls", warnings);
    const auto rows = byKey(result.all("row"), 2);
    const auto twips = [&](RowIndex row) { return rows.contains("0," + std::to_string(row)) ? std::stoi(rows.at("0," + std::to_string(row))[3]) : 0; };
    EXPECT_EQ(twips(0), 256) << "a feed written within a paragraph is laid out as a space";
    EXPECT_NEAR(twips(1), 477, 2);
    EXPECT_NEAR(twips(2), 477, 2) << "the lines the reader counted, not the feeds";
    for (const RowIndex row : {3u, 100u, kRelaidOutRows - 1}) EXPECT_EQ(twips(row), 256) << "laid out again: " << row;
}

TEST_F(LookReadBack, AnEmptyRunEndingTheSheetGivesTheDefaultHeight) {
    Sheet sheet;
    sheet.name = "Filler";
    Row value;
    value.cells = {numberAt(0, 1)};
    Row filler;
    filler.index = 1;
    filler.repeat = 1048575;
    filler.heightPt = 15.75;  // left to the application, but below the rows laid out again
    sheet.rows = {value, filler};
    Sheet laidOut = sheet;
    laidOut.name = "Short";
    laidOut.rows[1].repeat = 10;  // laid out again: one line of the default font
    wb.sheets = {sheet, laidOut};
    Warnings warnings;
    const auto folder = test::scratchFolder("filler");
    WRITE_AND_READ_BACK(result, wb, folder / "filler.xls", warnings);
    const auto sheets = result.all("sheet");
    ASSERT_EQ(sheets.size(), 2u);
    EXPECT_EQ(std::stoi(sheets[0][6]), 315);
    EXPECT_EQ(std::stoi(sheets[1][6]), 256);
    const auto rows = byKey(result.all("row"), 2);
    EXPECT_FALSE(rows.contains("0,1")) << "the filler's rows need no record of their own";
    EXPECT_FALSE(rows.contains("0,60000"));
}

TEST_F(LookReadBack, ColumnsARowHasNoCellInCountWithTheirDefaultStyle) {
    CellFormat big;
    big.font.sizePt = 20;
    const std::uint32_t bigFormat = add(big);
    Sheet sheet;
    sheet.name = "Columns";
    ColumnRun styled;
    styled.first = 2;
    styled.format = bigFormat;
    sheet.columns = {styled};
    Row gap;
    gap.cells = {numberAt(0, 1)};
    Row own = gap;
    own.index = 3;
    own.cells.push_back(numberAt(2, 1));  // its own cell, of the default style, in the styled column
    sheet.rows = {gap, own};
    wb.sheets.push_back(sheet);
    Warnings warnings;
    const auto folder = test::scratchFolder("columns");
    WRITE_AND_READ_BACK(result, wb, folder / "columns.xls", warnings);
    const auto rows = byKey(result.all("row"), 2);
    EXPECT_NEAR(std::stoi(rows.at("0,0")[3]), 489, 2) << "the 20 pt style of column C";
    EXPECT_EQ(std::stoi(rows.at("0,3")[3]), 256);
    // The empty rows between, which the model leaves out, are laid out from the columns too;
    // the rows below the last are not the document's.
    EXPECT_NEAR(std::stoi(rows.at("0,1")[3]), 489, 2);
    EXPECT_NEAR(std::stoi(rows.at("0,2")[3]), 489, 2);
    EXPECT_FALSE(rows.contains("0,4"));
}

TEST_F(LookReadBack, RowsWithoutARecordAreALineOfTheDefaultFont) {
    wb.formats[0].font.sizePt = 12;
    CellFormat small;
    small.font.sizePt = 8;
    const std::uint32_t smallFormat = add(small);
    Sheet sheet;
    sheet.name = "Default12";
    Row row;
    row.cells = {numberAt(0, 1, smallFormat)};
    row.heightPt = 10;  // stale
    Row everyColumn = row;
    everyColumn.index = 1;
    everyColumn.cells[0].type = CellType::Empty;  // styled, nothing cut beyond the grid
    everyColumn.cells[0].repeat = kOfficeColumns;
    sheet.rows = {row, everyColumn};
    wb.sheets.push_back(sheet);
    Warnings warnings;
    const auto folder = test::scratchFolder("default12");
    WRITE_AND_READ_BACK(result, wb, folder / "default12.xls", warnings);
    const auto rows = byKey(result.all("row"), 2);
    EXPECT_NEAR(std::stoi(rows.at("0,0")[3]), 300, 1) << "its other columns take the default font";
    EXPECT_NEAR(std::stoi(rows.at("0,1")[3]), 256, 1) << "8 pt in every column gives the standard height";
    const auto sheets = result.all("sheet");
    ASSERT_EQ(sheets.size(), 1u);
    EXPECT_NEAR(std::stoi(sheets[0][6]), 300, 1) << "one 12 pt line, as LibreOffice computes it";
}

TEST_F(LookReadBack, FrozenPanesZoomGridlinesAndActiveSheet) {
    for (int s = 0; s < 2; ++s) {
        Sheet sheet;
        sheet.name = "View" + std::to_string(s);
        sheet.rows.push_back({});
        sheet.rows[0].cells = {numberAt(0, 1)};
        wb.sheets.push_back(sheet);
    }
    SheetView& view = wb.sheets[1].view;
    view.frozenRows = 2;
    view.frozenColumns = 1;
    view.zoomPercent = 150;
    view.showGrid = false;
    view.cursorRow = 5;
    view.cursorColumn = 3;
    wb.activeSheet = 1;
    Warnings warnings;
    const auto folder = test::scratchFolder("view");
    WRITE_AND_READ_BACK(result, wb, folder / "view.xls", warnings);
    // view: sheet, rows above the split, columns left of it, frozen, gridlines,
    //       selected, shown, zoom, first row, first column
    const auto views = result.all("view");
    EXPECT_EQ(views[0], (Line{"view", "0", "0", "0", "0", "1", "0", "0", "100", "0", "0"}));
    EXPECT_EQ(views[1], (Line{"view", "1", "2", "1", "1", "0", "1", "1", "150", "0", "0"}));
}

TEST_F(LookReadBack, NotesAndHyperlinks) {
    for (const char* name : {"Notes", "Target sheet"}) {
        Sheet sheet;
        sheet.name = name;
        wb.sheets.push_back(sheet);
    }
    Sheet& sheet = wb.sheets[0];
    sheet.annotations = {{"Ada", "First line\nsecond line", false}, {"Grace", "Wide: 日本語", true}};
    Row row;
    row.index = 2;
    Cell a = numberAt(1, 5);
    a.annotation = 0;
    Cell b;
    b.column = 4;
    b.annotation = 1;  // a note on an empty cell
    row.cells = {a, b};
    sheet.rows.push_back(row);
    // Enough notes for a second drawing cluster on a sheet of their own.
    Sheet many;
    many.name = "Many";
    for (RowIndex r = 0; r < 1100; ++r) {
        many.annotations.push_back({"", "note " + std::to_string(r), false});
        Row manyRow;
        manyRow.index = r;
        Cell c = numberAt(0, r);
        c.annotation = r;
        manyRow.cells = {c};
        many.rows.push_back(manyRow);
    }
    wb.sheets.push_back(many);  // `sheet` is not used beyond this point
    wb.sheets[0].hyperlinks = {{{0, 0, 0, 1}, "https://example.org/a?b=c"}, {{1, 0, 1, 0}, "#'Target sheet'.$B$7"}};
    Warnings warnings;
    const auto folder = test::scratchFolder("notes");
    WRITE_AND_READ_BACK(result, wb, folder / "notes.xls", warnings);
    const auto notes = result.all("note");
    ASSERT_EQ(notes.size(), 2u + 1100u);
    EXPECT_EQ(notes[0], (Line{"note", "0", "2", "1", "Ada", "First line\nsecond line", "0"}));
    EXPECT_EQ(notes[1], (Line{"note", "0", "2", "4", "Grace", "Wide: 日本語", "1"}));
    EXPECT_EQ(notes.back(), (Line{"note", "2", "1099", "0", "", "note 1099", "0"}));
    const auto links = result.all("link");
    ASSERT_EQ(links.size(), 2u);
    EXPECT_EQ(links[0], (Line{"link", "0", "0", "0", "0", "1", "url", "https://example.org/a?b=c", ""}));
    EXPECT_EQ(links[1], (Line{"link", "0", "1", "1", "0", "0", "workbook", "", "'Target sheet'!B7"}));
}

// The first family fontconfig shows for `family`, as fc-match reports it.
std::string shownFamily(const std::string& family) {
    const std::string command = "fc-match -f '%{family[0]}' '" + family + "' 2>/dev/null";
    std::unique_ptr<FILE, decltype(&pclose)> pipe(popen(command.c_str(), "r"), pclose);
    std::string shown;
    char buffer[256];
    while (pipe && fgets(buffer, sizeof buffer, pipe.get())) shown += buffer;
    return shown;
}

TEST(TextEngineHeights, FollowTheLineMetricsOfTheFaceShown) {
    if (!std::filesystem::exists("/usr/share/fonts/truetype/crosextra/Carlito-Regular.ttf") ||
        !std::filesystem::exists("/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf")) {
        GTEST_SKIP() << "Carlito and Liberation Sans are not installed";
    }
    // LibreOffice's heights of cells of several lines, in 1/100 mm: the two
    // faces' lines differ (1.117 em against 1.0 em), and pixels round each.
    const auto hundredthsOfMm = [](std::optional<double> pt) { return pt ? *pt * 2540 / 72 : -1.0; };
    Font liberation;
    liberation.name = "Liberation Sans";
    liberation.sizePt = 10;
    Font carlito;
    carlito.name = "Carlito";
    carlito.sizePt = 12;
    EXPECT_NEAR(hundredthsOfMm(textEngineHeightPt(liberation, 2)), 841, 3);
    EXPECT_NEAR(hundredthsOfMm(textEngineHeightPt(carlito, 5)), 2157, 3);
    EXPECT_NEAR(hundredthsOfMm(textEngineHeightPt(carlito, 1)), 473, 3);
    liberation.sizePt = 30;
    EXPECT_NEAR(hundredthsOfMm(textEngineHeightPt(liberation, 1)), 1210, 3);
    carlito.sizePt = 8;
    EXPECT_NEAR(hundredthsOfMm(textEngineHeightPt(carlito, 1)), 342, 3);
    EXPECT_NEAR(hundredthsOfMm(textEngineHeightPt(carlito, 1, 2 * 72 / 25.4)), 342 + 200 - 70, 3)
        << "padding beyond the standard adds to it";
}

TEST(ColumnWidths, MeasureTheFaceTheSystemShows) {
    // Readers here show (and measure) Calibri in whatever face fontconfig
    // substitutes; a table of Calibri's own metrics would be wrong wherever
    // its metric twin is not installed.
    for (const std::string family : {"Calibri", "Cambria", "Verdana"}) {
        const std::string shown = shownFamily(family);
        if (shown.empty()) GTEST_SKIP() << "fc-match is not available";
        Font asked;
        asked.name = family;
        asked.sizePt = 11;
        Font substitute = asked;
        substitute.name = shown;
        EXPECT_DOUBLE_EQ(digitWidthPt(asked), digitWidthPt(substitute)) << family << " shown as " << shown;
    }
}

TEST(ColumnWidths, FollowTheDefaultFontsDigitWidth) {
    // Arial 10 (or its metric twin): "0" is 0.556 em, 5.56 pt, one character (256 units).
    EXPECT_NEAR(digitWidthPt(Font{}), 5.56, 0.01);
    EXPECT_EQ(columnWidthUnits(5.56, Font{}), 256);
    EXPECT_EQ(columnWidthUnits(10 * digitWidthPt(Font{}), Font{}), 2560);
    Font times;
    times.name = "Times New Roman";
    times.sizePt = 12;
    EXPECT_EQ(columnWidthUnits(6, times), 256);
    Font vera;
    vera.name = "Bitstream Vera Sans";
    EXPECT_NEAR(digitWidthPt(vera), 6.36, 0.01);
    // A face this system lacks is measured in the one it shows instead.
    Font unknown;
    unknown.name = "Some Display Face Nobody Has";
    unknown.sizePt = 20;
    EXPECT_GT(digitWidthPt(unknown), 0.4 * 20);
    EXPECT_LT(digitWidthPt(unknown), 0.7 * 20);
    EXPECT_EQ(defaultColumnCharacters(8.43 * 5.56, Font{}), 8);  // Excel's default column
    EXPECT_EQ(rowHeightTwips(12.8), 256);
    // What LibreOffice gives rows of one line at 6, 11, 24 and 36 pt, and of three lines at 10 pt.
    EXPECT_EQ(rowHeightTwips(optimalRowHeightPt(6)), 256);
    EXPECT_NEAR(rowHeightTwips(optimalRowHeightPt(11)), 276, 1);
    EXPECT_NEAR(rowHeightTwips(optimalRowHeightPt(24)), 583, 1);
    EXPECT_NEAR(rowHeightTwips(optimalRowHeightPt(36)), 866, 1);
    EXPECT_NEAR(rowHeightTwips(optimalRowHeightPt(10, 3)), 701, 3);
    // Paddings of 0, 0.71 and 2 mm above and below, at 11, 10 and 14 pt.
    EXPECT_EQ(rowHeightTwips(optimalRowHeightPt(11, 1, 0)), 256);
    EXPECT_NEAR(rowHeightTwips(optimalRowHeightPt(10, 1, 2 * 0.71 * 72 / 25.4)), 293, 1);
    EXPECT_NEAR(rowHeightTwips(optimalRowHeightPt(14, 1, 2 * 2.0 * 72 / 25.4)), 533, 2);
    EXPECT_EQ(rowHeightTwips(1000), 8192);
}

TEST(PrintSettings, GridlinesAndHeadingsArePrintedWhenTheSourceSaysSo) {
    for (const bool headings : {false, true}) {
        for (const bool gridlines : {false, true}) {
            BiffStream out;
            writePrintSettings(out, headings, gridlines);
            const auto records = test::splitRecords(out.bytes());
            ASSERT_EQ(records.size(), 3u);
            EXPECT_EQ(records[0].id, 0x002A);  // PRINTHEADERS
            EXPECT_EQ(records[0].u16(0), headings ? 1 : 0);
            EXPECT_EQ(records[1].id, 0x002B);  // PRINTGRIDLINES
            EXPECT_EQ(records[1].u16(0), gridlines ? 1 : 0);
        }
    }
}

}  // namespace
}  // namespace brindlemoor::office::xls
