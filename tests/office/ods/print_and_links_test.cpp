// What formulas and the print setup need from a sheet beyond its cells:
// print ranges, repeated header rows and columns, the base cell of names,
// and other files' sheets kept for links.
#include "package_builder.h"

#include <gtest/gtest.h>

namespace brindlemoor::office::testing {
namespace {

class PrintAndLinks : public ::testing::Test {
protected:
    Workbook readBody(const std::string& body) {
        const auto file = dir.file("print.ods");
        writeSpreadsheet(file, contentXml({}, body));
        return read(file, &warnings);
    }
    TempDir dir;
    std::vector<std::string> warnings;
};

TEST_F(PrintAndLinks, HeaderRowsAndColumnsArePrintTitlesWhereverTheyStand) {
    const Workbook book = readBody(
        R"(<table:table table:name="One" table:print-ranges="One.A1:One.D20 'One'.F1:.G4">)"
        R"(<table:table-column/>)"
        R"(<table:table-header-columns><table:table-column table:number-columns-repeated="2"/></table:table-header-columns>)"
        R"(<table:table-row><table:table-cell office:value-type="float" office:value="1"/></table:table-row>)"
        R"(<table:table-row-group><table:table-header-rows>)"
        R"(<table:table-row table:number-rows-repeated="3"><table:table-cell office:value-type="float" office:value="2"/></table:table-row>)"
        R"(</table:table-header-rows></table:table-row-group>)"
        R"(<table:table-row><table:table-cell office:value-type="float" office:value="5"/></table:table-row>)"
        R"(</table:table><table:table table:name="Two"><table:table-row><table:table-cell/></table:table-row></table:table>)");
    ASSERT_EQ(book.sheets.size(), 2u);
    const Sheet& one = book.sheets[0];
    EXPECT_EQ(one.printRanges, "One.A1:One.D20 'One'.F1:.G4");
    ASSERT_TRUE(one.titleColumns);
    EXPECT_EQ(one.titleColumns->first, 1u);
    EXPECT_EQ(one.titleColumns->last, 2u);
    ASSERT_TRUE(one.titleRows);
    EXPECT_EQ(one.titleRows->first, 1u);
    EXPECT_EQ(one.titleRows->last, 3u);
    // The rows inside keep their place and outline level.
    ASSERT_GE(one.rows.size(), 3u);
    EXPECT_EQ(one.rows.back().index, 4u);
    EXPECT_EQ(one.rows[1].outlineLevel, 1);
    const Sheet& two = book.sheets[1];
    EXPECT_TRUE(two.printRanges.empty());
    EXPECT_FALSE(two.titleRows);
    EXPECT_FALSE(two.titleColumns);
}

TEST_F(PrintAndLinks, NamesKeepTheirBaseCell) {
    const Workbook book = readBody(
        R"(<table:table table:name="One"><table:table-row><table:table-cell/></table:table-row></table:table>)"
        R"(<table:named-expressions>)"
        R"(<table:named-range table:name="Left" table:base-cell-address="$One.$C$3" table:cell-range-address="$One.B3"/>)"
        R"(<table:named-expression table:name="Twice" table:expression="of:=[.A1]*2"/>)"
        R"(</table:named-expressions>)");
    ASSERT_EQ(book.names.size(), 2u);
    EXPECT_EQ(book.names[0].baseCell, "$One.$C$3");
    EXPECT_EQ(book.names[1].baseCell, "");
}

TEST_F(PrintAndLinks, OtherFilesSheetsAreKeptApartFromTheWorkbooksOwn) {
    const Workbook book = readBody(
        R"(<table:table table:name="Own"><table:table-row>)"
        R"(<table:table-cell table:formula="of:=['file:///tmp/b.ods'#$Prices.A1]" office:value-type="float" office:value="7"/>)"
        R"(</table:table-row></table:table>)"
        R"(<table:table table:name="'file:///tmp/b.ods'#Prices">)"
        R"(<table:table-source xlink:href="file:///tmp/b.ods" table:table-name="Prices" table:mode="copy-results-only"/>)"
        R"(<table:table-row><table:table-cell office:value-type="float" office:value="7"/></table:table-row></table:table>)"
        // A sheet linked to another file under a name of its own stays a sheet.
        R"(<table:table table:name="Linked">)"
        R"(<table:table-source xlink:href="file:///tmp/b.ods" table:table-name="Prices"/>)"
        R"(<table:table-row><table:table-cell/></table:table-row></table:table>)");
    ASSERT_EQ(book.sheets.size(), 2u);
    EXPECT_EQ(book.sheets[0].name, "Own");
    EXPECT_EQ(book.sheets[1].name, "Linked");
    ASSERT_EQ(book.linkedSheets.size(), 1u);
    EXPECT_EQ(book.linkedSheets[0].name, "'file:///tmp/b.ods'#Prices");
    ASSERT_EQ(book.linkedSheets[0].rows.size(), 1u);
    EXPECT_EQ(book.linkedSheets[0].rows[0].cells.at(0).number, 7);
}

}  // namespace
}  // namespace brindlemoor::office::testing
