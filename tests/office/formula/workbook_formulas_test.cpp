#include "hex.h"
#include "office/formula/workbook_formulas.h"

#include <gtest/gtest.h>

namespace brindlemoor::office::formula {
namespace {

Workbook threeSheets()
{
    Workbook book;
    for (const char* name : {"Data", "Calc", "Out"}) {
        book.sheets.emplace_back();
        book.sheets.back().name = name;
    }
    return book;
}

// Puts a formula cell with a cached number at row/column of a sheet.
void addFormula(Workbook& book, std::uint32_t sheet, RowIndex row, ColumnIndex column, std::string text)
{
    Formula formula;
    formula.text = std::move(text);
    book.formulas.push_back(formula);
    Cell cell;
    cell.column = column;
    cell.type = CellType::Number;
    cell.number = 1;
    cell.formula = static_cast<std::uint32_t>(book.formulas.size() - 1);
    Row r;
    r.index = row;
    r.cells = {cell};
    book.sheets[sheet].rows.push_back(r);
}

bool mentions(const Warnings& warnings, std::string_view text)
{
    for (const auto& w : warnings)
        if (w.find(text) != std::string::npos)
            return true;
    return false;
}

TEST(WorkbookFormulas, CompilesCellsAndListsWhatItKeepsAsValues)
{
    Workbook book = threeSheets();
    addFormula(book, 0, 0, 0, "of:=[.B1]*2");
    addFormula(book, 1, 6, 1, "of:=ROUND([.A1])");
    addFormula(book, 2, 0, 0, "of:=[.A100000]");
    Warnings warnings;
    WorkbookFormulas formulas(book, warnings);

    ASSERT_NE(formulas.cellFormula(0, 0), nullptr);
    EXPECT_EQ(hexText(formulas.cellFormula(0, 0)->tokens), hexText(hexBytes("44 0000 01C0 1E 0200 05")));
    EXPECT_EQ(formulas.cellFormula(1, 1), nullptr);
    EXPECT_EQ(formulas.cellFormula(2, 2), nullptr);
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_EQ(warnings[0], "Calc!B7: formula kept as its value (function ROUND is given 1 arguments; Excel 97 takes 2)");
    EXPECT_TRUE(mentions(warnings, "Out!A1: formula kept as its value (refers to cells beyond"));
    // Nothing refers across sheets and there are no names: no link records.
    EXPECT_TRUE(formulas.globalRecords().empty());
}

TEST(WorkbookFormulas, GroupsCellsKeptForTheSameReason)
{
    Workbook book = threeSheets();
    for (RowIndex row = 0; row < 7; ++row)
        addFormula(book, 0, row, 2, "of:=ROUND([.A1])");
    addFormula(book, 0, 7, 2, "of:=[.A1");
    addFormula(book, 0, 70000, 0, "of:=ROUND([.A1])");  // beyond the grid: the writer's
    Warnings warnings;
    WorkbookFormulas formulas(book, warnings);
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_EQ(warnings[0], "Data: 7 formulas kept as their values (function ROUND is given 1 arguments; Excel 97 takes 2): "
                           "C1, C2, C3, C4, C5, ...");
    EXPECT_EQ(warnings[1], "Data!C8: formula kept as its value (unterminated reference)");
}

TEST(WorkbookFormulas, WritesSheetLinksAndNames)
{
    Workbook book = threeSheets();
    book.names.push_back(DefinedName{.name = "Rates", .text = "$Data.$A$1:.$B$4"});
    book.names.push_back(DefinedName{.name = "Double", .text = "of:=Rates*2", .sheet = 1, .isExpression = true});
    addFormula(book, 2, 0, 0, "of:=SUM([$Data.A1:$Calc.B2])");
    Warnings warnings;
    WorkbookFormulas formulas(book, warnings);
    EXPECT_TRUE(warnings.empty());
    ASSERT_NE(formulas.cellFormula(2, 0), nullptr);
    // Names come first, so Data is XTI 0 and Data:Calc XTI 1.
    EXPECT_EQ(hexText(formulas.cellFormula(2, 0)->tokens),
              hexText(hexBytes("3B 0100 0000 0100 00C0 01C0 19 10 0000")));

    std::string expected =
        // SUPBOOK: 3 sheets, this workbook
        "AE01 0400 0300 0104 "
        // EXTERNSHEET: 2 entries
        "1700 0E00 0200 0000 0000 0000 0000 0000 0100 "
        // NAME Rates, workbook scope: $Data.$A$1:$B$4
        "1800 1F00 0000 00 05 0B00 0000 0000 00000000 00 5261746573 3B 0000 0000 0300 0000 0100 "
        // NAME Double on Calc (itab 2): Rates*2, the name as an operand value
        "1800 1E00 0000 00 06 0900 0000 0200 00000000 00 446F75626C65 43 0100 0000 1E 0200 05";
    EXPECT_EQ(hexText(formulas.globalRecords()), hexText(hexBytes(expected)));
}

// Names added for calls of functions Excel 97 lacks and for undefined names
// follow the document's own names and come before the built-in print names;
// the cells say what Excel 97 will show.
TEST(WorkbookFormulas, AddedNamesFollowTheDocumentsNames)
{
    Workbook book = threeSheets();
    book.names.push_back(DefinedName{.name = "Rates", .text = "$Data.$A$1"});
    book.sheets[0].printRanges = "$Data.A1:.B2";
    for (RowIndex row = 0; row < 3; ++row)
        addFormula(book, 0, row, 2, "of:=COM.MICROSOFT.IFERROR(Rates;Missing)");
    Warnings warnings;
    WorkbookFormulas formulas(book, warnings);
    ASSERT_NE(formulas.cellFormula(0, 0), nullptr);
    EXPECT_EQ(hexText(formulas.cellFormula(0, 0)->tokens),
              hexText(hexBytes("23 0200 0000 23 0100 0000 23 0300 0000 42 03 FF00")));
    std::string expected =
        "AE01 0400 0300 0104 "                                                        // this workbook
        "1700 0800 0100 0000 0000 0000 "                                              // Data
        "1800 1B00 0000 00 05 0700 0000 0000 00000000 00 5261746573 3A 0000 0000 0000 "  // Rates
        // _xlfn.IFERROR: hidden function macro, defined as #NAME?
        "1800 1E00 0B00 00 0D 0200 0000 0000 00000000 00 5F786C666E2E49464552524F52 1C1D "
        // missing: an ordinary name, defined as #NAME?
        "1800 1800 0000 00 07 0200 0000 0000 00000000 00 6D697373696E67 1C1D "
        // Print_Area of Data
        "1800 1B00 2000 00 01 0B00 0000 0100 00000000 00 06 3B 0000 0000 0100 0000 0100";
    EXPECT_EQ(hexText(formulas.globalRecords()), hexText(hexBytes(expected)));
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_TRUE(mentions(warnings, "Data: 3 formulas that Excel 97 shows as #NAME? when they recalculate (function "
                                   "IFERROR is not available in Excel 97: written as later versions of Excel write it): "
                                   "C1, C2, C3"));
    EXPECT_TRUE(mentions(warnings, "(uses the name 'Missing' that the document does not define; it is written defined "
                                   "as #NAME?): C1, C2, C3"));
}

TEST(WorkbookFormulas, LinksTheAddInFunctions)
{
    Workbook book = threeSheets();
    addFormula(book, 0, 0, 0, "of:=EDATE([$Calc.A1];1)+EOMONTH([.A1];0)+EDATE([.A2];2)");
    Warnings warnings;
    WorkbookFormulas formulas(book, warnings);
    EXPECT_TRUE(warnings.empty());
    ASSERT_NE(formulas.cellFormula(0, 0), nullptr);
    // XTI 0 the add-ins, XTI 1 sheet Calc; EDATE is name 1, EOMONTH name 2.
    EXPECT_EQ(hexText(formulas.cellFormula(0, 0)->tokens),
              hexText(hexBytes("39 0000 0100 0000 5A 0100 0000 00C0 1E 0100 42 03 FF00 "
                               "39 0000 0200 0000 44 0000 00C0 1E 0000 42 03 FF00 03 "
                               "39 0000 0100 0000 44 0100 00C0 1E 0200 42 03 FF00 03")));
    std::string expected =
        "AE01 0400 0300 0104 "                                      // this workbook, 3 sheets
        "AE01 0400 0100 013A "                                      // the add-in functions
        "2300 1100 0000 00000000 05 00 4544415445 0200 1C17 "       // EDATE
        "2300 1300 0000 00000000 07 00 454F4D4F4E5448 0200 1C17 "   // EOMONTH
        "1700 0E00 0200 0100 FEFF FEFF 0000 0100 0100";             // add-ins, Calc
    EXPECT_EQ(hexText(formulas.globalRecords()), hexText(hexBytes(expected)));
}

TEST(WorkbookFormulas, PrintRangesAndTitlesBecomeBuiltInNamesOfTheirSheet)
{
    Workbook book = threeSheets();
    book.sheets[1].printRanges = "Calc.A1:Calc.C5 $Calc.$E$2:.$F$3";
    book.sheets[1].titleRows = LineSpan{0, 1};
    book.sheets[1].titleColumns = LineSpan{0, 0};
    book.sheets[0].printRanges = "'Other'.A1:.B2";  // not this sheet's
    Warnings warnings;
    WorkbookFormulas formulas(book, warnings);
    EXPECT_EQ(warnings.size(), 1u);
    EXPECT_TRUE(mentions(warnings, "Data: print range 'Other'.A1:.B2 left out"));
    std::string expected =
        "AE01 0400 0300 0104 "
        "1700 0800 0100 0000 0100 0100 "  // Calc
        // Print_Area (built-in 06) on Calc: the union of two areas, announced by tMemFunc
        "1800 2A00 2000 00 01 1A00 0000 0200 00000000 00 06 "
        "29 1700 3B 0000 0000 0400 0000 0200 3B 0000 0100 0200 0400 0500 10 "
        // Print_Titles (built-in 07): rows 1-2 across all columns, column A down all rows
        "1800 2A00 2000 00 01 1A00 0000 0200 00000000 00 07 "
        "29 1700 3B 0000 0000 0100 0000 FF00 3B 0000 0000 FFFF 0000 0000 10";
    EXPECT_EQ(hexText(formulas.globalRecords()), hexText(hexBytes(expected)));
}

TEST(WorkbookFormulas, LinksIntoAnotherFileCarryItsCachedValues)
{
    Workbook book = threeSheets();
    addFormula(book, 0, 0, 0, "of:=['file:///tmp/b.ods'#$Prices.B1]");
    Sheet prices;
    prices.name = "'file:///tmp/b.ods'#Prices";
    Row first{.index = 0};
    first.cells.push_back(Cell{.column = 0, .type = CellType::Text, .text = book.strings.intern("tea")});
    first.cells.push_back(Cell{.column = 1, .type = CellType::Number, .number = 3.5});
    first.cells.push_back(Cell{.column = 2, .repeat = 100});  // empty cells are not cached
    Row third{.index = 2};
    third.cells.push_back(Cell{.column = 0, .type = CellType::Boolean, .number = 1});
    prices.rows = {first, third};
    book.linkedSheets.push_back(prices);
    Warnings warnings;
    WorkbookFormulas formulas(book, warnings);
    EXPECT_TRUE(warnings.empty());
    ASSERT_NE(formulas.cellFormula(0, 0), nullptr);
    EXPECT_EQ(hexText(formulas.cellFormula(0, 0)->tokens), hexText(hexBytes("5A 0000 0000 01C0")));
    std::string expected =
        "AE01 0400 0300 0104 "
        // the other file: one sheet; its name encoded as root, "tmp", separator, "b.ods"
        "AE01 1900 0100 0B00 00 0102746D7003622E6F6473 0600 00 507269636573 "
        // XCT: two cached rows of sheet 0; CRN of A1:B1 (text, number) and of A3 (true)
        "5900 0400 0200 0000 "
        "5A00 1400 01 00 0000 02 0300 00 746561 01 000000000000 0C40 "
        "5A00 0D00 00 00 0200 04 01 00000000000000 "
        "1700 0800 0100 0100 0000 0000";
    EXPECT_EQ(hexText(formulas.globalRecords()), hexText(hexBytes(expected)));
}

TEST(WorkbookFormulas, EncodesTheNamesOfLinkedFiles)
{
    auto encoded = [](const char* url) {
        std::string text;
        for (char16_t c : encodedDocumentName(url))
            text += c < 0x20 ? "<" + std::to_string(static_cast<int>(c)) + ">" : std::string(1, static_cast<char>(c));
        return text;
    };
    EXPECT_EQ(encoded("file:///C:/Reports/q%201.xls"), "<1><1>CReports<3>q 1.xls");
    EXPECT_EQ(encoded("file:///home/ann/b.ods"), "<1><2>home<3>ann<3>b.ods");
    EXPECT_EQ(encoded("file://server/share/b.ods"), "<1><1>@server<3>share<3>b.ods");
    EXPECT_EQ(encoded("https://example.org/b.xls"), "<1><5><25>https://example.org/b.xls");
}

TEST(WorkbookFormulas, NamesRelativeToTheirBaseCell)
{
    Workbook book = threeSheets();
    book.names.push_back(DefinedName{.name = "Above", .text = "$Data.B1", .baseCell = "$Calc.$B$2"});
    book.names.push_back(DefinedName{.name = "Broken", .text = "$Data.B1", .baseCell = "$Nowhere.$A$1"});
    Warnings warnings;
    WorkbookFormulas formulas(book, warnings);
    EXPECT_TRUE(mentions(warnings, "Name 'Broken' left out"));
    // One row up (offset FFFF), same column (offset 0).
    std::string expected =
        "AE01 0400 0300 0104 "
        "1700 0800 0100 0000 0000 0000 "
        "1800 1B00 0000 00 05 0700 0000 0000 00000000 00 41626F7665 3A 0000 FFFF 00C0";
    EXPECT_EQ(hexText(formulas.globalRecords()), hexText(hexBytes(expected)));
}

TEST(WorkbookFormulas, LeavesOutNamesExcelRefuses)
{
    Workbook book = threeSheets();
    book.names.push_back(DefinedName{.name = "AB12", .text = "$Data.$A$1"});          // a cell address
    book.names.push_back(DefinedName{.name = "R1C1", .text = "$Data.$A$1"});          // also an address
    book.names.push_back(DefinedName{.name = "Far", .text = "$Data.$A$70000"});       // beyond the grid
    book.names.push_back(DefinedName{.name = "UsesFar", .text = "of:=Far+1", .isExpression = true});
    book.names.push_back(DefinedName{.name = "Fine", .text = "$Data.$A$1"});
    addFormula(book, 0, 0, 0, "of:=UsesFar");
    addFormula(book, 0, 1, 0, "of:=Fine");
    Warnings warnings;
    WorkbookFormulas formulas(book, warnings);
    EXPECT_TRUE(mentions(warnings, "Name 'AB12' left out"));
    EXPECT_TRUE(mentions(warnings, "Name 'R1C1' left out"));
    EXPECT_TRUE(mentions(warnings, "Name 'Far' left out"));
    EXPECT_TRUE(mentions(warnings, "Name 'UsesFar' left out"));
    EXPECT_TRUE(mentions(warnings, "Data!A1: formula kept as its value"));
    ASSERT_NE(formulas.cellFormula(0, 1), nullptr);
    // Fine is the only NAME record left, so it is name 1.
    EXPECT_EQ(hexText(formulas.cellFormula(0, 1)->tokens), hexText(hexBytes("43 0100 0000")));
}

TEST(WorkbookFormulas, ExcelNameRules)
{
    EXPECT_TRUE(isValidExcelName("Tax_Rate"));
    EXPECT_TRUE(isValidExcelName("_x.y"));
    EXPECT_TRUE(isValidExcelName("IW1"));  // IW is past the last column
    EXPECT_TRUE(isValidExcelName("A1B"));
    EXPECT_TRUE(isValidExcelName("a0"));  // rows count from 1
    EXPECT_TRUE(isValidExcelName("IV65537"));
    EXPECT_FALSE(isValidExcelName("A1"));
    EXPECT_FALSE(isValidExcelName("iv65536"));
    EXPECT_FALSE(isValidExcelName("R"));
    EXPECT_FALSE(isValidExcelName("C12"));
    EXPECT_FALSE(isValidExcelName("1st"));
    EXPECT_FALSE(isValidExcelName("a b"));
    EXPECT_FALSE(isValidExcelName(""));
    EXPECT_FALSE(isValidExcelName(std::string(256, 'n')));
    EXPECT_EQ(cellAddress(0, 0), "A1");
    EXPECT_EQ(cellAddress(65535, 255), "IV65536");
    EXPECT_EQ(cellAddress(9, 16383), "XFD10");
}

}  // namespace
}  // namespace brindlemoor::office::formula
