// The Workbook stream written in two parts at once (globals on one thread,
// sheets on another) must be, joined, exactly the stream written in one piece:
// every position in it (sheets' BOFs, INDEX pointers) moved to its place.
#include "office/xls/workbook_stream.h"

#include "biff_records.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

namespace brindlemoor::office::xls {
namespace {

constexpr std::uint16_t kBof = 0x0809, kBoundSheet = 0x0085, kIndex = 0x020B, kDbCell = 0x00D7;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::vector<std::uint8_t> joined(const BiffStream& first, const BiffStream& second) {
    std::vector<std::uint8_t> bytes;
    for (const BiffStream* part : {&first, &second}) {
        part->copyTo([&](std::span<const std::uint8_t> slice) { bytes.insert(bytes.end(), slice.begin(), slice.end()); });
    }
    return bytes;
}

Cell number(ColumnIndex column, double value) {
    Cell cell;
    cell.column = column;
    cell.type = CellType::Number;
    cell.number = value;
    return cell;
}

Cell text(ColumnIndex column, std::uint32_t string) {
    Cell cell;
    cell.column = column;
    cell.type = CellType::Text;
    cell.text = string;
    return cell;
}

// Several sheets of different sizes (one of many row blocks, one empty, one
// hidden), shared texts (one longer than a cell holds), merged cells and a
// formula that names another sheet: positions of every kind.
Workbook variedWorkbook() {
    Workbook wb;
    const std::uint32_t word = wb.strings.intern("alder");
    const std::uint32_t tooLong = wb.strings.intern(std::string(40000, 'x'));
    wb.formulas.push_back({"of:=SUM([$Second.A1:.A3])", false, {}});
    for (int s = 0; s < 4; ++s) {
        Sheet sheet;
        sheet.name = s == 1 ? "Second" : "Sheet " + std::to_string(s);
        sheet.visible = s != 2;
        const RowIndex rows = s == 0 ? 2000 : s == 3 ? 0 : 40;
        for (RowIndex r = 0; r < rows; ++r) {
            Row row;
            row.index = r * 2;
            row.cells = {number(0, r * 0.5), text(1, r % 7 ? word : tooLong), number(3, r)};
            if (s == 1 && r == 0) {
                Cell formula = number(5, 3);
                formula.formula = 0;
                row.cells.push_back(formula);
            }
            sheet.rows.push_back(std::move(row));
        }
        if (s == 0) sheet.merges.push_back({4, 0, 5, 1});
        wb.sheets.push_back(std::move(sheet));
    }
    return wb;
}

TEST(WorkbookStreamParts, JoinedAreTheStreamWrittenInOnePiece) {
    for (const Workbook& wb : {variedWorkbook(), Workbook{}}) {
        Warnings oneWarnings;
        const BiffStream one = buildWorkbookStream(wb, oneWarnings);

        Warnings partWarnings;
        BiffStream globals, sheets;
        writeWorkbookStream(wb, partWarnings, globals, sheets);

        EXPECT_EQ(joined(globals, sheets), one.bytes());
        EXPECT_EQ(partWarnings, oneWarnings);
    }
}

TEST(WorkbookStreamParts, PositionsPointIntoTheJoinedStream) {
    const Workbook wb = variedWorkbook();
    Warnings warnings;
    BiffStream globals, sheets;
    writeWorkbookStream(wb, warnings, globals, sheets);
    const std::vector<std::uint8_t> bytes = joined(globals, sheets);
    const auto records = test::splitRecords(bytes);
    std::map<std::size_t, std::uint16_t> idAt;
    for (const auto& r : records) idAt[r.offset] = r.id;

    std::size_t boundSheets = 0, dbCells = 0;
    for (const auto& r : records) {
        if (r.id == kBoundSheet) {
            ++boundSheets;
            EXPECT_GE(r.u32(0), globals.size());
            EXPECT_EQ(idAt[r.u32(0)], kBof);
        }
        if (r.id == kIndex) {
            for (std::size_t at = 16; at + 4 <= r.data.size(); at += 4, ++dbCells) EXPECT_EQ(idAt[r.u32(at)], kDbCell);
        }
    }
    EXPECT_EQ(boundSheets, 4u);
    EXPECT_EQ(dbCells, (3998 / 32 + 1) + 2 * (78 / 32 + 1));  // rows 0..3998 of the first sheet, 0..78 of the next two
}

TEST(WorkbookStreamParts, PartsThatSpillToFilesJoinTheSame) {
    const Workbook wb = variedWorkbook();
    Warnings oneWarnings;
    const BiffStream one = buildWorkbookStream(wb, oneWarnings);

    const File globalsFile(std::tmpfile()), sheetsFile(std::tmpfile());
    ASSERT_TRUE(globalsFile && sheetsFile);
    BiffStream globals, sheets;
    // Both parts go to their files a few records at a time, so that positions
    // are patched in what has already left memory.
    globals.spillTo(globalsFile.get(), 4096);
    sheets.spillTo(sheetsFile.get(), 4096);
    Warnings warnings;
    writeWorkbookStream(wb, warnings, globals, sheets);
    EXPECT_LT(sheets.bytes().size(), sheets.size());
    EXPECT_EQ(joined(globals, sheets), one.bytes());
}

TEST(WorkbookStreamParts, AFailureWritingTheSheetsFailsTheWholeStream) {
    File full(std::fopen("/dev/full", "w+"));
    if (!full) GTEST_SKIP() << "no /dev/full";
    std::setvbuf(full.get(), nullptr, _IONBF, 0);
    const Workbook wb = variedWorkbook();
    BiffStream globals, sheets;
    sheets.spillTo(full.get(), 1024);
    Warnings warnings;
    // The globals, written meanwhile on another thread, are waited for: the
    // failure comes out once, here, and nothing is left running.
    EXPECT_THROW(writeWorkbookStream(wb, warnings, globals, sheets), ConversionError);
}

}  // namespace
}  // namespace brindlemoor::office::xls
