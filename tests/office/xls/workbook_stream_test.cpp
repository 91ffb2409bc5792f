#include "office/xls/workbook_stream.h"

#include "biff_records.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace brindlemoor::office::xls {
namespace {

using test::Record;

constexpr std::uint16_t kBof = 0x0809, kEof = 0x000A, kBoundSheet = 0x0085, kIndex = 0x020B, kDbCell = 0x00D7,
                        kRow = 0x0208, kMulRk = 0x00BD, kRk = 0x027E, kNumber = 0x0203, kLabelSst = 0x00FD,
                        kBoolErr = 0x0205, kBlank = 0x0201, kMulBlank = 0x00BE, kSst = 0x00FC, kDefColWidth = 0x0055,
                        kDimensions = 0x0200, kFont = 0x0031, kXf = 0x00E0;

Cell number(ColumnIndex column, double value, std::uint32_t repeat = 1) {
    Cell cell;
    cell.column = column;
    cell.type = CellType::Number;
    cell.number = value;
    cell.repeat = repeat;
    return cell;
}

Row row(RowIndex index, std::vector<Cell> cells, std::uint32_t repeat = 1) {
    Row r;
    r.index = index;
    r.repeat = repeat;
    r.cells = std::move(cells);
    return r;
}

struct Written {
    BiffStream stream;
    std::vector<Record> records;
    Warnings warnings;

    std::map<std::size_t, const Record*> byOffset() const {
        std::map<std::size_t, const Record*> map;
        for (const auto& r : records) map[r.offset] = &r;
        return map;
    }
    std::vector<const Record*> all(std::uint16_t id) const {
        std::vector<const Record*> found;
        for (const auto& r : records) if (r.id == id) found.push_back(&r);
        return found;
    }
};

Written build(const Workbook& workbook) {
    Written w;
    w.stream = buildWorkbookStream(workbook, w.warnings);
    w.records = test::splitRecords(w.stream.bytes());
    return w;
}

Workbook threeSheets() {
    Workbook wb;
    for (int s = 0; s < 3; ++s) {
        Sheet sheet;
        sheet.name = "S" + std::to_string(s);
        for (RowIndex r = 0; r < 100; r += 3) sheet.rows.push_back(row(r, {number(0, r), number(1, r + 0.5), number(5, 1.0 / 3)}));
        wb.sheets.push_back(std::move(sheet));
    }
    return wb;
}

TEST(WorkbookStream, EveryRecordFitsAndTheStreamIsFullyUsed) {
    const Written w = build(threeSheets());
    std::size_t end = 0;
    for (const auto& r : w.records) {
        EXPECT_LE(r.data.size(), kMaxRecordData);
        end = r.offset + 4 + r.data.size();
    }
    EXPECT_EQ(end, w.stream.size());
    EXPECT_EQ(w.records.front().id, kBof);
    EXPECT_EQ(w.records.front().u16(0), 0x0600);
    EXPECT_EQ(w.records.front().u16(2), 0x0005);
    EXPECT_EQ(w.all(kBof).size(), 4u);
    EXPECT_EQ(w.all(kEof).size(), 4u);
}

TEST(WorkbookStream, BoundSheetOffsetsPointAtEachWorksheetBof) {
    const Written w = build(threeSheets());
    const auto at = w.byOffset();
    const auto sheets = w.all(kBoundSheet);
    ASSERT_EQ(sheets.size(), 3u);
    for (const Record* sheet : sheets) {
        const auto target = at.find(sheet->u32(0));
        ASSERT_NE(target, at.end());
        EXPECT_EQ(target->second->id, kBof);
        EXPECT_EQ(target->second->u16(2), 0x0010);
    }
}

TEST(WorkbookStream, IndexAndDbCellsPointAtTheirRecords) {
    const Written w = build(threeSheets());
    const auto at = w.byOffset();
    const auto indexes = w.all(kIndex);
    ASSERT_EQ(indexes.size(), 3u);
    for (const Record* index : indexes) {
        EXPECT_EQ(index->u32(4), 0u);    // first row
        EXPECT_EQ(index->u32(8), 100u);  // last row + 1
        EXPECT_EQ(at.at(index->u32(12))->id, kDefColWidth);
        const std::size_t blocks = (index->data.size() - 16) / 4;
        EXPECT_EQ(blocks, 4u);  // rows 0..99 in blocks of 32
        for (std::size_t b = 0; b < blocks; ++b) {
            const Record* dbCell = at.at(index->u32(16 + 4 * b));
            ASSERT_EQ(dbCell->id, kDbCell);
            const std::size_t firstRow = dbCell->offset - dbCell->u32(0);
            ASSERT_EQ(at.at(firstRow)->id, kRow);
            // Walk the per-row offsets to each row's first cell.
            std::size_t position = firstRow + 20;
            std::uint16_t expectedRow = at.at(firstRow)->u16(0);
            for (std::size_t k = 0; k * 2 + 4 < dbCell->data.size(); ++k) {
                position += dbCell->u16(4 + 2 * k);
                const Record* cell = at.at(position);
                EXPECT_NE(cell->id, kRow);
                EXPECT_EQ(cell->u16(0), expectedRow);
                expectedRow += 3;
            }
        }
    }
}

TEST(WorkbookStream, CellsUseTheCompactForms) {
    Workbook wb;
    Sheet sheet;
    sheet.name = "Cells";
    Cell text;
    text.column = 4;
    text.type = CellType::Text;
    text.text = wb.strings.intern("hello");
    Cell yes;
    yes.column = 5;
    yes.type = CellType::Boolean;
    yes.number = 1;
    Cell error;
    error.column = 6;
    error.type = CellType::Error;
    error.number = 0x07;
    CellFormat boxed;
    boxed.borders.left.style = BorderStyle::Thin;
    wb.formats.push_back(boxed);
    Cell blanks;
    blanks.column = 7;
    blanks.repeat = 3;
    blanks.format = 1;
    sheet.rows.push_back(row(0, {number(0, 1), number(1, 2.5), number(2, 0.1), number(3, 1.0 / 3), text, yes, error, blanks}));
    sheet.rows.push_back(row(1, {number(0, 7)}));
    wb.sheets.push_back(std::move(sheet));
    const Written w = build(wb);

    const auto mulRk = w.all(kMulRk);
    ASSERT_EQ(mulRk.size(), 1u);
    EXPECT_EQ(mulRk[0]->u16(2), 0);                       // first column
    EXPECT_EQ(mulRk[0]->u16(mulRk[0]->data.size() - 2), 2);  // last column
    ASSERT_EQ(w.all(kNumber).size(), 1u);
    EXPECT_EQ(w.all(kNumber)[0]->u16(2), 3);
    ASSERT_EQ(w.all(kLabelSst).size(), 1u);
    EXPECT_EQ(w.all(kLabelSst)[0]->u32(6), 0u);
    const auto boolErr = w.all(kBoolErr);
    ASSERT_EQ(boolErr.size(), 2u);
    EXPECT_EQ(boolErr[0]->data[6], 1);
    EXPECT_EQ(boolErr[0]->data[7], 0);
    EXPECT_EQ(boolErr[1]->data[6], 0x07);
    EXPECT_EQ(boolErr[1]->data[7], 1);
    ASSERT_EQ(w.all(kMulBlank).size(), 1u);
    EXPECT_EQ(w.all(kRk).size(), 1u);  // row 1 holds one number alone
    EXPECT_EQ(w.all(kSst)[0]->u32(0), 1u);  // one reference to the table

    const Record* dimensions = w.all(kDimensions)[0];
    EXPECT_EQ(dimensions->u32(0), 0u);
    EXPECT_EQ(dimensions->u32(4), 2u);
    EXPECT_EQ(dimensions->u16(8), 0);
    EXPECT_EQ(dimensions->u16(10), 10);
}

TEST(WorkbookStream, RunsAreExpandedOnlyWithinTheGridAndCutsAreReported) {
    Workbook wb;
    Sheet sheet;
    sheet.name = "Big";
    sheet.rows.push_back(row(65530, {number(250, 1, 10)}, 10));  // 6 rows x 6 columns inside the grid
    sheet.rows.push_back(row(70000, {number(0, 1)}));
    Row empty;  // a million empty rows cost nothing
    empty.index = 80000;
    empty.repeat = 1000000;
    sheet.rows.push_back(empty);
    wb.sheets.push_back(std::move(sheet));
    const Written w = build(wb);

    EXPECT_EQ(w.all(kRow).size(), 6u);
    std::size_t cells = 0;
    for (const Record* r : w.all(kMulRk)) cells += (r->data.size() - 6) / 6;
    EXPECT_EQ(cells, 36u);
    ASSERT_EQ(w.warnings.size(), 1u);
    // 4 columns beyond IV in 6 rows, 10 x 4 cells beyond the last row, and the stray one.
    EXPECT_NE(w.warnings[0].find("65 cell(s)"), std::string::npos) << w.warnings[0];
    EXPECT_NE(w.warnings[0].find("Big"), std::string::npos);
}

TEST(WorkbookStream, NoFontFourAndDefaultCellXfFifteen) {
    Workbook wb;
    Sheet sheet;
    sheet.name = "S";
    wb.sheets.push_back(sheet);
    CellFormat bold;
    bold.font.bold = true;
    wb.formats.push_back(bold);
    Cell cell = number(0, 1);
    cell.format = 1;
    wb.sheets[0].rows.push_back(row(0, {cell}));
    const Written w = build(wb);
    const auto fonts = w.all(kFont);
    ASSERT_EQ(fonts.size(), 5u);  // 4 default copies, then the bold one, read as font 5
    EXPECT_EQ(fonts[4]->u16(6), 700);
    const auto xfs = w.all(kXf);
    ASSERT_EQ(xfs.size(), 22u);
    EXPECT_EQ(xfs[21]->u16(0), 5);              // the bold font
    EXPECT_EQ(xfs[15]->u16(4) & 0x0004, 0);     // XF 15 is a cell XF
    EXPECT_EQ(xfs[0]->u16(4) & 0x0004, 0x0004); // XF 0 is the Normal style
    EXPECT_EQ(w.all(kRk)[0]->u16(4), 21);
}

TEST(WorkbookStream, MoreThan4000CellFormatsAreMergedIntoTheMostUsed) {
    Workbook wb;
    Sheet sheet;
    sheet.name = "Formats";
    for (int i = 0; i < 4100; ++i) {
        CellFormat f;
        f.numberFormat = "0." + std::string(static_cast<std::size_t>(i % 30 + 1), '0');
        f.font.sizePt = 8 + i / 30;
        wb.formats.push_back(f);
        Cell cell = number(static_cast<ColumnIndex>(i % 200), i);
        cell.format = static_cast<std::uint32_t>(wb.formats.size() - 1);
        // The first formats are used more often, so they are the ones kept.
        sheet.rows.push_back(row(static_cast<RowIndex>(i), {cell}));
        if (i < 100) {
            Cell more = number(201, i, 20);
            more.format = cell.format;
            sheet.rows.back().cells.push_back(more);
        }
    }
    wb.sheets.push_back(std::move(sheet));
    const Written w = build(wb);
    const auto xfs = w.all(kXf);
    EXPECT_EQ(xfs.size(), 21u + 3999u);
    ASSERT_EQ(w.warnings.size(), 1u);
    EXPECT_NE(w.warnings[0].find("4,000"), std::string::npos) << w.warnings[0];
    for (const Record* r : w.all(kRk)) EXPECT_LT(r->u16(4), xfs.size());
    for (const Record* r : w.all(kMulRk)) {
        for (std::size_t at = 4; at + 2 < r->data.size(); at += 6) EXPECT_LT(r->u16(at), xfs.size());
    }
}

TEST(WorkbookStream, ManyMergedRangesSpreadOverSeveralRecords) {
    Workbook wb;
    Sheet sheet;
    sheet.name = "Merges";
    for (RowIndex r = 0; r < 3000; ++r) sheet.merges.push_back({r, 0, r, 1});
    wb.sheets.push_back(std::move(sheet));
    const Written w = build(wb);
    const auto records = w.all(0x00E5);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0]->u16(0), 1026);
    EXPECT_EQ(records[1]->u16(0), 1026);
    EXPECT_EQ(records[2]->u16(0), 3000 - 2 * 1026);
    EXPECT_EQ(records[2]->u16(2 + 8 * 947), 2999);  // last range, first row
}

TEST(WorkbookStream, DateModeFollowsTheWorkbooksDateSystem) {
    constexpr std::uint16_t kDateMode = 0x0022;
    Workbook workbook;
    workbook.sheets.emplace_back().name = "S";
    for (const bool dates1904 : {false, true}) {
        workbook.dates1904 = dates1904;
        const Written w = build(workbook);
        const auto modes = w.all(kDateMode);
        ASSERT_EQ(modes.size(), 1u);
        EXPECT_EQ(modes[0]->u16(0), dates1904 ? 1 : 0);
    }
}

TEST(WorkbookStream, EmptyWorkbookGetsOneSheet) {
    const Written w = build(Workbook{});
    ASSERT_EQ(w.all(kBoundSheet).size(), 1u);
}

}  // namespace
}  // namespace brindlemoor::office::xls
