// Files written by the writer, read back by xlrd and olefile.
#include "readback.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sys/stat.h>

namespace brindlemoor::office::xls {
namespace {

using test::readBack;
using test::scratchFolder;

Cell cellAt(ColumnIndex column, CellType type, double number = 0, std::uint32_t text = kNone) {
    Cell cell;
    cell.column = column;
    cell.type = type;
    cell.number = number;
    cell.text = text;
    return cell;
}

Row rowAt(RowIndex index, std::vector<Cell> cells) {
    Row row;
    row.index = index;
    row.cells = std::move(cells);
    return row;
}

std::size_t filesIn(const std::filesystem::path& folder) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator{}));
}

TEST(ReadBack, ValuesTypesAndNumberFormatsSurvive) {
    Workbook wb;
    auto format = [&](const std::string& code) {
        CellFormat f;
        f.numberFormat = code;
        wb.formats.push_back(f);
        return static_cast<std::uint32_t>(wb.formats.size() - 1);
    };
    const auto date = format("YYYY-MM-DD");
    const auto percent = format("0.00%");
    const auto euro = format("#,##0.00 [$€-407]");
    Sheet sheet;
    sheet.name = "Values";
    std::vector<Cell> cells{
        cellAt(0, CellType::Number, 42),
        cellAt(1, CellType::Number, -1234.5678),
        cellAt(2, CellType::Number, 45292),  // a date serial
        cellAt(3, CellType::Number, 0.125),
        cellAt(4, CellType::Number, 1234567.891),
        cellAt(5, CellType::Text, 0, wb.strings.intern("Grüße, 日本 \xF0\x9F\x98\x80")),
        cellAt(6, CellType::Boolean, 1),
        cellAt(7, CellType::Boolean, 0),
        cellAt(8, CellType::Error, 0x07),
        cellAt(9, CellType::Text, 0, wb.strings.intern("two\nlines")),
    };
    cells[2].format = date;
    cells[3].format = percent;
    cells[4].format = euro;
    sheet.rows.push_back(rowAt(0, cells));
    sheet.rows.push_back(rowAt(1000, {cellAt(255, CellType::Number, 1e-10)}));
    wb.sheets.push_back(sheet);
    wb.properties.title = "Quarterly report";
    wb.properties.author = "Ada";
    wb.properties.created = "2023-04-05T06:07:08.123456789";

    const auto folder = scratchFolder("values");
    Warnings warnings;
    WRITE_AND_READ_BACK(result, wb, folder / "values.xls", warnings);
    EXPECT_TRUE(warnings.empty());

    const auto cellsRead = result.cells();
    const auto expect = [&](const std::string& at, const std::string& type, const std::string& value, const std::string& fmt) {
        ASSERT_TRUE(cellsRead.contains(at)) << at;
        const auto& line = cellsRead.at(at);
        EXPECT_EQ(line[4], type) << at;
        EXPECT_EQ(line[5], value) << at;
        EXPECT_EQ(line[6], fmt) << at;
    };
    expect("0!0,0", "number", "42.0", "General");
    expect("0!0,1", "number", "-1234.5678", "General");
    expect("0!0,2", "number", "45292.0", "YYYY-MM-DD");
    expect("0!0,3", "number", "0.125", "0.00%");
    expect("0!0,4", "number", "1234567.891", "#,##0.00 [$€-407]");
    expect("0!0,5", "text", "Grüße, 日本 \xF0\x9F\x98\x80", "General");
    expect("0!0,6", "boolean", "1", "General");
    expect("0!0,7", "boolean", "0", "General");
    expect("0!0,8", "error", "#DIV/0!", "General");
    expect("0!0,9", "text", "two\nlines", "General");
    expect("0!1000,255", "number", "1e-10", "General");

    const auto properties = result.all("property");
    EXPECT_NE(std::find(properties.begin(), properties.end(), test::Line{"property", "title", "Quarterly report"}), properties.end());
    EXPECT_NE(std::find(properties.begin(), properties.end(), test::Line{"property", "author", "Ada"}), properties.end());
    EXPECT_NE(std::find(properties.begin(), properties.end(), test::Line{"property", "created", "2023-04-05T06:07:08"}), properties.end());
    EXPECT_EQ(filesIn(folder), 1u);  // no temporary file left behind
}

TEST(ReadBack, SheetsKeepOrderVisibilityAndFixedNames) {
    Workbook wb;
    for (const char* name : {"First", "Hidden", "first", "a:b"}) {
        Sheet sheet;
        sheet.name = name;
        sheet.visible = std::string(name) != "Hidden";
        sheet.rows.push_back(rowAt(0, {cellAt(0, CellType::Number, 1)}));
        wb.sheets.push_back(sheet);
    }
    wb.activeSheet = 1;  // hidden: the first visible sheet becomes active
    const auto folder = scratchFolder("sheets");
    Warnings warnings;
    WRITE_AND_READ_BACK(result, wb, folder / "sheets.xls", warnings);
    const auto sheets = result.all("sheet");
    ASSERT_EQ(sheets.size(), 4u);
    EXPECT_EQ(sheets[0][2], "First");
    EXPECT_EQ(sheets[1][2], "Hidden");
    EXPECT_EQ(sheets[1][3], "1");
    EXPECT_EQ(sheets[2][2], "first (2)");
    EXPECT_EQ(sheets[3][2], "a_b");
    EXPECT_EQ(warnings.size(), 2u);
    const auto views = result.all("view");
    EXPECT_EQ(views[0][6], "1");  // selected
    EXPECT_EQ(views[1][6], "0");
}

TEST(ReadBack, LargeSharedStringTableWithLongAndCutTexts) {
    Workbook wb;
    Sheet sheet;
    sheet.name = "Texts";
    std::vector<std::string> texts;
    for (int i = 0; i < 3000; ++i) texts.push_back("text " + std::to_string(i) + std::string(static_cast<std::size_t>(i % 40), i % 2 ? 'x' : 'y'));
    texts.push_back(std::string(20000, 'L') + "λ");              // long, UTF-16, spans records
    texts.push_back(std::string(40000, 'C'));                     // beyond Excel's limit
    for (std::size_t i = 0; i < texts.size(); ++i) {
        sheet.rows.push_back(rowAt(static_cast<RowIndex>(i), {cellAt(0, CellType::Text, 0, wb.strings.intern(texts[i]))}));
    }
    wb.sheets.push_back(sheet);
    const auto folder = scratchFolder("texts");
    Warnings warnings;
    WRITE_AND_READ_BACK(result, wb, folder / "texts.xls", warnings);
    const auto cells = result.cells();
    for (std::size_t i = 0; i + 1 < texts.size(); ++i) {
        ASSERT_EQ(cells.at("0!" + std::to_string(i) + ",0")[5], texts[i]) << i;
    }
    EXPECT_EQ(cells.at("0!" + std::to_string(texts.size() - 1) + ",0")[5], std::string(32767, 'C'));
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("A3002"), std::string::npos) << warnings[0];
}

TEST(ReadBack, SmallAndLargeFilesAreSoundCompoundFiles) {
    for (const int rows : {1, 20000}) {
        Workbook wb;
        Sheet sheet;
        sheet.name = "N";
        for (int r = 0; r < rows; ++r) sheet.rows.push_back(rowAt(static_cast<RowIndex>(r), {cellAt(0, CellType::Number, r * 1.5), cellAt(1, CellType::Number, std::sqrt(r))}));
        wb.sheets.push_back(sheet);
        const auto folder = scratchFolder("sizes" + std::to_string(rows));
        Warnings warnings;
        WRITE_AND_READ_BACK(result, wb, folder / "n.xls", warnings);
        const auto streams = result.all("stream");
        ASSERT_FALSE(streams.empty());
        bool workbook = false;
        for (const auto& s : streams) workbook = workbook || s[1] == "Workbook";
        EXPECT_TRUE(workbook);
        EXPECT_EQ(result.all("cell").size(), static_cast<std::size_t>(2 * rows));
        EXPECT_EQ(std::filesystem::file_size(folder / "n.xls") % 512, 0u);
    }
}

TEST(Output, UnwritableFolderFailsClearlyAndLeavesNothing) {
    if (::geteuid() == 0) {
        // root writes anywhere; a missing folder shows the same path instead.
        const auto folder = scratchFolder("missing") / "not-there";
        Warnings warnings;
        try {
            writeXls(Workbook{}, folder / "x.xls", warnings);
            FAIL() << "no error";
        } catch (const ConversionError& error) {
            EXPECT_NE(std::string(error.what()).find("cannot write to folder " + folder.string()), std::string::npos) << error.what();
            EXPECT_NE(std::string(error.what()).find("No such file or directory"), std::string::npos) << error.what();
        }
        return;
    }
    const auto folder = scratchFolder("readonly");
    ::chmod(folder.c_str(), 0555);
    Warnings warnings;
    try {
        writeXls(Workbook{}, folder / "x.xls", warnings);
        FAIL() << "no error";
    } catch (const ConversionError& error) {
        EXPECT_EQ(std::string(error.what()), "cannot write to folder " + folder.string() + ": Permission denied");
    }
    EXPECT_EQ(filesIn(folder), 0u);
    ::chmod(folder.c_str(), 0755);
}

TEST(Output, ReplacesAnExistingFileOnlyWhenComplete) {
    const auto folder = scratchFolder("replace");
    const auto target = folder / "old.xls";
    { std::ofstream(target) << "old content"; }
    Workbook wb;
    Sheet sheet;
    sheet.name = "New";
    wb.sheets.push_back(sheet);
    Warnings warnings;
    writeXls(wb, target, warnings);
    EXPECT_GT(std::filesystem::file_size(target), 512u);
    EXPECT_EQ(filesIn(folder), 1u);
    // A target that is a folder is refused, and the folder is untouched.
    std::filesystem::create_directory(folder / "dir.xls");
    EXPECT_THROW(writeXls(wb, folder / "dir.xls", warnings), ConversionError);
    EXPECT_TRUE(std::filesystem::is_directory(folder / "dir.xls"));
    EXPECT_EQ(filesIn(folder), 2u);
}

}  // namespace
}  // namespace brindlemoor::office::xls
