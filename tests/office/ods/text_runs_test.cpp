// Parts of a cell's text in fonts of their own: spans with text styles and
// paragraphs with paragraph styles become runs of the text, in UTF-16
// positions of the final text, each with the cell's font under its settings.
#include "office/ods/text_runs.h"
#include "package_builder.h"

#include <gtest/gtest.h>

#include <tuple>

namespace brindlemoor::office::testing {
namespace {

const char* const kCommonStyles = R"(
  <style:default-style style:family="table-cell"><style:text-properties style:font-name="Liberation Sans" fo:font-size="10pt"/></style:default-style>
  <style:style style:name="Default" style:family="table-cell"/>
  <style:style style:name="Emphasis" style:family="text"><style:text-properties fo:font-style="italic"/></style:style>
  <style:style style:name="Loud" style:family="text" style:parent-style-name="Emphasis"><style:text-properties fo:color="#c00000"/></style:style>
  <style:style style:name="Lowered" style:family="text"><style:text-properties style:text-position="-20%"/></style:style>)";

const char* const kAutomaticStyles = R"(
  <style:style style:name="ce1" style:family="table-cell"><style:text-properties fo:font-size="12pt" fo:color="#0000ff"/></style:style>
  <style:style style:name="T1" style:family="text"><style:text-properties fo:font-weight="bold"/></style:style>
  <style:style style:name="T2" style:family="text"><style:text-properties fo:color="#ff0000"/></style:style>
  <style:style style:name="T3" style:family="text"><style:text-properties style:text-position="super 58%"/></style:style>
  <style:style style:name="T4" style:family="text"><style:text-properties style:text-position="-33% 58%"/></style:style>
  <style:style style:name="T5" style:family="text"><style:text-properties fo:font-size="150%" style:font-name="Mono"
      style:text-underline-style="solid" style:text-underline-type="double" style:text-line-through-style="solid"/></style:style>
  <style:style style:name="T6" style:family="text"><style:text-properties fo:font-size="10pt"/></style:style>
  <style:style style:name="T7" style:family="text" style:parent-style-name="Loud"/>
  <style:style style:name="T8" style:family="text"><style:text-properties fo:font-size="50%"/></style:style>
  <style:style style:name="T9" style:family="text"><style:text-properties style:text-line-through-type="single"/></style:style>
  <style:style style:name="P1" style:family="paragraph"><style:text-properties fo:font-size="18pt" fo:font-weight="bold"/></style:style>
  <style:style style:name="P2" style:family="paragraph"><style:paragraph-properties fo:text-align="center"/></style:style>
  <style:style style:name="T10" style:family="text"><style:text-properties/></style:style>
  <style:style style:name="T11" style:family="text"><style:text-properties style:text-position="super 100%"/></style:style>
  <style:style style:name="T12" style:family="text" style:parent-style-name="Lowered"/>)";

class TextRuns : public ::testing::Test {
protected:
    // Reads one row of the given cells.
    Workbook readCells(const std::string& cells) {
        const auto file = dir.file("runs.ods");
        const std::string fonts = R"(<office:font-face-decls><style:font-face style:name="Liberation Sans" svg:font-family="&apos;Liberation Sans&apos;"/><style:font-face style:name="Mono" svg:font-family="&apos;Liberation Mono&apos;"/></office:font-face-decls>)";
        std::string content = contentXml(kAutomaticStyles, R"(<table:table table:name="S"><table:table-row>)" + cells +
                                                               "</table:table-row></table:table>");
        content.insert(content.find("<office:automatic-styles>"), fonts);
        std::string styles = stylesXml(kCommonStyles);
        styles.insert(styles.find("<office:styles>"), fonts);
        writeSpreadsheet(file, content, styles);
        return read(file);
    }
    static const std::vector<TextRun>& runsOf(const Workbook& book, ColumnIndex column) {
        static const std::vector<TextRun> none;
        const Cell* cell = cellAt(book.sheets[0], 0, column);
        if (!cell || cell->text == kNone) return none;
        auto it = book.textRuns.find(cell->text);
        return it == book.textRuns.end() ? none : it->second;
    }
    static std::string textOf(const Workbook& book, ColumnIndex column) {
        return book.strings.at(cellAt(book.sheets[0], 0, column)->text);
    }
    TempDir dir;
};

TEST_F(TextRuns, SpansInTheirStylesFontsOverTheCellsFont) {
    const Workbook book = readCells(R"(
      <table:table-cell table:style-name="ce1" office:value-type="string"><text:p>a <text:span text:style-name="T1">bold</text:span> word</text:p></table:table-cell>
      <table:table-cell office:value-type="string"><text:p><text:span text:style-name="T2">red</text:span> then plain</text:p></table:table-cell>
      <table:table-cell office:value-type="string"><text:p>E=mc<text:span text:style-name="T3">2</text:span> H<text:span text:style-name="T4">2</text:span>O</text:p></table:table-cell>
      <table:table-cell office:value-type="string"><text:p>x<text:span text:style-name="T5">big</text:span></text:p></table:table-cell>
      <table:table-cell office:value-type="string"><text:p>x<text:span text:style-name="T7">loud</text:span></text:p></table:table-cell>
      <table:table-cell office:value-type="string"><text:p>x<text:span text:style-name="T9">struck</text:span></text:p></table:table-cell>)");

    EXPECT_EQ(textOf(book, 0), "a bold word");
    const auto& bold = runsOf(book, 0);
    ASSERT_EQ(bold.size(), 2u);
    EXPECT_EQ(bold[0].start, 2u);
    EXPECT_TRUE(bold[0].font.bold);
    EXPECT_EQ(bold[0].font.sizePt, 12) << "the cell's own font under the span";
    EXPECT_EQ(bold[0].font.color, (Color{0, 0, 255}));
    EXPECT_EQ(bold[1].start, 6u);
    EXPECT_EQ(bold[1].font, book.formats[cellAt(book.sheets[0], 0, 0)->format].font) << "back to the cell's font";

    const auto& red = runsOf(book, 1);
    ASSERT_EQ(red.size(), 2u);
    EXPECT_EQ(red[0].start, 0u);
    EXPECT_EQ(red[0].font.color, (Color{255, 0, 0}));
    EXPECT_EQ(red[1].start, 3u);
    EXPECT_FALSE(red[1].font.color);

    const auto& scripts = runsOf(book, 2);
    ASSERT_EQ(scripts.size(), 4u);
    EXPECT_EQ(scripts[0].start, 4u);
    EXPECT_EQ(scripts[0].font.script, Script::Superscript);
    EXPECT_EQ(scripts[1].font.script, Script::Normal);
    EXPECT_EQ(scripts[2].start, 7u);
    EXPECT_EQ(scripts[2].font.script, Script::Subscript);
    EXPECT_EQ(scripts[3].start, 8u);
    EXPECT_EQ(scripts[0].position, (TextPosition{0, 58})) << "placed by the office";
    EXPECT_EQ(scripts[1].position, TextPosition{});
    EXPECT_EQ(scripts[2].position, (TextPosition{-33, 58}));
    EXPECT_EQ(scripts[3].position, TextPosition{});

    const auto& big = runsOf(book, 3);
    ASSERT_EQ(big.size(), 1u) << "a run to the end needs no way back";
    EXPECT_EQ(big[0].font.sizePt, 15) << "a relative size scales the cell's";
    EXPECT_EQ(big[0].font.name, "Liberation Mono");
    EXPECT_EQ(big[0].font.underline, Underline::Double);
    EXPECT_TRUE(big[0].font.strikeout);

    const auto& loud = runsOf(book, 4);
    ASSERT_EQ(loud.size(), 1u);
    EXPECT_TRUE(loud[0].font.italic) << "from the common style's parent";
    EXPECT_EQ(loud[0].font.color, (Color{0xc0, 0, 0}));

    const auto& struck = runsOf(book, 5);
    ASSERT_EQ(struck.size(), 1u);
    EXPECT_TRUE(struck[0].font.strikeout) << "a line's type alone is a line, as office suites write it";
}

TEST_F(TextRuns, NestedSpansCombineAndParagraphStylesCount) {
    const Workbook book = readCells(R"(
      <table:table-cell office:value-type="string"><text:p>a<text:span text:style-name="T1">b<text:span text:style-name="T2">c<text:span text:style-name="T8">d</text:span></text:span>e</text:span>f</text:p></table:table-cell>
      <table:table-cell office:value-type="string"><text:p text:style-name="P1">Title</text:p><text:p>body <text:span text:style-name="T1">text</text:span></text:p></table:table-cell>)");
    EXPECT_EQ(textOf(book, 0), "abcdef");
    const auto& nested = runsOf(book, 0);
    ASSERT_EQ(nested.size(), 5u);
    EXPECT_EQ(nested[0].start, 1u);
    EXPECT_TRUE(nested[0].font.bold);
    EXPECT_FALSE(nested[0].font.color);
    EXPECT_EQ(nested[1].start, 2u);
    EXPECT_TRUE(nested[1].font.bold) << "the outer span's weight stays under the inner one";
    EXPECT_EQ(nested[1].font.color, (Color{255, 0, 0}));
    EXPECT_EQ(nested[2].start, 3u);
    EXPECT_EQ(nested[2].font.sizePt, 5);
    EXPECT_EQ(nested[2].font.color, (Color{255, 0, 0}));
    EXPECT_EQ(nested[3].start, 4u);
    EXPECT_TRUE(nested[3].font.bold);
    EXPECT_FALSE(nested[3].font.color) << "after the inner span ends, the outer one alone";
    EXPECT_EQ(nested[4].start, 5u);
    EXPECT_FALSE(nested[4].font.bold);

    EXPECT_EQ(textOf(book, 1), "Title\nbody text");
    const auto& title = runsOf(book, 1);
    ASSERT_EQ(title.size(), 3u);
    EXPECT_EQ(title[0].start, 0u);
    EXPECT_EQ(title[0].font.sizePt, 18);
    EXPECT_TRUE(title[0].font.bold);
    EXPECT_EQ(title[1].start, 5u);
    EXPECT_EQ(title[1].font.sizePt, 10);
    EXPECT_EQ(title[2].start, 11u);
    EXPECT_TRUE(title[2].font.bold);
}

TEST_F(TextRuns, PartsInTheCellsOwnFontMakeNoRuns) {
    const Workbook book = readCells(R"(
      <table:table-cell office:value-type="string"><text:p>same <text:span>size</text:span></text:p></table:table-cell>
      <table:table-cell office:value-type="string"><text:p text:style-name="P2">centred only</text:p></table:table-cell>
      <table:table-cell office:value-type="string"><text:p>empty<text:span text:style-name="T1"/> span</text:p></table:table-cell>
      <table:table-cell office:value-type="string"><text:p>same <text:span text:style-name="T10">size</text:span></text:p></table:table-cell>
      <table:table-cell office:value-type="string"><text:p>a <text:span text:style-name="T1">bold</text:span> word</text:p></table:table-cell>
      <table:table-cell office:value-type="string"><text:p>a <text:span text:style-name="T1">bold</text:span> word</text:p></table:table-cell>
      <table:table-cell office:value-type="string"><text:p>a bold word</text:p></table:table-cell>
      <table:table-cell office:value-type="string" office:string-value="given"><text:p><text:span text:style-name="T1">shown</text:span></text:p></table:table-cell>
      <table:table-cell table:formula="of:=&quot;x&quot;" office:value-type="string" office:string-value="x"><text:p><text:span text:style-name="T1">x</text:span></text:p></table:table-cell>
      <table:table-cell office:value-type="string"><text:p><text:span text:style-name="Unknown">x</text:span></text:p></table:table-cell>)");
    for (ColumnIndex column : {0u, 1u, 2u, 3u, 9u}) EXPECT_TRUE(runsOf(book, column).empty()) << column;
    EXPECT_EQ(book.sheets[0].rows[0].cells[0].text, book.sheets[0].rows[0].cells[3].text) << "a plain text stays shared";
    EXPECT_EQ(book.sheets[0].rows[0].cells[4].text, book.sheets[0].rows[0].cells[5].text) << "the same rich text is one entry";
    EXPECT_NE(book.sheets[0].rows[0].cells[4].text, book.sheets[0].rows[0].cells[6].text) << "the plain form is another";
    EXPECT_EQ(textOf(book, 4), textOf(book, 6));
    EXPECT_TRUE(runsOf(book, 7).empty()) << "the stored string wins over the shown text, and its look";
    EXPECT_TRUE(runsOf(book, 8).empty()) << "a formula's result has no runs";
    EXPECT_EQ(book.textRuns.size(), 1u);
}

// The office holds a text as formatted wherever a part's style sets the
// font, even to the cell's own, and lays it out with its text engine: such
// a text keeps one run in the cell's font.
TEST_F(TextRuns, PartsSettingTheCellsOwnFontKeepTheTextFormatted) {
    const Workbook book = readCells(R"(
      <table:table-cell office:value-type="string"><text:p>same <text:span text:style-name="T6">size</text:span></text:p></table:table-cell>
      <table:table-cell table:style-name="ce1" office:value-type="string"><text:p><text:span text:style-name="T6">smaller</text:span> <text:span text:style-name="T6">twice</text:span></text:p></table:table-cell>
      <table:table-cell office:value-type="string"><text:p>same <text:span text:style-name="T6">size</text:span></text:p></table:table-cell>)");
    const std::vector<TextRun>& same = runsOf(book, 0);
    ASSERT_EQ(same.size(), 1u);
    EXPECT_EQ(same[0].start, 5u);
    EXPECT_EQ(same[0].font, book.formats[cellAt(book.sheets[0], 0, 0)->format].font);
    EXPECT_EQ(book.sheets[0].rows[0].cells[0].text, book.sheets[0].rows[0].cells[2].text);
    // A real change of font still makes its runs, and no run is added for
    // the cell's font before it.
    const std::vector<TextRun>& smaller = runsOf(book, 1);
    ASSERT_EQ(smaller.size(), 3u);
    EXPECT_EQ(smaller[0].start, 0u);
    EXPECT_EQ(smaller[0].font.sizePt, 10);
    EXPECT_EQ(smaller[1].start, 7u);
    EXPECT_EQ(smaller[1].font.sizePt, 12);
    EXPECT_EQ(smaller[2].start, 8u);
}

TEST_F(TextRuns, PositionsCountUtf16UnitsAndEverythingTheTextHolds) {
    // U+1D11E (a musical symbol) is two UTF-16 units; é one; spaces, tabs
    // and line breaks inside spans count as the text holds them.
    const Workbook book = readCells(R"(
      <table:table-cell office:value-type="string"><text:p>&#x1D11E;é<text:span text:style-name="T1">b</text:span>c</text:p></table:table-cell>
      <table:table-cell office:value-type="string"><text:p>a<text:span text:style-name="T1"><text:s text:c="3"/>b<text:line-break/>c<text:tab/>d</text:span>e</text:p></table:table-cell>
      <table:table-cell office:value-type="string"><text:p><text:a xlink:href="http://example.com/">go <text:span text:style-name="T2">here</text:span></text:a></text:p></table:table-cell>)");
    const auto& wide = runsOf(book, 0);
    ASSERT_EQ(wide.size(), 2u);
    EXPECT_EQ(wide[0].start, 3u);
    EXPECT_EQ(wide[1].start, 4u);

    EXPECT_EQ(textOf(book, 1), "a   b\ncde");
    const auto& spaced = runsOf(book, 1);
    ASSERT_EQ(spaced.size(), 2u);
    EXPECT_EQ(spaced[0].start, 1u);
    EXPECT_EQ(spaced[1].start, 8u);

    const auto& linked = runsOf(book, 2);
    ASSERT_EQ(linked.size(), 1u);
    EXPECT_EQ(linked[0].start, 3u);
    EXPECT_EQ(book.sheets[0].hyperlinks.size(), 1u);
}

TEST_F(TextRuns, RaisedAndLoweredSpansKeepTheirPlace) {
    const Workbook book = readCells(R"(
      <table:table-cell office:value-type="string"><text:p>a<text:span text:style-name="T3">b</text:span><text:span text:style-name="T11">c</text:span>d</text:p></table:table-cell>
      <table:table-cell office:value-type="string"><text:p>a<text:span text:style-name="T12">b<text:span text:style-name="T1">c</text:span></text:span></text:p></table:table-cell>)");
    const auto& raised = runsOf(book, 0);
    ASSERT_EQ(raised.size(), 3u) << "the same font, placed otherwise, is a run of its own";
    EXPECT_EQ(raised[0].position, (TextPosition{0, 58}));
    EXPECT_EQ(raised[1].start, 2u);
    EXPECT_EQ(raised[1].font, raised[0].font);
    EXPECT_EQ(raised[1].position, (TextPosition{0, 100}));
    EXPECT_EQ(raised[2].position, TextPosition{});

    const auto& lowered = runsOf(book, 1);
    ASSERT_EQ(lowered.size(), 2u);
    EXPECT_EQ(lowered[0].position, (TextPosition{-20, 58})) << "from the span style's parent";
    EXPECT_EQ(lowered[1].position, (TextPosition{-20, 58})) << "a span inside keeps the place around it";
    EXPECT_TRUE(lowered[1].font.bold);
}

TEST(TextPositions, KeywordsAndPercentagesAsTheOfficeReadsThem) {
    using ods::readTextPosition;
    const auto placed = [](std::string_view value) {
        const auto p = readTextPosition(value);
        return p ? std::make_tuple(static_cast<int>(p->script), int{p->position.offsetPercent}, int{p->position.sizePercent})
                 : std::make_tuple(-1, 0, 0);
    };
    constexpr int normal = 0, super = 1, sub = 2;
    EXPECT_EQ(placed("super"), std::make_tuple(super, 0, 58)) << "a single value: letters at 58 %";
    EXPECT_EQ(placed("sub 100%"), std::make_tuple(sub, 0, 100));
    EXPECT_EQ(placed("-33% 58%"), std::make_tuple(sub, -33, 58));
    EXPECT_EQ(placed("  33%   100% "), std::make_tuple(super, 33, 100));
    EXPECT_EQ(placed("-20%"), std::make_tuple(sub, -20, 58));
    EXPECT_EQ(placed("0% 100%"), std::make_tuple(normal, 0, 100));
    EXPECT_EQ(placed("-33.6% 58.4%"), std::make_tuple(sub, -34, 58)) << "whole percentages, rounded";
    EXPECT_EQ(placed("150% 100%"), std::make_tuple(super, 150, 100)) << "beyond the line's height is allowed";
    EXPECT_EQ(placed("-1e9% 1e9%"), std::make_tuple(sub, -1000, 1000)) << "kept within reason";
    EXPECT_EQ(placed("33% 0%"), std::make_tuple(super, 33, 1));
    EXPECT_EQ(placed("33% x"), std::make_tuple(super, 33, 58));
    EXPECT_EQ(placed("high"), std::make_tuple(-1, 0, 0));
    EXPECT_EQ(placed("nan%"), std::make_tuple(-1, 0, 0));
    EXPECT_EQ(placed(""), std::make_tuple(-1, 0, 0));
}

}  // namespace
}  // namespace brindlemoor::office::testing
