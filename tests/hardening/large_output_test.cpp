// A workbook stream too large to keep in memory goes to a file as it is
// written; the fields patched after the fact (sheet positions, row block
// indexes, string counts) must land in the right place whichever side of the
// spill they fall on.
#include "office/xls/workbook_stream.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

namespace brindlemoor::office::xls {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

Workbook mixedWorkbook() {
    Workbook workbook;
    for (int s = 0; s < 4; ++s) {
        Sheet sheet;
        sheet.name = "Sheet " + std::to_string(s);
        for (RowIndex r = 0; r < 1500; ++r) {
            Row row;
            row.index = r;
            for (ColumnIndex c = 0; c < 12; ++c) {
                Cell cell;
                cell.column = c;
                if (c % 3 == 0) {
                    cell.type = CellType::Text;
                    cell.text = workbook.strings.intern("text " + std::to_string((r * 7 + c) % 900));
                } else {
                    cell.type = CellType::Number;
                    cell.number = r * 1.25 + c;
                }
                row.cells.push_back(cell);
            }
            Cell run;  // a run across the rest of the row
            run.column = 12;
            run.repeat = 100;
            run.type = CellType::Number;
            run.number = s;
            row.cells.push_back(run);
            sheet.rows.push_back(std::move(row));
        }
        workbook.sheets.push_back(std::move(sheet));
    }
    return workbook;
}

std::vector<std::uint8_t> wholeStream(const BiffStream& stream, std::size_t slice) {
    std::vector<std::uint8_t> bytes;
    stream.copyTo([&](std::span<const std::uint8_t> piece) {
        EXPECT_LE(piece.size(), slice);
        bytes.insert(bytes.end(), piece.begin(), piece.end());
    }, slice);
    return bytes;
}

TEST(LargeOutput, AStreamSpilledToAFileIsByteForByteTheOneKeptInMemory) {
    const Workbook workbook = mixedWorkbook();
    Warnings inMemoryWarnings;
    const BiffStream inMemory = buildWorkbookStream(workbook, inMemoryWarnings);
    ASSERT_GT(inMemory.size(), 1u << 20);

    // Thresholds that spill in the globals, mid-sheet and rarely.
    for (const std::size_t threshold : {std::size_t{0}, std::size_t{4096}, std::size_t{300000}}) {
        SCOPED_TRACE("spilling beyond " + std::to_string(threshold) + " bytes");
        const std::unique_ptr<std::FILE, FileCloser> file(std::tmpfile());
        ASSERT_TRUE(file);
        BiffStream spilled;
        spilled.spillTo(file.get(), threshold);
        Warnings warnings;
        writeWorkbookStream(workbook, warnings, spilled);
        EXPECT_EQ(spilled.size(), inMemory.size());
        EXPECT_LT(spilled.bytes().size(), threshold + 9000) << "at most one record beyond the threshold stays in memory";
        EXPECT_EQ(wholeStream(spilled, 65536), inMemory.bytes());
        EXPECT_EQ(warnings, inMemoryWarnings);
    }
}

TEST(LargeOutput, AWorkbookBeyondWhatAnExcel97FileHoldsIsRefusedBeforeWriting) {
    // Each sheet fills Excel's whole grid with numbers: about 100 MB of cell
    // records apiece, so twenty-one of them pass 2 GB.
    Workbook workbook;
    for (int s = 0; s < 21; ++s) {
        Sheet sheet;
        sheet.name = "Full " + std::to_string(s);
        Row row;
        row.repeat = 1000000000;
        Cell cell;
        cell.type = CellType::Number;
        cell.number = 1;
        cell.repeat = 100000;
        row.cells.push_back(cell);
        sheet.rows.push_back(row);
        workbook.sheets.push_back(sheet);
    }
    Warnings warnings;
    BiffStream stream;
    try {
        writeWorkbookStream(workbook, warnings, stream);
        ADD_FAILURE() << "a workbook of over 2 GB was written";
    } catch (const ConversionError& error) {
        EXPECT_NE(std::string(error.what()).find("2 GB"), std::string::npos) << error.what();
    }
    EXPECT_EQ(stream.size(), 0u) << "refused before anything was written";

    // Rows and cells beyond the grid count for nothing.
    workbook.sheets.resize(20);
    for (Sheet& sheet : workbook.sheets) {
        sheet.rows[0].index = 65536;
        Row inside;
        Cell cell;
        cell.type = CellType::Number;
        cell.column = 256;
        cell.repeat = 1000000000;
        inside.cells.push_back(cell);
        sheet.rows.insert(sheet.rows.begin(), inside);
    }
    EXPECT_NO_THROW(writeWorkbookStream(workbook, warnings, stream));
}

TEST(LargeOutput, AStreamThatNeverSpillsIsHandedOnWhole) {
    BiffStream stream;
    stream.record16(0x0042, 1200);
    const std::size_t start = stream.beginRecord(0x0085);
    stream.u32(0);
    stream.endRecord(start);
    stream.patch32(start + 4, 0xdeadbeef);
    const std::vector<std::uint8_t> expected{0x42, 0, 2, 0, 0xb0, 0x04, 0x85, 0, 4, 0, 0xef, 0xbe, 0xad, 0xde};
    EXPECT_EQ(wholeStream(stream, 5), expected);
}

}  // namespace
}  // namespace brindlemoor::office::xls
