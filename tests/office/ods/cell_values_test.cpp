// Cell values, text, runs, merges and formulas from documents built here.
#include "package_builder.h"

#include <gtest/gtest.h>

namespace brindlemoor::office::testing {
namespace {

class CellValues : public ::testing::Test {
protected:
    Workbook readBody(const std::string& body, const std::string& styles = {}) {
        const auto file = dir.file("values.ods");
        writeSpreadsheet(file, contentXml(styles, body));
        return read(file, &warnings);
    }
    TempDir dir;
    std::vector<std::string> warnings;
};

TEST_F(CellValues, ReadsEachValueType) {
    const Workbook book = readBody(R"(<table:table table:name="Values"><table:table-row>
        <table:table-cell office:value-type="float" office:value="1.5"><text:p>1.5</text:p></table:table-cell>
        <table:table-cell office:value-type="percentage" office:value="0.25"><text:p>25%</text:p></table:table-cell>
        <table:table-cell office:value-type="currency" office:currency="EUR" office:value="-3"><text:p>-3 €</text:p></table:table-cell>
        <table:table-cell office:value-type="date" office:date-value="2024-01-15"><text:p>15.01.24</text:p></table:table-cell>
        <table:table-cell office:value-type="date" office:date-value="2024-01-15T18:00:00"/>
        <table:table-cell office:value-type="time" office:time-value="PT36H30M00S"/>
        <table:table-cell office:value-type="boolean" office:boolean-value="true"><text:p>TRUE</text:p></table:table-cell>
        <table:table-cell office:value-type="boolean" office:boolean-value="false"/>
        <table:table-cell office:value-type="string"><text:p>plain</text:p></table:table-cell>
        <table:table-cell/>
        <table:table-cell office:value-type="float" office:value="7"/>
        <table:table-cell office:value-type="boolean" office:boolean-value="1.2345"/>
        </table:table-row></table:table>)");
    ASSERT_EQ(book.sheets.size(), 1u);
    const Sheet& sheet = book.sheets[0];
    EXPECT_EQ(sheet.name, "Values");
    const auto number = [&](ColumnIndex c) { return cellAt(sheet, 0, c)->number; };
    EXPECT_EQ(cellAt(sheet, 0, 0)->type, CellType::Number);
    EXPECT_EQ(number(0), 1.5);
    EXPECT_EQ(number(1), 0.25);
    EXPECT_EQ(number(2), -3);
    EXPECT_EQ(number(3), 45306);
    EXPECT_DOUBLE_EQ(number(4), 45306.75);
    EXPECT_DOUBLE_EQ(number(5), 36.5 / 24);
    EXPECT_EQ(cellAt(sheet, 0, 6)->type, CellType::Boolean);
    EXPECT_EQ(number(6), 1);
    EXPECT_EQ(cellAt(sheet, 0, 7)->type, CellType::Boolean);
    EXPECT_EQ(number(7), 0);
    EXPECT_EQ(textOf(book, *cellAt(sheet, 0, 8)), "plain");
    EXPECT_EQ(cellAt(sheet, 0, 9), nullptr) << "an empty cell without a style is not stored";
    EXPECT_EQ(number(10), 7);
    EXPECT_EQ(number(11), 1) << "any number but zero is true";

    // Values without a number format of their own still show as what they are.
    const auto code = [&](ColumnIndex c) { return book.formats[cellAt(sheet, 0, c)->format].numberFormat; };
    EXPECT_EQ(code(0), "General");
    EXPECT_EQ(code(1), "0.00%");
    EXPECT_EQ(code(3), "YYYY-MM-DD");
    EXPECT_EQ(code(4), "YYYY-MM-DD HH:MM:SS");
    EXPECT_EQ(code(5), "[HH]:MM:SS");
    EXPECT_EQ(code(6), "\"TRUE\";\"TRUE\";\"FALSE\"") << "a reader that keeps 1 or 0 still shows the word";
    EXPECT_EQ(code(10), "General");
}

TEST_F(CellValues, FlattensParagraphsSpansSpacesAndLinks) {
    const Workbook book = readBody(R"(<table:table table:name="T"><table:table-row>
        <table:table-cell office:value-type="string"><text:p>first</text:p><text:p>second <text:span>span</text:span></text:p></table:table-cell>
        <table:table-cell office:value-type="string"><text:p>a<text:s text:c="3"/>b<text:tab/>c<text:line-break/>d<text:s/></text:p></table:table-cell>
        <table:table-cell office:value-type="string"><text:p>see <text:a xlink:href="https://example.org/x">the site</text:a></text:p></table:table-cell>
        <table:table-cell office:value-type="string"><text:p>
            spread   over
            lines</text:p></table:table-cell>
        <table:table-cell office:value-type="string" office:string-value="from the attribute"><text:p>shown</text:p></table:table-cell>
        <table:table-cell office:value-type="string"><text:p>ends in a space </text:p></table:table-cell>
        <table:table-cell><text:p/></table:table-cell>
        </table:table-row></table:table>)");
    const Sheet& sheet = book.sheets[0];
    EXPECT_EQ(textOf(book, *cellAt(sheet, 0, 0)), "first\nsecond span");
    EXPECT_EQ(textOf(book, *cellAt(sheet, 0, 1)), "a   bc\nd ") << "a tab stop is no character of a cell's text";
    const Cell* linked = cellAt(sheet, 0, 2);
    EXPECT_EQ(textOf(book, *linked), "see the site");
    ASSERT_NE(linked->hyperlink, kNone);
    EXPECT_EQ(sheet.hyperlinks[linked->hyperlink].target, "https://example.org/x");
    EXPECT_EQ(sheet.hyperlinks[linked->hyperlink].range.firstColumn, 2u);
    EXPECT_EQ(textOf(book, *cellAt(sheet, 0, 3)), "\n            spread   over\n            lines")
        << "white space in cell text is kept as written, as spreadsheet programs read it";
    EXPECT_EQ(textOf(book, *cellAt(sheet, 0, 4)), "from the attribute");
    EXPECT_EQ(textOf(book, *cellAt(sheet, 0, 5)), "ends in a space ");
    ASSERT_NE(cellAt(sheet, 0, 6), nullptr) << "an empty paragraph is an empty text";
    EXPECT_EQ(cellAt(sheet, 0, 6)->type, CellType::Text);
}

TEST_F(CellValues, KeepsRepeatedRowsAndColumnsAsRuns) {
    const Workbook book = readBody(R"(<table:table table:name="Runs">
        <table:table-column table:number-columns-repeated="16384"/>
        <table:table-row table:number-rows-repeated="3">
          <table:table-cell office:value-type="float" office:value="4" table:number-columns-repeated="5"/>
          <table:table-cell table:number-columns-repeated="16379"/>
        </table:table-row>
        <table:table-row table:number-rows-repeated="1048573"><table:table-cell table:number-columns-repeated="16384"/></table:table-row>
        </table:table>)");
    const Sheet& sheet = book.sheets[0];
    ASSERT_EQ(sheet.rows.size(), 1u) << "the empty filler rows are not kept";
    EXPECT_EQ(sheet.rows[0].repeat, 3u);
    ASSERT_EQ(sheet.rows[0].cells.size(), 1u);
    EXPECT_EQ(sheet.rows[0].cells[0].repeat, 5u);
    EXPECT_EQ(cellAt(sheet, 2, 4)->number, 4);
    ASSERT_EQ(sheet.columns.size(), 1u);
    EXPECT_EQ(sheet.columns[0].repeat, 16384u);
}

TEST_F(CellValues, HostileRepeatCountsAreBoundedToTheSheetSize) {
    const Workbook book = readBody(R"(<table:table table:name="Huge">
        <table:table-row table:number-rows-repeated="4000000000">
          <table:table-cell office:value-type="float" office:value="1" table:number-columns-repeated="99999999"/>
        </table:table-row>
        <table:table-row><table:table-cell office:value-type="float" office:value="2"/></table:table-row>
        </table:table><table:table table:name="Spans"><table:table-row>
          <table:table-cell table:number-columns-spanned="70000" table:number-rows-spanned="99999999" office:value-type="float" office:value="3"/>
        </table:table-row></table:table>)");
    const Sheet& sheet = book.sheets[0];
    ASSERT_EQ(sheet.rows.size(), 1u) << "rows beyond the last one a sheet can have are dropped";
    EXPECT_EQ(sheet.rows[0].repeat, 1048576u);
    EXPECT_EQ(sheet.rows[0].cells[0].repeat, 16384u);
    const CellRange& merge = book.sheets[1].merges.at(0);
    EXPECT_EQ(merge.lastRow, 1048575u);
    EXPECT_EQ(merge.lastColumn, 16383u);
}

TEST_F(CellValues, SpansAndCoveredCellsBecomeMerges) {
    const Workbook book = readBody(R"(<table:table table:name="M"><table:table-row>
          <table:table-cell table:number-columns-spanned="2" table:number-rows-spanned="3" office:value-type="string"><text:p>big</text:p></table:table-cell>
          <table:covered-table-cell/>
          <table:table-cell office:value-type="float" office:value="9"/>
        </table:table-row>
        <table:table-row><table:covered-table-cell table:number-columns-repeated="2"/><table:table-cell office:value-type="float" office:value="10"/></table:table-row>
        </table:table>)");
    const Sheet& sheet = book.sheets[0];
    ASSERT_EQ(sheet.merges.size(), 1u);
    EXPECT_EQ(sheet.merges[0].firstRow, 0u);
    EXPECT_EQ(sheet.merges[0].firstColumn, 0u);
    EXPECT_EQ(sheet.merges[0].lastRow, 2u);
    EXPECT_EQ(sheet.merges[0].lastColumn, 1u);
    EXPECT_EQ(cellAt(sheet, 0, 2)->number, 9) << "covered cells take their columns";
    EXPECT_EQ(cellAt(sheet, 1, 2)->number, 10);
}

TEST_F(CellValues, FormulasKeepTheirTextAndCachedResult) {
    const Workbook book = readBody(R"x(<table:table table:name="F"><table:table-row>
          <table:table-cell table:formula="of:=[.B1]*2" office:value-type="float" office:value="6"/>
          <table:table-cell table:formula="of:=&quot;a&quot;&amp;&quot;b&quot;" office:value-type="string" office:string-value="ab"><text:p>ab</text:p></table:table-cell>
          <table:table-cell table:formula="of:=1/0" office:value-type="float" office:value="0" calcext:value-type="error"><text:p>#DIV/0!</text:p></table:table-cell>
          <table:table-cell table:formula="of:=MMULT([.A1:.A2];[.B1:.C1])" table:number-matrix-columns-spanned="2" table:number-matrix-rows-spanned="2" office:value-type="float" office:value="1"/>
        </table:table-row></table:table>)x");
    const Sheet& sheet = book.sheets[0];
    const Cell* product = cellAt(sheet, 0, 0);
    ASSERT_NE(product->formula, kNone);
    EXPECT_EQ(book.formulas[product->formula].text, "of:=[.B1]*2");
    EXPECT_EQ(product->number, 6);
    const Cell* joined = cellAt(sheet, 0, 1);
    EXPECT_EQ(book.formulas[joined->formula].text, "of:=\"a\"&\"b\"");
    EXPECT_EQ(textOf(book, *joined), "ab");
    const Cell* error = cellAt(sheet, 0, 2);
    EXPECT_EQ(error->type, CellType::Error);
    EXPECT_EQ(error->number, 0x07);
    const Formula& matrix = book.formulas[cellAt(sheet, 0, 3)->formula];
    EXPECT_TRUE(matrix.isArray);
    EXPECT_EQ(matrix.arrayRange.firstColumn, 3u);
    EXPECT_EQ(matrix.arrayRange.lastColumn, 4u);
    EXPECT_EQ(matrix.arrayRange.lastRow, 1u);
}

TEST_F(CellValues, SheetsKeepOrderNamesAndVisibility) {
    const Workbook book = readBody(
        R"(<table:table table:name="One" table:style-name="ta1"/><table:table table:name="Two" table:style-name="ta2"/>)"
        R"(<table:named-expressions><table:named-range table:name="Total" table:base-cell-address="$One.$A$1" table:cell-range-address="$One.$A$1:.$B$4"/></table:named-expressions>)",
        R"(<style:style style:name="ta1" style:family="table"><style:table-properties table:display="true"/></style:style>)"
        R"(<style:style style:name="ta2" style:family="table"><style:table-properties table:display="false" tableooo:tab-color="#ff0000"/></style:style>)");
    ASSERT_EQ(book.sheets.size(), 2u);
    EXPECT_EQ(book.sheets[0].name, "One");
    EXPECT_TRUE(book.sheets[0].visible);
    EXPECT_EQ(book.sheets[1].name, "Two");
    EXPECT_FALSE(book.sheets[1].visible);
    EXPECT_EQ(book.sheets[1].view.tabColor, (Color{255, 0, 0}));
    ASSERT_EQ(book.names.size(), 1u);
    EXPECT_EQ(book.names[0].name, "Total");
    EXPECT_EQ(book.names[0].text, "$One.$A$1:.$B$4");
    EXPECT_EQ(book.names[0].sheet, kNone);
}

TEST_F(CellValues, AWorkbookWithoutSheetsGetsAnEmptyOne) {
    const Workbook book = readBody("");
    ASSERT_EQ(book.sheets.size(), 1u);
    EXPECT_TRUE(book.sheets[0].rows.empty());
}

TEST_F(CellValues, DocumentsCountingFrom1904KeepTheirSerials) {
    const Workbook book = readBody(
        R"(<table:calculation-settings><table:null-date table:date-value="1904-01-01"/></table:calculation-settings>)"
        R"(<table:table table:name="D"><table:table-row>)"
        R"(<table:table-cell table:style-name="ce1" office:value-type="float" office:value="1"/>)"
        R"(<table:table-cell office:value-type="float" office:value="1"/>)"
        R"(<table:table-cell office:value-type="date" office:date-value="1904-01-02"/>)"
        R"(<table:table-cell office:value-type="date" office:date-value="1900-03-01T12:00:00"/>)"
        R"(</table:table-row></table:table>)",
        R"(<number:date-style style:name="N1"><number:year/></number:date-style>)"
        R"(<style:style style:name="ce1" style:family="table-cell" style:data-style-name="N1"/>)");
    EXPECT_TRUE(book.dates1904);
    const Sheet& sheet = book.sheets[0];
    EXPECT_EQ(cellAt(sheet, 0, 0)->number, 1) << "the workbook counts from 1904 too: a number shown as a date is unchanged";
    EXPECT_EQ(cellAt(sheet, 0, 1)->number, 1);
    EXPECT_EQ(cellAt(sheet, 0, 2)->number, 1) << "dates are days since 1904-01-01";
    EXPECT_EQ(cellAt(sheet, 0, 3)->number, 61.5 - 1462) << "earlier dates fall below zero";
}

TEST_F(CellValues, FloatDatesFollowAnyOtherNullDate) {
    const Workbook book = readBody(
        R"(<table:calculation-settings><table:null-date table:date-value="1900-01-01"/></table:calculation-settings>)"
        R"(<table:table table:name="D"><table:table-row>)"
        R"(<table:table-cell table:style-name="ce1" office:value-type="float" office:value="0"/>)"
        R"(<table:table-cell office:value-type="float" office:value="0"/>)"
        R"(<table:table-cell office:value-type="date" office:date-value="1900-01-01"/>)"
        R"(</table:table-row></table:table>)",
        R"(<number:date-style style:name="N1"><number:year/></number:date-style>)"
        R"(<style:style style:name="ce1" style:family="table-cell" style:data-style-name="N1"/>)");
    EXPECT_FALSE(book.dates1904);
    const Sheet& sheet = book.sheets[0];
    EXPECT_EQ(cellAt(sheet, 0, 0)->number, 2) << "a number shown as a date keeps showing that date";
    EXPECT_EQ(cellAt(sheet, 0, 1)->number, 0) << "a plain number is left alone";
    EXPECT_EQ(cellAt(sheet, 0, 2)->number, 2);
}

TEST_F(CellValues, AnnotationsAndUnconvertedObjectsAreReported) {
    const Workbook book = readBody(R"(<table:table table:name="Notes"><table:shapes>
          <draw:frame><draw:image xlink:href="Pictures/a.png"/></draw:frame>
          <draw:frame><draw:image xlink:href="Pictures/b.png"/></draw:frame>
          <draw:frame><draw:object xlink:href="./Object 1"/></draw:frame>
        </table:shapes><table:table-row>
          <table:table-cell office:value-type="float" office:value="1">
            <office:annotation office:display="true"><dc:creator>Ann</dc:creator><dc:date>2024-01-01T00:00:00</dc:date>
              <text:p>check</text:p><text:p>this</text:p></office:annotation><text:p>1</text:p></table:table-cell>
          <table:table-cell><office:annotation><text:p>on an empty cell</text:p></office:annotation></table:table-cell>
        </table:table-row></table:table>)");
    const Sheet& sheet = book.sheets[0];
    const Cell* noted = cellAt(sheet, 0, 0);
    ASSERT_NE(noted->annotation, kNone);
    EXPECT_EQ(sheet.annotations[noted->annotation].author, "Ann");
    EXPECT_EQ(sheet.annotations[noted->annotation].text, "check\nthis");
    EXPECT_TRUE(sheet.annotations[noted->annotation].visible);
    EXPECT_EQ(noted->number, 1);
    ASSERT_NE(cellAt(sheet, 0, 1), nullptr);
    EXPECT_EQ(sheet.annotations[cellAt(sheet, 0, 1)->annotation].text, "on an empty cell");
    // The pictures are not in the package.
    EXPECT_EQ(warnings, (std::vector<std::string>{"Notes: 2 images not converted (missing, or not a PNG or JPEG picture)",
                                                  "Notes: 1 chart or embedded object not converted (its object is missing from the file)"}));
}

// What office suites read for a typed cell whose value is missing or does not
// parse: 0, in the cell's format. Each such cell is named in the warnings.
TEST_F(CellValues, ValuesThatDoNotParseAreReadAsZeroAndNamed) {
    const Workbook book = readBody(R"(<table:table table:name="Odd"><table:table-row>
        <table:table-cell table:style-name="ce1" office:value-type="date" office:date-value="INVALID_DATE"><text:p>INVALID DATE</text:p></table:table-cell>
        <table:table-cell office:value-type="time" office:time-value="INVALID_TIME"><text:p>INVALID TIME</text:p></table:table-cell>
        <table:table-cell office:value-type="float" office:value="abc"><text:p>abc</text:p></table:table-cell>
        <table:table-cell office:value-type="percentage" office:value=""><text:p>x</text:p></table:table-cell>
        <table:table-cell office:value-type="boolean" office:boolean-value="maybe"><text:p>maybe</text:p></table:table-cell>
        <table:table-cell office:value-type="currency" office:currency="USD"><text:p>$5</text:p></table:table-cell>
        <table:table-cell office:value-type="boolean"><text:p>TRUE</text:p></table:table-cell>
        <table:table-cell office:value-type="float" table:number-columns-repeated="3"/>
        <table:table-cell office:value-type="date" office:date-value="2024-13-45"/>
        </table:table-row></table:table>)",
        R"(<style:style style:name="ce1" style:family="table-cell" style:data-style-name="missing"/>)");
    const Sheet& sheet = book.sheets[0];
    for (ColumnIndex c : {0, 1, 2, 3, 5}) {
        const Cell* cell = cellAt(sheet, 0, c);
        ASSERT_NE(cell, nullptr) << c;
        EXPECT_EQ(cell->type, CellType::Number) << c;
        EXPECT_EQ(cell->number, 0) << c;
    }
    for (ColumnIndex c : {4, 6}) {
        ASSERT_NE(cellAt(sheet, 0, c), nullptr) << c;
        EXPECT_EQ(cellAt(sheet, 0, c)->type, CellType::Boolean) << c;
        EXPECT_EQ(cellAt(sheet, 0, c)->number, 0) << c;
    }
    EXPECT_EQ(cellAt(sheet, 0, 7), nullptr) << "an empty typed cell without a value stays empty";
    EXPECT_EQ(cellAt(sheet, 0, 10)->number, 0) << "a value that does not parse counts even without text";

    // Still in the format of its type, as the office shows the 0.
    const auto code = [&](ColumnIndex c) { return book.formats[cellAt(sheet, 0, c)->format].numberFormat; };
    EXPECT_EQ(code(0), "MM/DD/YY HH:MM AM/PM");
    EXPECT_EQ(code(1), "[HH]:MM:SS");
    EXPECT_EQ(code(3), "0.00%");

    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0],
              "Odd: 8 cells whose value is missing or does not parse written as 0, as office suites read them: "
              "A1 (the date \"INVALID_DATE\" is not a date), B1 (the time \"INVALID_TIME\" is not a time), "
              "C1 (the number \"abc\" is not a number), D1 (the percentage \"\" is not a number), "
              "E1 (the boolean \"maybe\" is neither true nor false), ...");
}

TEST_F(CellValues, OneValueThatDoesNotParseIsNamedWithItsCell) {
    const Workbook book = readBody(
        R"(<table:calculation-settings><table:null-date table:date-value="1904-01-01"/></table:calculation-settings>)"
        R"(<table:table table:name="Sheet1"><table:table-row><table:table-cell/>)"
        R"(<table:table-cell office:value-type="date" office:date-value="2024-01-15Tnoon"><text:p>noon</text:p></table:table-cell>)"
        R"(</table:table-row></table:table>)");
    EXPECT_EQ(cellAt(book.sheets[0], 0, 1)->number, 0) << "0 is the null date of the workbook, 1904 here";
    EXPECT_EQ(warnings, (std::vector<std::string>{
                            "Sheet1!B1: the date \"2024-01-15Tnoon\" is not a date; written as 0 as office suites read it"}));
}

TEST_F(CellValues, AMissingValueIsNamedWithTheTextTheCellShows) {
    const std::string longText(60, 'x');
    readBody(R"(<table:table table:name="S"><table:table-row>)"
             R"(<table:table-cell office:value-type="currency"><text:p>)" + longText + R"(</text:p></table:table-cell>)"
             R"(</table:table-row></table:table>)");
    EXPECT_EQ(warnings, (std::vector<std::string>{"S!A1: the currency cell \"" + std::string(40, 'x') +
                                                  "...\" holds no value; written as 0 as office suites read it"}));
}

TEST_F(CellValues, DatesReadAsZeroShowTheNullDate) {
    const Workbook book = readBody(
        R"(<table:calculation-settings><table:null-date table:date-value="1900-01-01"/></table:calculation-settings>)"
        R"(<table:table table:name="D"><table:table-row>)"
        R"(<table:table-cell office:value-type="date" office:date-value="never"><text:p>never</text:p></table:table-cell>)"
        R"(<table:table-cell office:value-type="time" office:time-value="never"><text:p>never</text:p></table:table-cell>)"
        R"(</table:table-row></table:table>)");
    EXPECT_EQ(cellAt(book.sheets[0], 0, 0)->number, 2) << "1900-01-01, as the office shows the 0";
    EXPECT_EQ(cellAt(book.sheets[0], 0, 1)->number, 0) << "a duration has no null date";
}

TEST_F(CellValues, AFormulaStoredAsZeroShowingAnErrorHasTheErrorAsItsResult) {
    const Workbook book = readBody(R"(<table:table table:name="E"><table:table-row>
        <table:table-cell table:formula="of:=a0" office:value-type="float" office:value="0"><text:p>#NAME?</text:p></table:table-cell>
        <table:table-cell table:formula="of:=3/0" office:value-type="float" office:value="0"><text:p>#DIV/0!</text:p></table:table-cell>
        <table:table-cell table:formula="of:=1-1" office:value-type="float" office:value="0"><text:p>0</text:p></table:table-cell>
        <table:table-cell office:value-type="float" office:value="0"><text:p>#N/A</text:p></table:table-cell>
        <table:table-cell table:formula="of:=NA()+7" office:value-type="float" office:value="7"><text:p>#N/A</text:p></table:table-cell>
        </table:table-row></table:table>)");
    const Sheet& sheet = book.sheets[0];
    EXPECT_EQ(cellAt(sheet, 0, 0)->type, CellType::Error);
    EXPECT_EQ(cellAt(sheet, 0, 0)->number, 0x1D);
    EXPECT_EQ(cellAt(sheet, 0, 1)->type, CellType::Error);
    EXPECT_EQ(cellAt(sheet, 0, 1)->number, 0x07);
    EXPECT_EQ(cellAt(sheet, 0, 2)->type, CellType::Number);
    EXPECT_EQ(cellAt(sheet, 0, 3)->type, CellType::Number) << "a value, not a formula, is what its attribute says";
    EXPECT_EQ(cellAt(sheet, 0, 4)->type, CellType::Number) << "a stored number other than 0 is a number";
    EXPECT_TRUE(warnings.empty());
}

}  // namespace
}  // namespace brindlemoor::office::testing
