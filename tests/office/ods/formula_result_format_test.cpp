// The formats values show in when their cell's style gives none: the
// defaults of styled cells by value type, and formula results that show in
// the format of the cell they hand on.
#include "package_builder.h"

#include <gtest/gtest.h>

namespace brindlemoor::office::testing {
namespace {

class ShownFormats : public ::testing::Test {
protected:
    Workbook readBody(const std::string& body, const std::string& styles) {
        const auto file = dir.file("shown.ods");
        writeSpreadsheet(file, contentXml(styles, body));
        return read(file, &warnings);
    }
    static std::string code(const Workbook& book, std::size_t sheet, ColumnIndex column) {
        const Cell* cell = cellAt(book.sheets.at(sheet), 0, column);
        return cell ? book.formats.at(cell->format).numberFormat : "(no cell)";
    }
    TempDir dir;
    std::vector<std::string> warnings;
};

constexpr const char* kStyles = R"xml(
    <number:number-style style:name="N4"><number:number number:decimal-places="4" number:min-integer-digits="1"/></number:number-style>
    <style:style style:name="plain" style:family="table-cell" style:parent-style-name="Default"/>
    <style:style style:name="lost" style:family="table-cell" style:parent-style-name="Default" style:data-style-name="N99"/>
    <style:style style:name="four" style:family="table-cell" style:parent-style-name="Default" style:data-style-name="N4"/>
    <style:style style:name="bold" style:family="table-cell" style:parent-style-name="Default"><style:text-properties fo:font-weight="bold"/></style:style>)xml";

TEST_F(ShownFormats, StyledValuesWithoutADataStyleShowAsTheOfficeShowsThem) {
    const Workbook book = readBody(R"xml(<table:table table:name="T"><table:table-row>
        <table:table-cell table:style-name="plain" office:value-type="date" office:date-value="2024-01-15"/>
        <table:table-cell table:style-name="lost" office:value-type="date" office:date-value="2024-01-15T18:00:00"/>
        <table:table-cell table:style-name="plain" office:value-type="time" office:time-value="PT1H30M"/>
        <table:table-cell table:style-name="plain" office:value-type="currency" office:currency="EUR" office:value="3"/>
        <table:table-cell table:style-name="plain" office:value-type="percentage" office:value="0.5"/>
        <table:table-cell office:value-type="date" office:date-value="2024-01-15"/>
        <table:table-cell office:value-type="currency" office:currency="EUR" office:value="3"/>
        </table:table-row></table:table>)xml", kStyles);
    EXPECT_EQ(code(book, 0, 0), "MM/DD/YY HH:MM AM/PM");
    EXPECT_EQ(code(book, 0, 1), "MM/DD/YY HH:MM AM/PM") << "a data style the document lacks";
    EXPECT_EQ(code(book, 0, 2), "HH:MM:SS AM/PM");
    EXPECT_EQ(code(book, 0, 3), "General");
    EXPECT_EQ(code(book, 0, 4), "0.00%");
    // Without any style the value still shows what it is.
    EXPECT_EQ(code(book, 0, 5), "YYYY-MM-DD");
    EXPECT_EQ(code(book, 0, 6), "#,##0.00");
}

TEST_F(ShownFormats, FormulaResultsShowInTheFormatOfTheCellTheyHandOn) {
    const Workbook book = readBody(R"xml(<table:table table:name="T"><table:table-row>
        <table:table-cell table:style-name="four" office:value-type="float" office:value="1.5"/>
        <table:table-cell table:formula="of:=[.A1]" office:value-type="float" office:value="1.5"/>
        <table:table-cell table:formula="of:=IF([.A1]&gt;2;[.A1]*2;[.A1])" office:value-type="float" office:value="1.5"/>
        <table:table-cell table:formula="of:=IF([.A1]&lt;2;[.A1]*2;[.A1])" office:value-type="float" office:value="3"/>
        <table:table-cell table:formula="of:=[.B1]" table:style-name="bold" office:value-type="float" office:value="1.5"/>
        <table:table-cell table:formula="of:=[$'Other ''one'''.$A$1]" office:value-type="float" office:value="2"/>
        <table:table-cell table:formula="of:=SUM([.A1:.A1])" office:value-type="float" office:value="1.5"/>
        <table:table-cell table:formula="of:=[.A1]*2" office:value-type="float" office:value="3"/>
        <table:table-cell table:formula="of:=[.Z9]" office:value-type="float" office:value="0"/>
        <table:table-cell table:formula="of:=[.A1]" table:style-name="lost" office:value-type="string" office:string-value="x"/>
        </table:table-row></table:table>
        <table:table table:name="Other 'one'"><table:table-row>
        <table:table-cell table:style-name="four" office:value-type="float" office:value="2"/>
        </table:table-row></table:table>)xml", kStyles);
    EXPECT_EQ(code(book, 0, 1), "0.0000");
    EXPECT_EQ(code(book, 0, 2), "0.0000") << "the branch IF takes hands the cell on";
    EXPECT_EQ(code(book, 0, 3), "General") << "the branch taken computes";
    EXPECT_EQ(code(book, 0, 4), "0.0000") << "through another formula";
    EXPECT_TRUE(book.formats.at(cellAt(book.sheets[0], 0, 4)->format).font.bold) << "the rest of its style is kept";
    EXPECT_EQ(code(book, 0, 5), "0.0000") << "from another sheet";
    EXPECT_EQ(code(book, 0, 6), "General");
    EXPECT_EQ(code(book, 0, 7), "General");
    EXPECT_EQ(code(book, 0, 8), "General") << "an empty cell";
    EXPECT_EQ(code(book, 0, 9), "General") << "text";
}

}  // namespace
}  // namespace brindlemoor::office::testing
