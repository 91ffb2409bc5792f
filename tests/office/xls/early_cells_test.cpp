// Rows encoded while the document is read must give, byte for byte, the
// workbook the writer gives when it encodes every row at the end: the same
// records in the same blocks, the same INDEX and DBCELL positions, the same
// XF of every cell however the style sheet numbers and merges its formats.
#include "office/xls/early_cells.h"

#include "office/ods/reader.h"
#include "office/xls/workbook_stream.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

#include <unistd.h>

namespace brindlemoor::office::xls {
namespace {

namespace fs = std::filesystem;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::vector<std::uint8_t> bytesOf(const BiffStream& first, const BiffStream* second = nullptr) {
    std::vector<std::uint8_t> bytes;
    for (const BiffStream* part : {&first, second}) {
        if (!part) continue;
        part->copyTo([&](std::span<const std::uint8_t> slice) { bytes.insert(bytes.end(), slice.begin(), slice.end()); });
    }
    return bytes;
}

// The stream written with the early rows, and the one written without.
struct Written {
    std::vector<std::uint8_t> early, late;
    Warnings earlyWarnings, lateWarnings;
};

Written writeBothWays(const Workbook& workbook, EarlyCells& early) {
    Written w;
    BiffStream late;
    writeWorkbookStream(workbook, w.lateWarnings, late);
    w.late = bytesOf(late);
    BiffStream withEarly;
    writeWorkbookStream(workbook, w.earlyWarnings, withEarly, &early);
    w.early = bytesOf(withEarly);
    return w;
}

Cell cell(ColumnIndex column, CellType type, double number = 0, std::uint32_t format = 0) {
    Cell c;
    c.column = column;
    c.type = type;
    c.number = number;
    c.format = format;
    return c;
}

Cell text(Workbook& workbook, ColumnIndex column, const std::string& value, std::uint32_t format = 0) {
    Cell c = cell(column, CellType::Text, 0, format);
    c.text = workbook.strings.intern(value);
    return c;
}

std::uint32_t addFormat(Workbook& workbook, const std::string& numberFormat, bool bold = false) {
    CellFormat format;
    format.numberFormat = numberFormat;
    format.font.bold = bold;
    workbook.formats.push_back(format);
    return static_cast<std::uint32_t>(workbook.formats.size() - 1);
}

// Hands the rows to the listener one by one as the reader does, then keeps
// the sheet (or, not kept, drops it as the reader does another file's sheet).
void readSheet(Workbook& workbook, RowListener& listener, const std::string& name, std::vector<Row> rows, bool kept = true) {
    listener.sheetStarted();
    Sheet sheet;
    sheet.name = name;
    for (Row& row : rows) {
        sheet.rows.push_back(std::move(row));
        listener.rowAdded(workbook, sheet);
    }
    listener.sheetEnded(kept);
    if (kept) workbook.sheets.push_back(std::move(sheet));
    else workbook.linkedSheets.push_back(std::move(sheet));
}

Row row(RowIndex index, std::vector<Cell> cells, std::uint32_t repeat = 1) {
    Row r;
    r.index = index;
    r.repeat = repeat;
    r.cells = std::move(cells);
    return r;
}

// A sheet of `rows` rows of every kind of value, in several formats.
std::vector<Row> mixedRows(Workbook& workbook, RowIndex from, RowIndex rows, const std::vector<std::uint32_t>& formats) {
    std::vector<Row> result;
    for (RowIndex r = from; r < from + rows; ++r) {
        const std::uint32_t f = formats[r % formats.size()];
        result.push_back(row(r, {cell(0, CellType::Number, r, f), cell(1, CellType::Number, r + 0.1, f),
                                 cell(2, CellType::Number, 1e300 * r), text(workbook, 3, "t" + std::to_string(r % 7), f),
                                 cell(4, CellType::Boolean, r % 2), cell(5, CellType::Error, 7),
                                 cell(6, CellType::Number, r * 4), cell(7, CellType::Number, r * 8, f)}));
    }
    return result;
}

TEST(EarlyCells, GiveTheStreamOfTheLateEncodingAcrossSheetsBlocksAndRowKinds) {
    Workbook workbook;
    EarlyCells early;
    const std::uint32_t date = addFormat(workbook, "YYYY-MM-DD");
    const std::uint32_t bold = addFormat(workbook, "0.00", true);
    const std::uint32_t same = addFormat(workbook, "General");  // the default look again: XF 15

    std::vector<Row> first = mixedRows(workbook, 0, 40, {0, date, bold, same});
    // Rows the writer must still encode at the end: a formatted blank, a run
    // of repeated rows, a cell cut beyond column 256, a text longer than a cell holds.
    first.push_back(row(40, {cell(0, CellType::Number, 1), cell(1, CellType::Empty, 0, bold), cell(2, CellType::Empty, 0, same)}));
    first.push_back(row(41, {cell(0, CellType::Number, 2, date)}, 3));
    Cell wide = cell(250, CellType::Number, 3);
    wide.repeat = 10;
    first.push_back(row(50, {wide}));
    first.push_back(row(51, {text(workbook, 0, std::string(40000, 'x'))}));
    std::vector<Row> more = mixedRows(workbook, 90, 70, {bold, 0});
    first.insert(first.end(), more.begin(), more.end());
    readSheet(workbook, early, "First", std::move(first));

    // Another file's cached sheet between the two is not one of the workbook's.
    readSheet(workbook, early, "'file:///x.ods'#Sheet1", mixedRows(workbook, 0, 5, {0}), false);

    // A formula: the rows after it may lie in its matrix, and wait for the end.
    Workbook& w = workbook;
    std::vector<Row> second = mixedRows(w, 0, 10, {date});
    Formula formula;
    formula.text = "of:=[.A1]*2";
    w.formulas.push_back(formula);
    Cell withFormula = cell(0, CellType::Number, 2);
    withFormula.formula = 0;
    second.push_back(row(10, {withFormula}));
    std::vector<Row> after = mixedRows(w, 11, 10, {bold});
    second.insert(second.end(), after.begin(), after.end());
    readSheet(workbook, early, "Second", std::move(second));

    const Written written = writeBothWays(workbook, early);
    EXPECT_EQ(written.early, written.late);
    EXPECT_EQ(written.earlyWarnings, written.lateWarnings);
    EXPECT_FALSE(written.lateWarnings.empty());  // the cut cells and the cut text
    // 40 + 70 mixed rows of the first sheet and the 10 before the formula.
    EXPECT_EQ(early.earlyRowCount(), 120u);
}

TEST(EarlyCells, FollowTheStyleSheetPastExcelsFormatLimit) {
    // More distinct formats than Excel 97 holds: the rarest are merged into
    // their nearest kept ones, which only the whole workbook tells.
    Workbook workbook;
    EarlyCells early;
    std::vector<std::uint32_t> formats;
    for (int i = 0; i < 4100; ++i) formats.push_back(addFormat(workbook, "0." + std::string(1 + i % 20, '0') + ";[RED]-0" + std::to_string(i)));
    std::vector<Row> rows;
    for (RowIndex r = 0; r < 4100; ++r) {
        // Later formats used more, so that the kept ones are not the first met.
        std::vector<Cell> cells{cell(0, CellType::Number, r, formats[r])};
        for (ColumnIndex c = 1; c <= r / 1000; ++c) cells.push_back(cell(c, CellType::Number, c, formats[r]));
        rows.push_back(row(r, std::move(cells)));
    }
    readSheet(workbook, early, "Formats", std::move(rows));

    const Written written = writeBothWays(workbook, early);
    EXPECT_EQ(written.early, written.late);
    ASSERT_EQ(written.earlyWarnings, written.lateWarnings);
    EXPECT_NE(std::find_if(written.lateWarnings.begin(), written.lateWarnings.end(),
                           [](const std::string& w) { return w.find("4,000") != std::string::npos; }),
              written.lateWarnings.end());
    EXPECT_EQ(early.earlyRowCount(), 4100u);
}

TEST(EarlyCells, StopAtTheirBudgetAndLeaveTheRestToTheEnd) {
    Workbook workbook;
    EarlyCells early(4096);
    readSheet(workbook, early, "Budget", mixedRows(workbook, 0, 300, {0}));
    EXPECT_GT(early.earlyRowCount(), 0u);
    EXPECT_LT(early.earlyRowCount(), 300u);
    const Written written = writeBothWays(workbook, early);
    EXPECT_EQ(written.early, written.late);
}

TEST(EarlyCells, GoIntoASheetsStreamThatSpillsToAFile) {
    // The sheets' part held mostly in a file: early rows go through the same
    // spilling as the rest, and the positions patched into it stay right.
    Workbook workbook;
    EarlyCells early;
    readSheet(workbook, early, "Big", mixedRows(workbook, 0, 3000, {0, addFormat(workbook, "0%")}));
    readSheet(workbook, early, "Small", mixedRows(workbook, 0, 40, {0}));

    BiffStream late;
    Warnings lateWarnings;
    writeWorkbookStream(workbook, lateWarnings, late);

    const File globalsFile(std::tmpfile()), sheetsFile(std::tmpfile());
    ASSERT_TRUE(globalsFile && sheetsFile);
    BiffStream globals, sheets;
    globals.spillTo(globalsFile.get(), 1024);
    sheets.spillTo(sheetsFile.get(), 1024);
    Warnings warnings;
    writeWorkbookStream(workbook, warnings, globals, sheets, &early);
    EXPECT_EQ(bytesOf(globals, &sheets), bytesOf(late));
    EXPECT_EQ(early.earlyRowCount(), 3040u);
}

TEST(EarlyCells, AreLeftAsideWhenTheWorkbookIsNotTheOneRead) {
    // Rows heard of for a sheet the workbook does not have must not be used.
    Workbook workbook;
    EarlyCells early;
    Workbook other;
    readSheet(other, early, "Elsewhere", mixedRows(other, 0, 20, {0}));
    readSheet(workbook, early, "Here", mixedRows(workbook, 0, 3, {0}));
    Workbook& w = workbook;
    Sheet second;
    second.name = "Unheard";
    second.rows = mixedRows(w, 0, 20, {0});
    w.sheets.push_back(std::move(second));
    const Written written = writeBothWays(workbook, early);
    EXPECT_EQ(written.early, written.late);
}

// Documents read through the reader, written both ways; the rows encoded
// early, or nothing for a document the reader refuses.
std::optional<std::size_t> expectSameBothWays(const fs::path& document) {
    SCOPED_TRACE(document.string());
    EarlyCells early;
    Warnings warnings;
    Workbook workbook;
    try {
        workbook = readSpreadsheet(document, warnings, &early);
    } catch (const ConversionError&) {
        return std::nullopt;
    }
    const Written written = writeBothWays(workbook, early);
    EXPECT_EQ(written.early, written.late);
    EXPECT_EQ(written.earlyWarnings, written.lateWarnings);
    return early.earlyRowCount();
}

TEST(EarlyCells, OfAFlatDocumentWithAMatrixFormula) {
    const fs::path folder = fs::temp_directory_path() / ("early_cells_" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const fs::path document = folder / "matrix.fods";
    std::ofstream out(document);
    out << R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:of="urn:oasis:names:tc:opendocument:xmlns:of:1.2" office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:body><office:spreadsheet><table:table table:name="S">)";
    for (int r = 0; r < 80; ++r) {
        out << "<table:table-row>";
        if (r == 40) {
            out << R"(<table:table-cell table:formula="of:={1;2}" table:number-matrix-columns-spanned="1" table:number-matrix-rows-spanned="2" office:value-type="float" office:value="1"><text:p>1</text:p></table:table-cell>)";
        } else {
            out << R"(<table:table-cell office:value-type="float" office:value=")" << r << R"("><text:p>x</text:p></table:table-cell>)";
        }
        out << R"(<table:table-cell office:value-type="string"><text:p>row )" << r % 9 << "</text:p></table:table-cell></table:table-row>";
    }
    out << "</table:table></office:spreadsheet></office:body></office:document>\n";
    out.close();
    // The rows before the formula are encoded early, the rest at the end.
    EXPECT_EQ(expectSameBothWays(document), std::optional<std::size_t>(40));
    fs::remove_all(folder);
}

TEST(EarlyCells, OfTheCorpusDocuments) {
    const fs::path corpus = BRINDLEMOOR_CORPUS_DIR;
    if (!fs::is_directory(corpus)) GTEST_SKIP() << "no corpus at " << corpus;
    int compared = 0;
    std::size_t early = 0;
    for (const auto& entry : fs::recursive_directory_iterator(corpus)) {
        const std::string kind = entry.path().extension().string();
        if (!entry.is_regular_file() || (kind != ".ods" && kind != ".fods" && kind != ".sxc" && kind != ".ots")) continue;
        if (entry.file_size() > (std::uintmax_t{8} << 20)) continue;
        early += expectSameBothWays(entry.path()).value_or(0);
        ++compared;
    }
    EXPECT_GT(compared, 0);
    EXPECT_GT(early, 0u);
}

}  // namespace
}  // namespace brindlemoor::office::xls
