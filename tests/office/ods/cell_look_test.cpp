// Cell formats through the style chain, sheet geometry, view settings and
// document properties, from documents built here.
#include "package_builder.h"

#include <gtest/gtest.h>

namespace brindlemoor::office::testing {
namespace {

const char* const kCommonStyles = R"(
  <style:default-style style:family="table-cell"><style:text-properties style:font-name="Liberation Sans" fo:font-size="10pt"/></style:default-style>
  <number:number-style style:name="N2"><number:number number:decimal-places="2" number:min-integer-digits="1"/></number:number-style>
  <style:style style:name="Default" style:family="table-cell"/>
  <style:style style:name="Heading" style:family="table-cell" style:parent-style-name="Default">
    <style:text-properties fo:font-size="14pt" fo:font-weight="bold" fo:font-style="italic" fo:color="#1f4e79"/>
  </style:style>
  <style:style style:name="Money" style:family="table-cell" style:parent-style-name="Default" style:data-style-name="N2"/>)";

class CellLook : public ::testing::Test {
protected:
    Workbook readDocument(const std::string& automaticStyles, const std::string& body, const std::string& extraCommon = {}) {
        const auto file = dir.file("look.ods");
        const std::string fonts = R"(<office:font-face-decls><style:font-face style:name="Liberation Sans" svg:font-family="&apos;Liberation Sans&apos;"/></office:font-face-decls>)";
        std::string content = contentXml(automaticStyles, body);
        content.insert(content.find("<office:automatic-styles>"), fonts);
        std::string styles = stylesXml(kCommonStyles + extraCommon);
        styles.insert(styles.find("<office:styles>"), fonts);
        writeSpreadsheet(file, content, styles);
        return read(file, &warnings);
    }
    const CellFormat& formatAt(const Workbook& book, RowIndex row, ColumnIndex column) {
        const Cell* cell = cellAt(book.sheets[0], row, column);
        EXPECT_NE(cell, nullptr) << row << "," << column;
        return book.formats[cell ? cell->format : 0];
    }
    TempDir dir;
    std::vector<std::string> warnings;
};

TEST_F(CellLook, TheDefaultFormatIsTheDocumentsDefaultStyle) {
    const Workbook book = readDocument("", R"(<table:table table:name="S"><table:table-row><table:table-cell office:value-type="float" office:value="1"/></table:table-row></table:table>)");
    EXPECT_EQ(book.formats[0].font.name, "Liberation Sans");
    EXPECT_EQ(book.formats[0].font.sizePt, 10);
    EXPECT_EQ(cellAt(book.sheets[0], 0, 0)->format, 0u);
}

TEST_F(CellLook, AutomaticStylesInheritFromCommonStyles) {
    const Workbook book = readDocument(
        R"(<style:style style:name="ce1" style:family="table-cell" style:parent-style-name="Heading">
             <style:table-cell-properties fo:background-color="#ffff00" fo:border="0.74pt solid #000000" fo:border-bottom="2.49pt double #ff0000"
                style:vertical-align="middle" fo:wrap-option="wrap" style:rotation-angle="45" style:cell-protect="none" style:text-align-source="fix" style:repeat-content="false"/>
             <style:paragraph-properties fo:text-align="center"/>
             <style:text-properties style:text-underline-style="solid" style:text-underline-type="double" style:text-line-through-style="solid" style:text-position="super 58%"/>
           </style:style>
           <style:style style:name="ce2" style:family="table-cell" style:parent-style-name="Money"/>
           <style:style style:name="ce3" style:family="table-cell"><style:table-cell-properties style:direction="ttb" style:diagonal-tl-br="0.74pt dashed #0000ff" style:cell-protect="protected formula-hidden"/>
             <style:paragraph-properties fo:text-align="end" fo:margin-left="0.706cm"/></style:style>
           <style:style style:name="ce4" style:family="table-cell"><style:table-cell-properties style:text-align-source="value-type" style:vertical-align="justify" fo:border-top="0.06pt solid #000000"/><style:paragraph-properties fo:text-align="start"/></style:style>)",
        R"(<table:table table:name="S"><table:table-row>
             <table:table-cell table:style-name="ce1" office:value-type="string"><text:p>title</text:p></table:table-cell>
             <table:table-cell table:style-name="ce2" office:value-type="float" office:value="3"/>
             <table:table-cell table:style-name="ce3" office:value-type="string"><text:p>down</text:p></table:table-cell>
             <table:table-cell table:style-name="ce4" office:value-type="string"><text:p>by value</text:p></table:table-cell>
           </table:table-row></table:table>)");
    const CellFormat& title = formatAt(book, 0, 0);
    EXPECT_EQ(title.font.name, "Liberation Sans");
    EXPECT_EQ(title.font.sizePt, 14);
    EXPECT_TRUE(title.font.bold);
    EXPECT_TRUE(title.font.italic);
    EXPECT_EQ(title.font.color, (Color{0x1f, 0x4e, 0x79}));
    EXPECT_EQ(title.font.underline, Underline::Double);
    EXPECT_TRUE(title.font.strikeout);
    EXPECT_EQ(title.font.script, Script::Superscript);
    EXPECT_EQ(title.background, (Color{255, 255, 0}));
    EXPECT_EQ(title.borders.left.style, BorderStyle::Thin);
    EXPECT_EQ(title.borders.left.color, (Color{0, 0, 0}));
    EXPECT_EQ(title.borders.bottom.style, BorderStyle::Double);
    EXPECT_EQ(title.borders.bottom.color, (Color{255, 0, 0}));
    EXPECT_EQ(title.alignment.horizontal, HorizontalAlign::Center);
    EXPECT_EQ(title.alignment.vertical, VerticalAlign::Center);
    EXPECT_TRUE(title.alignment.wrap);
    EXPECT_EQ(title.alignment.rotation, 45);
    EXPECT_FALSE(title.locked);

    EXPECT_EQ(formatAt(book, 0, 1).numberFormat, "0.00") << "the data style comes from the parent";

    const CellFormat& down = formatAt(book, 0, 2);
    EXPECT_EQ(down.alignment.rotation, 255);
    EXPECT_EQ(down.borders.diagonalDown.style, BorderStyle::Dashed);
    EXPECT_EQ(down.borders.diagonalDown.color, (Color{0, 0, 255}));
    EXPECT_EQ(down.alignment.horizontal, HorizontalAlign::Right);
    EXPECT_EQ(down.alignment.indent, 0) << "an indent applies to left-aligned text only";
    EXPECT_TRUE(down.locked);
    EXPECT_TRUE(down.hidden);

    const CellFormat& byValue = formatAt(book, 0, 3);
    EXPECT_EQ(byValue.alignment.horizontal, HorizontalAlign::General);
    EXPECT_EQ(byValue.alignment.vertical, VerticalAlign::Justify);
    EXPECT_EQ(byValue.borders.top.style, BorderStyle::Hair);
}

TEST_F(CellLook, CellsWithoutAStyleTakeTheRowsThenTheColumnsDefault) {
    const Workbook book = readDocument(
        R"(<style:style style:name="colstyle" style:family="table-cell"><style:table-cell-properties fo:background-color="#00ff00"/></style:style>
           <style:style style:name="rowstyle" style:family="table-cell"><style:table-cell-properties fo:background-color="#0000ff"/></style:style>
           <style:style style:name="own" style:family="table-cell"><style:table-cell-properties fo:background-color="#ff0000"/></style:style>)",
        R"(<table:table table:name="S">
             <table:table-column table:default-cell-style-name="Default"/>
             <table:table-column table:number-columns-repeated="3" table:default-cell-style-name="colstyle"/>
             <table:table-row>
               <table:table-cell office:value-type="float" office:value="1"/>
               <table:table-cell office:value-type="float" office:value="2"/>
               <table:table-cell table:style-name="own"/>
               <table:table-cell table:style-name="colstyle"/>
             </table:table-row>
             <table:table-row table:default-cell-style-name="rowstyle">
               <table:table-cell table:number-columns-repeated="2" office:value-type="float" office:value="3"/>
             </table:table-row>
           </table:table>)");
    const Sheet& sheet = book.sheets[0];
    EXPECT_FALSE(formatAt(book, 0, 0).background);
    EXPECT_EQ(formatAt(book, 0, 1).background, (Color{0, 255, 0}));
    EXPECT_EQ(formatAt(book, 0, 2).background, (Color{255, 0, 0})) << "an empty cell with its own look is kept";
    EXPECT_EQ(cellAt(sheet, 0, 3), nullptr) << "an empty cell that looks like its column is left to the column";
    EXPECT_EQ(formatAt(book, 1, 1).background, (Color{0, 0, 255}));
    ASSERT_EQ(sheet.columns.size(), 2u);
    EXPECT_EQ(sheet.columns[0].format, kNone);
    ASSERT_NE(sheet.columns[1].format, kNone);
    EXPECT_EQ(book.formats[sheet.columns[1].format].background, (Color{0, 255, 0}));
    ASSERT_NE(sheet.rows[1].format, kNone);
    EXPECT_EQ(book.formats[sheet.rows[1].format].background, (Color{0, 0, 255}));
}

TEST_F(CellLook, IdenticalFormatsShareOneIndex) {
    const Workbook book = readDocument(
        R"(<style:style style:name="a" style:family="table-cell"><style:text-properties fo:font-weight="bold"/></style:style>
           <style:style style:name="b" style:family="table-cell"><style:text-properties fo:font-weight="700"/></style:style>)",
        R"(<table:table table:name="S"><table:table-row>
             <table:table-cell table:style-name="a" office:value-type="float" office:value="1"/>
             <table:table-cell table:style-name="b" office:value-type="float" office:value="2"/>
           </table:table-row></table:table>)");
    EXPECT_EQ(cellAt(book.sheets[0], 0, 0)->format, cellAt(book.sheets[0], 0, 1)->format);
    EXPECT_EQ(book.formats.size(), 2u);
}

TEST_F(CellLook, StylesWithoutAParentHangUnderDefault) {
    const auto file = dir.file("orphan.ods");
    const std::string styles = stylesXml(R"(
      <style:style style:name="Default" style:family="table-cell"><style:text-properties fo:font-size="11pt" fo:color="#000000"/></style:style>
      <style:style style:name="Hyperlink" style:family="table-cell"><style:text-properties fo:color="#0066cc"/></style:style>)");
    const std::string content = contentXml(
        R"(<style:style style:name="ce1" style:family="table-cell" style:parent-style-name="Hyperlink"/>
           <style:style style:name="ce2" style:family="table-cell"><style:text-properties fo:font-weight="bold"/></style:style>)",
        R"(<table:table table:name="S"><table:table-row>
             <table:table-cell table:style-name="ce1" office:value-type="string"><text:p>link</text:p></table:table-cell>
             <table:table-cell table:style-name="ce2" office:value-type="string"><text:p>bold</text:p></table:table-cell>
           </table:table-row></table:table>)");
    writeSpreadsheet(file, content, styles);
    const Workbook book = read(file);
    const CellFormat& link = book.formats[cellAt(book.sheets[0], 0, 0)->format];
    EXPECT_EQ(link.font.sizePt, 11);
    EXPECT_EQ(link.font.color, (Color{0x00, 0x66, 0xcc}));
    const CellFormat& bold = book.formats[cellAt(book.sheets[0], 0, 1)->format];
    EXPECT_EQ(bold.font.sizePt, 11);
    EXPECT_TRUE(bold.font.bold);
}

TEST_F(CellLook, BorderWidthsFallIntoExcelsWidthClasses) {
    // Widths as office suites class them; the keyword "thin" is the hairline they draw for it.
    const std::vector<std::pair<std::string, BorderStyle>> cases = {
        {"0.05pt solid", BorderStyle::Hair},   {"thin solid", BorderStyle::Hair},
        {"0.026cm solid", BorderStyle::Thin},  {"0.75pt solid", BorderStyle::Thin},
        {"1.2pt solid", BorderStyle::Thin},    {"0.05cm solid", BorderStyle::Medium},
        {"2pt solid", BorderStyle::Medium},    {"0.076cm solid", BorderStyle::Thick},
        {"thick solid", BorderStyle::Thick},   {"medium solid", BorderStyle::Medium},
        {"2pt dashed", BorderStyle::MediumDashed}, {"0.75pt dashed", BorderStyle::Dashed},
        {"2.5pt double", BorderStyle::Double},
    };
    std::string styles, cells;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        styles += "<style:style style:name=\"b" + std::to_string(i) + "\" style:family=\"table-cell\">"
                  "<style:table-cell-properties fo:border=\"" + cases[i].first + " #000000\"/></style:style>";
        cells += "<table:table-cell table:style-name=\"b" + std::to_string(i) + "\" office:value-type=\"float\" office:value=\"1\"/>";
    }
    const Workbook book = readDocument(styles, "<table:table table:name=\"S\"><table:table-row>" + cells + "</table:table-row></table:table>");
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(formatAt(book, 0, static_cast<ColumnIndex>(i)).borders.top.style, cases[i].second) << cases[i].first;
    }
}

TEST_F(CellLook, CoveredCellsOfAMergeTakeItsLookSoEveryEdgeKeepsItsBorders) {
    const Workbook book = readDocument(
        R"(<style:style style:name="box" style:family="table-cell"><style:table-cell-properties fo:border="2.5pt solid #ff0000" fo:background-color="#ffff00"/></style:style>
           <style:style style:name="other" style:family="table-cell"><style:table-cell-properties fo:background-color="#00ff00"/></style:style>)",
        R"(<table:table table:name="S">
             <table:table-row>
               <table:table-cell table:style-name="box" table:number-columns-spanned="3" table:number-rows-spanned="2" office:value-type="string"><text:p>box</text:p></table:table-cell>
               <table:covered-table-cell table:number-columns-repeated="2"/>
               <table:table-cell office:value-type="float" office:value="1"/>
             </table:table-row>
             <table:table-row>
               <table:covered-table-cell/><table:covered-table-cell table:style-name="other"/><table:covered-table-cell/>
               <table:table-cell/>
             </table:table-row>
             <table:table-row><table:covered-table-cell/></table:table-row>
           </table:table>)");
    const Sheet& sheet = book.sheets[0];
    const std::uint32_t box = cellAt(sheet, 0, 0)->format;
    EXPECT_EQ(book.formats[box].borders.right.style, BorderStyle::Thick);
    EXPECT_EQ(formatAt(book, 0, 1).background, (Color{255, 255, 0}));
    EXPECT_EQ(cellAt(sheet, 0, 1)->format, box);
    EXPECT_EQ(cellAt(sheet, 1, 0)->format, box);
    EXPECT_EQ(cellAt(sheet, 1, 2)->format, box);
    EXPECT_EQ(formatAt(book, 1, 1).background, (Color{0, 255, 0})) << "a covered cell's own style wins";
    EXPECT_EQ(cellAt(sheet, 1, 3), nullptr) << "outside the merge";
    EXPECT_EQ(cellAt(sheet, 2, 0), nullptr) << "below the merge";
}

TEST_F(CellLook, CoveredCellsOfAPlainMergeInABorderedColumnStayPlain) {
    // Left to its column, the covered cell would lend the column's border to
    // the merge's right edge.
    const Workbook book = readDocument(
        R"(<style:style style:name="boxed" style:family="table-cell"><style:table-cell-properties fo:border="0.06pt solid #000000"/></style:style>)",
        R"(<table:table table:name="S">
             <table:table-column/><table:table-column table:default-cell-style-name="boxed"/>
             <table:table-row>
               <table:table-cell table:number-columns-spanned="2" office:value-type="string"><text:p>plain</text:p></table:table-cell>
               <table:covered-table-cell/>
             </table:table-row>
           </table:table>)");
    const Cell* covered = cellAt(book.sheets[0], 0, 1);
    ASSERT_NE(covered, nullptr);
    EXPECT_EQ(covered->format, 0u);
}

TEST_F(CellLook, ColumnWidthsRowHeightsHiddenAndOutlines) {
    const Workbook book = readDocument(
        R"(<style:style style:name="co1" style:family="table-column"><style:table-column-properties style:column-width="1in"/></style:style>
           <style:style style:name="ro1" style:family="table-row"><style:table-row-properties style:row-height="0.5in" style:use-optimal-row-height="false"/></style:style>
           <style:style style:name="ro2" style:family="table-row"><style:table-row-properties style:row-height="0.178in" style:use-optimal-row-height="true"/></style:style>)",
        R"(<table:table table:name="S" table:protected="true">
             <table:table-column table:style-name="co1"/>
             <table:table-column-group><table:table-column table:style-name="co1" table:visibility="collapse" table:number-columns-repeated="2"/></table:table-column-group>
             <table:table-row table:style-name="ro1"><table:table-cell office:value-type="float" office:value="1"/></table:table-row>
             <table:table-row-group><table:table-row table:style-name="ro2" table:visibility="filter"><table:table-cell/></table:table-row></table:table-row-group>
             <table:table-row table:style-name="ro2"><table:table-cell office:value-type="float" office:value="2"/></table:table-row>
           </table:table>)");
    const Sheet& sheet = book.sheets[0];
    EXPECT_TRUE(sheet.isProtected);
    ASSERT_EQ(sheet.columns.size(), 2u);
    EXPECT_DOUBLE_EQ(*sheet.columns[0].widthPt, 72);
    EXPECT_FALSE(sheet.columns[0].hidden);
    EXPECT_TRUE(sheet.columns[1].hidden);
    EXPECT_EQ(sheet.columns[1].first, 1u);
    EXPECT_EQ(sheet.columns[1].repeat, 2u);
    EXPECT_EQ(sheet.columns[1].outlineLevel, 1);
    ASSERT_EQ(sheet.rows.size(), 3u);
    EXPECT_DOUBLE_EQ(*sheet.rows[0].heightPt, 36);
    EXPECT_TRUE(sheet.rows[0].customHeight);
    EXPECT_TRUE(sheet.rows[1].hidden);
    EXPECT_EQ(sheet.rows[1].outlineLevel, 1);
    EXPECT_EQ(sheet.rows[2].index, 2u);
    EXPECT_FALSE(sheet.rows[2].customHeight);
}

TEST_F(CellLook, StoredHeightsOfEmptyRowsAndLineFeedsWrittenAsCharacters) {
    const Workbook book = readDocument(
        R"(<style:style style:name="ro1" style:family="table-row"><style:table-row-properties style:row-height="0.25in" style:use-optimal-row-height="true"/></style:style>)",
        R"(<table:table table:name="S">
             <table:table-row><table:table-cell office:value-type="string"><text:p>written, &#10;inside</text:p></table:table-cell>
               <table:table-cell office:value-type="string"><text:p>a<text:line-break/>b</text:p><text:p>c &#10;d</text:p></table:table-cell>
               <table:table-cell office:value-type="string"><text:p>one</text:p><text:p>two</text:p></table:table-cell></table:table-row>
             <table:table-row table:style-name="ro1" table:number-rows-repeated="300"><table:table-cell table:number-columns-repeated="5"/></table:table-row>
             <table:table-row><table:table-cell/></table:table-row>
           </table:table>)");
    const Sheet& sheet = book.sheets[0];
    EXPECT_EQ(book.strings.at(cellAt(sheet, 0, 0)->text), "written, \ninside") << "the text keeps the feed";
    // Only the cells with feeds of their own: each line break and paragraph is a line, a written feed is not.
    ASSERT_EQ(sheet.textLines.size(), 2u);
    EXPECT_EQ(sheet.textLines[0].row, 0u);
    EXPECT_EQ(sheet.textLines[0].column, 0u);
    EXPECT_EQ(sheet.textLines[0].lines, 1u);
    EXPECT_EQ(sheet.textLines[1].column, 1u);
    EXPECT_EQ(sheet.textLines[1].lines, 3u);
    // The empty run keeps the height office suites show on it; the row without anything is left out.
    ASSERT_EQ(sheet.rows.size(), 2u);
    EXPECT_EQ(sheet.rows[1].index, 1u);
    EXPECT_EQ(sheet.rows[1].repeat, 300u);
    EXPECT_DOUBLE_EQ(*sheet.rows[1].heightPt, 18);
    EXPECT_FALSE(sheet.rows[1].customHeight);
}

TEST_F(CellLook, WhatOfficeSuitesIgnoreIsIgnored) {
    // A column stored with no width (hidden columns, by some writers) shows
    // at the standard width; a fill in the default style fills no cell.
    const Workbook book = readDocument(
        R"(<style:style style:name="co0" style:family="table-column"><style:table-column-properties style:column-width="0in"/></style:style>)",
        R"(<table:table table:name="S"><table:table-column table:style-name="co0" table:visibility="collapse"/>
             <table:table-row><table:table-cell office:value-type="float" office:value="1"/></table:table-row></table:table>)",
        R"(<style:default-style style:family="table-cell">
             <style:table-cell-properties fo:background-color="#ffffff"/><style:text-properties fo:font-size="12pt"/></style:default-style>)");
    ASSERT_EQ(book.sheets[0].columns.size(), 1u);
    EXPECT_TRUE(book.sheets[0].columns[0].hidden);
    EXPECT_FALSE(book.sheets[0].columns[0].widthPt);
    EXPECT_FALSE(book.formats[0].background);
    EXPECT_EQ(book.formats[0].font.sizePt, 12) << "the rest of the default style holds";
}

TEST_F(CellLook, PaddingAboveAndBelowIsKeptForTheRowsHeight) {
    const Workbook book = readDocument(
        R"(<style:style style:name="ce1" style:family="table-cell"><style:table-cell-properties fo:padding="1mm"/></style:style>
           <style:style style:name="ce2" style:family="table-cell" style:parent-style-name="Padded"><style:table-cell-properties fo:padding-top="0mm"/></style:style>)",
        R"(<table:table table:name="S"><table:table-row>
             <table:table-cell table:style-name="ce1" office:value-type="float" office:value="1"/>
             <table:table-cell table:style-name="ce2" office:value-type="float" office:value="2"/>
             <table:table-cell office:value-type="float" office:value="3"/></table:table-row></table:table>)",
        R"(<style:style style:name="Padded" style:family="table-cell" style:parent-style-name="Default"><style:table-cell-properties fo:padding="2mm"/></style:style>)");
    const double mm = 72 / 25.4;
    EXPECT_NEAR(formatAt(book, 0, 0).verticalPaddingPt, 2 * mm, 1e-9);
    EXPECT_NEAR(formatAt(book, 0, 1).verticalPaddingPt, 2 * mm, 1e-9) << "top from the style, bottom inherited";
    EXPECT_NEAR(formatAt(book, 0, 2).verticalPaddingPt, 0.7 * mm, 1e-9) << "office suites' standard padding";
}

TEST_F(CellLook, ConditionalFormattingIsReportedNotDropped) {
    const Workbook book = readDocument("",
        R"(<table:table table:name="Cond"><table:table-row><table:table-cell office:value-type="float" office:value="1"/></table:table-row>
           <calcext:conditional-formats><calcext:conditional-format calcext:target-range-address="Cond.A1:Cond.A5">
             <calcext:color-scale><calcext:color-scale-entry calcext:value="0" calcext:type="minimum" calcext:color="#ff0000"/>
               <calcext:color-scale-entry calcext:value="0" calcext:type="maximum" calcext:color="#00ff00"/></calcext:color-scale>
           </calcext:conditional-format></calcext:conditional-formats></table:table>)");
    EXPECT_EQ(warnings, (std::vector<std::string>{"Cond: 1 conditional format rule not converted: colour scales, which Excel 97 cannot show"}));
}

TEST_F(CellLook, MetaAndViewSettingsAreRead) {
    const auto file = dir.file("settings.ods");
    const std::string meta = std::string(R"(<?xml version="1.0" encoding="UTF-8"?><office:document-meta)") + kOdfNamespaces +
        R"(><office:meta><dc:title>Budget</dc:title><dc:subject>Money</dc:subject><meta:initial-creator>Ann</meta:initial-creator>
           <dc:creator>Bob</dc:creator><meta:keyword>one</meta:keyword><meta:keyword>two</meta:keyword><dc:description>About</dc:description>
           <meta:creation-date>2020-01-02T03:04:05</meta:creation-date><dc:date>2021-01-02T03:04:05</dc:date></office:meta></office:document-meta>)";
    const std::string settings = std::string(R"(<?xml version="1.0" encoding="UTF-8"?><office:document-settings)") + kOdfNamespaces +
        R"(><office:settings><config:config-item-set config:name="ooo:view-settings"><config:config-item-map-indexed config:name="Views"><config:config-item-map-entry>
             <config:config-item config:name="ActiveTable" config:type="string">Second</config:config-item>
             <config:config-item config:name="ShowGrid" config:type="boolean">false</config:config-item>
             <config:config-item-map-named config:name="Tables"><config:config-item-map-entry config:name="Second">
               <config:config-item config:name="CursorPositionX" config:type="int">3</config:config-item>
               <config:config-item config:name="CursorPositionY" config:type="int">7</config:config-item>
               <config:config-item config:name="HorizontalSplitMode" config:type="short">2</config:config-item>
               <config:config-item config:name="VerticalSplitMode" config:type="short">2</config:config-item>
               <config:config-item config:name="HorizontalSplitPosition" config:type="int">1</config:config-item>
               <config:config-item config:name="VerticalSplitPosition" config:type="int">2</config:config-item>
               <config:config-item config:name="PositionRight" config:type="int">4</config:config-item>
               <config:config-item config:name="PositionBottom" config:type="int">20</config:config-item>
               <config:config-item config:name="ZoomValue" config:type="int">150</config:config-item>
             </config:config-item-map-entry></config:config-item-map-named>
           </config:config-item-map-entry></config:config-item-map-indexed></config:config-item-set></office:settings></office:document-settings>)";
    writeZip(file, {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet", false},
                    {"content.xml", contentXml("", R"(<table:table table:name="First"/><table:table table:name="Second"/>)")},
                    {"meta.xml", meta},
                    {"settings.xml", settings}});
    const Workbook book = read(file);
    EXPECT_EQ(book.properties.title, "Budget");
    EXPECT_EQ(book.properties.subject, "Money");
    EXPECT_EQ(book.properties.author, "Ann");
    EXPECT_EQ(book.properties.keywords, "one, two");
    EXPECT_EQ(book.properties.description, "About");
    EXPECT_EQ(book.properties.created, "2020-01-02T03:04:05");
    EXPECT_EQ(book.properties.modified, "2021-01-02T03:04:05");
    EXPECT_EQ(book.activeSheet, 1u);
    const SheetView& view = book.sheets[1].view;
    EXPECT_EQ(view.cursorColumn, 3u);
    EXPECT_EQ(view.cursorRow, 7u);
    EXPECT_EQ(view.frozenColumns, 1u);
    EXPECT_EQ(view.frozenRows, 2u);
    EXPECT_EQ(view.leftColumn, 4u);
    EXPECT_EQ(view.topRow, 20u);
    EXPECT_EQ(view.zoomPercent, 150);
    EXPECT_FALSE(view.showGrid);
    EXPECT_FALSE(book.sheets[0].view.showGrid);
    EXPECT_EQ(book.sheets[0].view.frozenRows, 0u);
}

}  // namespace
}  // namespace brindlemoor::office::testing

namespace brindlemoor::office::testing {
namespace {

TEST(PrintSetup, PageStyleBecomesTheSheetsPrintSetup) {
    TempDir dir;
    const auto file = dir.file("print.ods");
    const std::string styles = std::string(R"(<?xml version="1.0" encoding="UTF-8"?><office:document-styles)") + kOdfNamespaces + R"(>
      <office:automatic-styles>
        <style:page-layout style:name="pm1">
          <style:page-layout-properties fo:page-width="297mm" fo:page-height="210mm" style:print-orientation="landscape"
             fo:margin-top="0.5in" fo:margin-bottom="0.5in" fo:margin-left="1in" fo:margin-right="0.25in"
             style:scale-to-X="1" style:scale-to-Y="0" style:table-centering="horizontal" style:print="annotations grid headers charts"/>
          <style:header-style><style:header-footer-properties fo:min-height="0.3in" fo:margin-bottom="0.2in"/></style:header-style>
          <style:footer-style><style:header-footer-properties fo:min-height="0.25in" fo:margin-top="0.25in"/></style:footer-style>
        </style:page-layout>
        <style:page-layout style:name="pm2"><style:page-layout-properties fo:page-width="8.5in" fo:page-height="11in" style:scale-to="75%" style:print="objects charts drawings headersx"/></style:page-layout>
      </office:automatic-styles>
      <office:master-styles>
        <style:master-page style:name="Default" style:page-layout-name="pm1">
          <style:header><style:region-left><text:p>R&amp;D <text:sheet-name>???</text:sheet-name></text:p></style:region-left>
            <style:region-right><text:p><text:date>01/01/2024</text:date>, <text:time>10:00</text:time></text:p></style:region-right></style:header>
          <style:footer><text:p>Page <text:page-number>1</text:page-number> of <text:page-count>9</text:page-count> in <text:file-name>x</text:file-name></text:p></style:footer>
        </style:master-page>
        <style:master-page style:name="Plain" style:page-layout-name="pm2">
          <style:header style:display="false"><text:p>hidden</text:p></style:header>
        </style:master-page>
      </office:master-styles></office:document-styles>)";
    const std::string content = contentXml(
        R"(<style:style style:name="ta1" style:family="table" style:master-page-name="Default"/><style:style style:name="ta2" style:family="table" style:master-page-name="Plain"/>)",
        R"(<table:table table:name="Wide" table:style-name="ta1"/><table:table table:name="Plain" table:style-name="ta2"/>)");
    writeSpreadsheet(file, content, styles);
    const Workbook book = read(file);

    ASSERT_TRUE(book.sheets[0].pageSetup);
    const PageSetup& wide = *book.sheets[0].pageSetup;
    EXPECT_TRUE(wide.landscape);
    EXPECT_EQ(wide.paperSize, 9) << "A4";
    EXPECT_TRUE(wide.fitToPages);
    EXPECT_EQ(wide.fitWidth, 1);
    EXPECT_EQ(wide.fitHeight, 0);
    EXPECT_TRUE(wide.centerHorizontally);
    EXPECT_FALSE(wide.centerVertically);
    EXPECT_DOUBLE_EQ(wide.marginLeftIn, 1);
    EXPECT_DOUBLE_EQ(wide.marginRightIn, 0.25);
    EXPECT_DOUBLE_EQ(wide.headerMarginIn, 0.5);
    EXPECT_DOUBLE_EQ(wide.marginTopIn, 1.0) << "the header's height and spacing lie between page edge and body";
    EXPECT_DOUBLE_EQ(wide.footerMarginIn, 0.5);
    EXPECT_DOUBLE_EQ(wide.marginBottomIn, 1.0);
    EXPECT_EQ(wide.header, "&LR&&D &A&R&D, &T");
    EXPECT_EQ(wide.footer, "&CPage &P of &N in &F");
    EXPECT_TRUE(wide.printGridlines);
    EXPECT_TRUE(wide.printHeadings);

    ASSERT_TRUE(book.sheets[1].pageSetup);
    const PageSetup& plain = *book.sheets[1].pageSetup;
    EXPECT_FALSE(plain.landscape);
    EXPECT_EQ(plain.paperSize, 1) << "Letter";
    EXPECT_EQ(plain.scalePercent, 75);
    EXPECT_FALSE(plain.fitToPages);
    EXPECT_EQ(plain.header, "") << "a header switched off is not printed";
    EXPECT_FALSE(plain.printGridlines);
    EXPECT_FALSE(plain.printHeadings) << "only the whole word counts";
}

TEST(PrintSetup, TitleFieldShowsTheDocumentsTitleOrElseItsFileName) {
    // Excel has no code for the title: its text goes in, with "&" kept literal.
    const std::string styles = std::string(R"(<?xml version="1.0" encoding="UTF-8"?><office:document-styles)") + kOdfNamespaces + R"(>
      <office:master-styles><style:master-page style:name="Default">
        <style:header><text:p><text:title>stale cached text</text:title> - <text:sheet-name>?</text:sheet-name></text:p></style:header>
        <style:footer><text:p><text:file-name text:display="full">/home/a/b.ods</text:file-name></text:p></style:footer>
      </style:master-page></office:master-styles></office:document-styles>)";
    const std::string content = contentXml("", R"(<table:table table:name="S"/>)");
    const std::string meta = std::string(R"(<?xml version="1.0" encoding="UTF-8"?><office:document-meta)") + kOdfNamespaces +
                             R"(><office:meta><dc:title>Sales &amp; Costs</dc:title></office:meta></office:document-meta>)";
    TempDir dir;
    // meta.xml last in the archive, as some writers put it: the title is still known.
    writeZip(dir.file("titled.ods"), {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet", false},
                                      {"content.xml", content}, {"styles.xml", styles}, {"meta.xml", meta}});
    const Workbook titled = read(dir.file("titled.ods"));
    ASSERT_TRUE(titled.sheets[0].pageSetup);
    EXPECT_EQ(titled.sheets[0].pageSetup->header, "&CSales && Costs - &A");
    EXPECT_EQ(titled.sheets[0].pageSetup->footer, "&C&F") << "Excel 97 has a code for the file's name only, none for its path";

    writeSpreadsheet(dir.file("untitled.ods"), content, styles);
    const Workbook untitled = read(dir.file("untitled.ods"));
    ASSERT_TRUE(untitled.sheets[0].pageSetup);
    EXPECT_EQ(untitled.sheets[0].pageSetup->header, "&C&F - &A");
}

}  // namespace
}  // namespace brindlemoor::office::testing
