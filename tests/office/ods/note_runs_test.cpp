// The text of a note in fonts of its own: its text style, paragraph styles
// and spans (nested, common styles with parents) become runs over the
// document's default font, in UTF-16 positions of the note's text.
#include "package_builder.h"

#include <gtest/gtest.h>

namespace brindlemoor::office::testing {
namespace {

const char* const kCommonStyles = R"(
  <style:default-style style:family="table-cell"><style:text-properties style:font-name="Liberation Sans" fo:font-size="10pt"/></style:default-style>
  <style:style style:name="Default" style:family="table-cell"/>
  <style:style style:name="Emphasis" style:family="text"><style:text-properties fo:font-style="italic"/></style:style>
  <style:style style:name="Loud" style:family="text" style:parent-style-name="Emphasis"><style:text-properties fo:color="#c00000"/></style:style>)";

// ce1 gives its cell a font of its own, which a note does not take.
const char* const kAutomaticStyles = R"(
  <style:style style:name="ce1" style:family="table-cell"><style:text-properties fo:font-size="16pt" fo:color="#0000ff"/></style:style>
  <style:style style:name="T1" style:family="text"><style:text-properties fo:font-weight="bold"/></style:style>
  <style:style style:name="T2" style:family="text"><style:text-properties fo:color="#ff0000"/></style:style>
  <style:style style:name="T3" style:family="text"><style:text-properties fo:font-size="14pt"/></style:style>
  <style:style style:name="P1" style:family="paragraph"><style:text-properties style:font-name="Liberation Sans" fo:font-size="10pt"/></style:style>
  <style:style style:name="P2" style:family="paragraph"><style:text-properties fo:font-size="18pt" fo:font-weight="bold"/></style:style>
  <style:style style:name="P3" style:family="paragraph"><style:text-properties fo:font-size="9pt"/></style:style>)";

class NoteRuns : public ::testing::Test {
protected:
    // Reads one row of the given cells.
    Workbook readCells(const std::string& cells) {
        const auto file = dir.file("notes.ods");
        writeSpreadsheet(file,
                         contentXml(kAutomaticStyles, R"(<table:table table:name="S"><table:table-row>)" + cells +
                                                          "</table:table-row></table:table>"),
                         stylesXml(kCommonStyles));
        return read(file);
    }
    static const Annotation& noteOf(const Workbook& book, ColumnIndex column) {
        const Cell* cell = cellAt(book.sheets[0], 0, column);
        EXPECT_TRUE(cell && cell->annotation != kNone);
        return book.sheets[0].annotations.at(cell->annotation);
    }
    static std::string note(const std::string& inner, const std::string& attributes = "") {
        return "<table:table-cell table:style-name=\"ce1\" office:value-type=\"string\"><office:annotation" + attributes +
               "><dc:creator>Ada</dc:creator><dc:date>2024-01-02T00:00:00</dc:date>" + inner +
               "</office:annotation><text:p>x</text:p></table:table-cell>";
    }
    TempDir dir;
};

TEST_F(NoteRuns, SpansAndParagraphsOverTheDocumentsFont) {
    const Workbook book = readCells(
        note(R"(<text:p>a <text:span text:style-name="T1">bold</text:span> word</text:p>)") +
        note(R"(<text:p text:style-name="P2">Title</text:p><text:p>body <text:span text:style-name="Loud">text</text:span></text:p>)") +
        note(R"(<text:p>a<text:span text:style-name="T1">b<text:span text:style-name="T2">c<text:span text:style-name="T3">d</text:span>e</text:span>f</text:span>g</text:p>)"));
    const Font& base = book.formats[0].font;

    const Annotation& bold = noteOf(book, 0);
    EXPECT_EQ(bold.author, "Ada");
    EXPECT_EQ(bold.text, "a bold word");
    ASSERT_EQ(bold.runs.size(), 2u);
    EXPECT_EQ(bold.runs[0].start, 2u);
    EXPECT_TRUE(bold.runs[0].font.bold);
    EXPECT_EQ(bold.runs[0].font.sizePt, 10) << "the document's font under the span, not the cell's";
    EXPECT_FALSE(bold.runs[0].font.color);
    EXPECT_EQ(bold.runs[1].start, 6u);
    EXPECT_EQ(bold.runs[1].font, base);

    const Annotation& titled = noteOf(book, 1);
    EXPECT_EQ(titled.text, "Title\nbody text");
    ASSERT_EQ(titled.runs.size(), 3u);
    EXPECT_EQ(titled.runs[0].start, 0u);
    EXPECT_EQ(titled.runs[0].font.sizePt, 18);
    EXPECT_TRUE(titled.runs[0].font.bold);
    EXPECT_EQ(titled.runs[1].start, 5u);
    EXPECT_EQ(titled.runs[1].font, base);
    EXPECT_EQ(titled.runs[2].start, 11u);
    EXPECT_TRUE(titled.runs[2].font.italic) << "from the common style's parent";
    EXPECT_EQ(titled.runs[2].font.color, (Color{0xc0, 0, 0}));

    const Annotation& nested = noteOf(book, 2);
    ASSERT_EQ(nested.runs.size(), 6u);
    EXPECT_EQ(nested.runs[2].start, 3u);
    EXPECT_TRUE(nested.runs[2].font.bold);
    EXPECT_EQ(nested.runs[2].font.color, (Color{255, 0, 0}));
    EXPECT_EQ(nested.runs[2].font.sizePt, 14);
    EXPECT_EQ(nested.runs[3].start, 4u);
    EXPECT_EQ(nested.runs[3].font.sizePt, 10);
    EXPECT_EQ(nested.runs[5].start, 6u);
    EXPECT_EQ(nested.runs[5].font, base);

    EXPECT_TRUE(book.textRuns.empty()) << "the cells' own texts are plain";
    EXPECT_EQ(book.strings.at(cellAt(book.sheets[0], 0, 0)->text), "x");
}

TEST_F(NoteRuns, TheNotesTextStyleIsItsFont) {
    const Workbook book = readCells(
        note(R"(<text:p text:style-name="P1">plain, as the office writes it</text:p>)", R"( draw:text-style-name="P1")") +
        note(R"(<text:p>small <text:span text:style-name="T1">bold</text:span></text:p>)", R"( draw:text-style-name="P3")") +
        note(R"(<text:p>no styles at all</text:p>)") + note(R"(<text:p>unknown <text:span text:style-name="Nope">style</text:span></text:p>)"));
    for (ColumnIndex column : {0u, 2u, 3u}) {
        for (const TextRun& run : noteOf(book, column).runs) EXPECT_EQ(run.font, book.formats[0].font) << column;
    }
    const Annotation& small = noteOf(book, 1);
    ASSERT_EQ(small.runs.size(), 2u);
    EXPECT_EQ(small.runs[0].start, 0u);
    EXPECT_EQ(small.runs[0].font.sizePt, 9);
    EXPECT_EQ(small.runs[1].start, 6u);
    EXPECT_EQ(small.runs[1].font.sizePt, 9) << "the span over the note's own font";
    EXPECT_TRUE(small.runs[1].font.bold);
}

TEST_F(NoteRuns, PositionsCountUtf16Units) {
    // U+1D11E is two UTF-16 units, é one; a line break inside a span counts.
    const Workbook book = readCells(note(
        R"(<text:p>&#x1D11E;é<text:span text:style-name="T1">b<text:line-break/>c</text:span>d</text:p><text:p><text:span text:style-name="T2">e</text:span></text:p>)"));
    const Annotation& wide = noteOf(book, 0);
    EXPECT_EQ(wide.text, "\xF0\x9D\x84\x9E\xC3\xA9" "b\ncd\ne");
    ASSERT_EQ(wide.runs.size(), 3u);
    EXPECT_EQ(wide.runs[0].start, 3u);
    EXPECT_EQ(wide.runs[1].start, 6u);
    EXPECT_EQ(wide.runs[2].start, 8u);
    EXPECT_EQ(wide.runs[2].font.color, (Color{255, 0, 0}));
}

}  // namespace
}  // namespace brindlemoor::office::testing
