// Conditional formats from documents built here: the cell styles' conditions
// over the cells that carry them, the table's own list, and what is reported
// instead of kept.
#include "office/ods/conditional_format_reader.h"

#include "package_builder.h"

#include <gtest/gtest.h>

namespace brindlemoor::office::testing {
namespace {

const char* const kNamedStyles = R"x(
  <style:style style:name="Default" style:family="table-cell"/>
  <style:style style:name="Alert" style:family="table-cell" style:parent-style-name="Default">
    <style:table-cell-properties fo:background-color="#ffff00" fo:border-bottom="0.74pt solid #ff0000"/>
    <style:text-properties fo:color="#c00000" fo:font-weight="bold"/></style:style>
  <style:style style:name="Accent_20_2" style:display-name="Accent 2" style:family="table-cell" style:parent-style-name="Default">
    <style:text-properties fo:font-style="italic"/></style:style>)x";

class ConditionalFormats : public ::testing::Test {
protected:
    Sheet readSheet(const std::string& automaticStyles, const std::string& table) {
        const auto file = dir.file("cond.ods");
        writeSpreadsheet(file, contentXml(automaticStyles, table), stylesXml(kNamedStyles));
        Workbook book = read(file, &warnings);
        return std::move(book.sheets.at(0));
    }
    TempDir dir;
    std::vector<std::string> warnings;
};

bool sameRange(const CellRange& a, const CellRange& b) {
    return a.firstRow == b.firstRow && a.firstColumn == b.firstColumn && a.lastRow == b.lastRow && a.lastColumn == b.lastColumn;
}

TEST_F(ConditionalFormats, StyleConditionsApplyToTheCellsOfTheStyleJoinedIntoRanges) {
    const Sheet sheet = readSheet(
        R"x(<style:style style:name="ce1" style:family="table-cell" style:parent-style-name="Default">
             <style:map style:condition="cell-content()&gt;=3" style:apply-style-name="Alert" style:base-cell-address="S.B2"/>
             <style:map style:condition="cell-content-is-not-between(1,[.A2]*2)" style:apply-style-name="Accent_20_2" style:base-cell-address="S.B2"/>
             <style:map style:condition="is-true-formula(ISTEXT([S.B2]))" style:apply-style-name="Missing" style:base-cell-address="S.B2"/></style:style>)x",
        R"x(<table:table table:name="S">
             <table:table-row><table:table-cell/><table:table-cell/><table:table-cell/><table:table-cell/><table:table-cell table:style-name="ce1"/></table:table-row>
             <table:table-row table:number-rows-repeated="2"><table:table-cell/>
               <table:table-cell table:style-name="ce1" office:value-type="float" office:value="4"/>
               <table:table-cell table:style-name="ce1" table:number-columns-repeated="2"/></table:table-row>
             <table:table-row><table:table-cell/><table:table-cell table:style-name="ce1"/><table:table-cell table:style-name="ce1"/>
               <table:table-cell table:style-name="ce1"/></table:table-row></table:table>)x");
    EXPECT_TRUE(warnings.empty()) << warnings.front();
    ASSERT_EQ(sheet.conditionalFormats.size(), 1u);
    const ConditionalFormat& format = sheet.conditionalFormats[0];
    ASSERT_EQ(format.ranges.size(), 2u);
    EXPECT_TRUE(sameRange(format.ranges[0], {0, 4, 0, 4}));
    EXPECT_TRUE(sameRange(format.ranges[1], {1, 1, 3, 3})) << "three rows of B:D, one repeated";

    ASSERT_EQ(format.rules.size(), 3u);
    const ConditionalRule& atLeast = format.rules[0];
    EXPECT_FALSE(atLeast.isFormula);
    EXPECT_EQ(atLeast.comparison, ComparisonOperator::GreaterOrEqual);
    EXPECT_EQ(atLeast.formula1, "3");
    EXPECT_EQ(atLeast.baseRow, 1u);
    EXPECT_EQ(atLeast.baseColumn, 1u);
    EXPECT_EQ(atLeast.format.fontColor, (Color{0xC0, 0, 0}));
    EXPECT_EQ(atLeast.format.bold, true);
    EXPECT_EQ(atLeast.format.fill, (Color{0xFF, 0xFF, 0}));
    ASSERT_TRUE(atLeast.format.bottom);
    EXPECT_EQ(atLeast.format.bottom->color, (Color{0xFF, 0, 0}));
    EXPECT_FALSE(atLeast.format.italic) << "only what the applied style sets";

    EXPECT_EQ(format.rules[1].comparison, ComparisonOperator::NotBetween);
    EXPECT_EQ(format.rules[1].formula1, "1");
    EXPECT_EQ(format.rules[1].formula2, "[.A2]*2") << "split at the top-level comma only";
    EXPECT_EQ(format.rules[1].format.italic, true);
    EXPECT_TRUE(format.rules[2].isFormula);
    EXPECT_EQ(format.rules[2].formula1, "ISTEXT([S.B2])");
    EXPECT_EQ(format.rules[2].format, DifferentialFormat{}) << "an unknown style changes nothing";
}

TEST_F(ConditionalFormats, TheTablesListWinsOverTheStylesOlderCopy) {
    const Sheet sheet = readSheet(
        R"x(<style:style style:name="ce1" style:family="table-cell" style:parent-style-name="Default">
             <style:map style:condition="cell-content()=1" style:apply-style-name="Alert" style:base-cell-address="S.A1"/></style:style>)x",
        R"x(<table:table table:name="S"><table:table-row><table:table-cell table:style-name="ce1" table:number-columns-repeated="3"/></table:table-row>
           <calcext:conditional-formats><calcext:conditional-format calcext:target-range-address="S.A1:S.C1 S.A5">
             <calcext:condition calcext:apply-style-name="Accent 2" calcext:value="between([.B1];&quot;a,b&quot;)" calcext:base-cell-address="S.A1"/>
             <calcext:condition calcext:apply-style-name="Alert" calcext:value="contains-text(&quot;late&quot;)" calcext:base-cell-address="S.A1"/>
           </calcext:conditional-format></calcext:conditional-formats></table:table>)x");
    EXPECT_TRUE(warnings.empty());
    ASSERT_EQ(sheet.conditionalFormats.size(), 1u);
    const ConditionalFormat& format = sheet.conditionalFormats[0];
    ASSERT_EQ(format.ranges.size(), 2u);
    EXPECT_TRUE(sameRange(format.ranges[1], {4, 0, 4, 0}));
    ASSERT_EQ(format.rules.size(), 2u);
    EXPECT_EQ(format.rules[0].comparison, ComparisonOperator::Between);
    EXPECT_EQ(format.rules[0].formula1, "[.B1]");
    EXPECT_EQ(format.rules[0].formula2, "\"a,b\"") << "a comma inside a string does not split";
    EXPECT_EQ(format.rules[0].format.italic, true) << "the style found by its display name";
    EXPECT_TRUE(format.rules[1].isFormula);
    EXPECT_EQ(format.rules[1].formula1, "NOT(ISERROR(SEARCH(\"late\";[.A1])))");
}

TEST_F(ConditionalFormats, WhatExcelCannotShowIsCountedByReasonAndTheFirstThreeRulesKept) {
    const Sheet sheet = readSheet("",
        R"x(<table:table table:name="S"><table:table-row><table:table-cell/></table:table-row>
           <calcext:conditional-formats>
             <calcext:conditional-format calcext:target-range-address="S.A1:S.A9">
               <calcext:color-scale><calcext:color-scale-entry calcext:value="0" calcext:type="minimum" calcext:color="#ff0000"/></calcext:color-scale></calcext:conditional-format>
             <calcext:conditional-format calcext:target-range-address="S.B1:S.B9">
               <calcext:data-bar calcext:positive-color="#0000ff"/></calcext:conditional-format>
             <calcext:conditional-format calcext:target-range-address="S.C1:S.C9">
               <calcext:condition calcext:apply-style-name="Alert" calcext:value="duplicate" calcext:base-cell-address="S.C1"/>
               <calcext:condition calcext:apply-style-name="Alert" calcext:value="top-elements(3)" calcext:base-cell-address="S.C1"/>
               <calcext:condition calcext:apply-style-name="Alert" calcext:value="=1" calcext:base-cell-address="S.C1"/>
               <calcext:condition calcext:apply-style-name="Alert" calcext:value="!=2" calcext:base-cell-address="S.C1"/>
               <calcext:condition calcext:apply-style-name="Alert" calcext:value="&lt;3" calcext:base-cell-address="S.C1"/>
               <calcext:condition calcext:apply-style-name="Alert" calcext:value="&gt;4" calcext:base-cell-address="S.C1"/>
               <calcext:condition calcext:apply-style-name="Alert" calcext:value="formula-is([.C1]&gt;5)" calcext:base-cell-address="S.C1"/>
             </calcext:conditional-format>
             <calcext:conditional-format calcext:target-range-address="S.D1">
               <calcext:date-is calcext:style="Alert" calcext:date="today"/></calcext:conditional-format>
           </calcext:conditional-formats></table:table>)x");
    ASSERT_EQ(sheet.conditionalFormats.size(), 1u);
    const auto& rules = sheet.conditionalFormats[0].rules;
    ASSERT_EQ(rules.size(), 3u);
    EXPECT_EQ(rules[0].comparison, ComparisonOperator::Equal);
    EXPECT_EQ(rules[1].comparison, ComparisonOperator::NotEqual);
    EXPECT_EQ(rules[2].comparison, ComparisonOperator::Less);
    const std::vector<std::string> expected{
        "S: 1 conditional format rule not converted: colour scales, which Excel 97 cannot show",
        "S: 1 conditional format rule not converted: conditions on dates relative to today, which Excel 97 cannot evaluate",
        "S: 1 conditional format rule not converted: data bars, which Excel 97 cannot show",
        "S: 1 conditional format rule not converted: duplicate or unique values, which Excel 97 cannot mark",
        "S: 2 conditional format rules not converted: rules beyond the three Excel 97 keeps on one range",
        "S: 1 conditional format rule not converted: top or bottom ranks, which Excel 97 cannot mark",
    };
    EXPECT_EQ(warnings, expected);
}

TEST(ConditionalFormatRanges, AddressListsAndRunsBecomeRanges) {
    const auto ranges = ods::parseRangeList("'My sheet'.$A$1:.$C$3 Sheet1.D2 'It''s.x'.B5:'It''s.x'.A4");
    ASSERT_TRUE(ranges);
    ASSERT_EQ(ranges->size(), 3u);
    EXPECT_TRUE(sameRange((*ranges)[0], {0, 0, 2, 2}));
    EXPECT_TRUE(sameRange((*ranges)[1], {1, 3, 1, 3}));
    EXPECT_TRUE(sameRange((*ranges)[2], {3, 0, 4, 1})) << "corners in any order";
    EXPECT_FALSE(ods::parseRangeList("Sheet1.A1:NamedThing"));
    EXPECT_FALSE(ods::parseRangeList(""));

    // Runs of B:C join where they touch or overlap, not across a gap; D stays apart.
    const auto joined = ods::joinRuns({{3, 1, 3, 2}, {0, 1, 0, 2}, {5, 1, 5, 2}, {1, 1, 1, 2}, {0, 3, 0, 3}, {1, 1, 2, 2}});
    ASSERT_EQ(joined.size(), 3u);
    EXPECT_TRUE(sameRange(joined[0], {0, 1, 3, 2}));
    EXPECT_TRUE(sameRange(joined[1], {0, 3, 0, 3}));
    EXPECT_TRUE(sameRange(joined[2], {5, 1, 5, 2}));
}

}  // namespace
}  // namespace brindlemoor::office::testing
