// Wrapped text broken into lines, and the heights of rows holding it.
#include "office/xls/column_width.h"
#include "office/xls/row_height.h"
#include "office/xls/text_layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace brindlemoor::office::xls {
namespace {

// Every character one unit wide, so that widths are character counts.
std::size_t lines(std::u32string_view text, double width) {
    return breakLines(text, width, [](std::size_t) { return 1.0; }).size();
}

TEST(TextLayout, BreaksBetweenWordsAndLetsSpacesHang) {
    EXPECT_EQ(lines(U"aaa bbb ccc", 11), 1u);
    EXPECT_EQ(lines(U"aaa bbb ccc", 7), 2u);  // "aaa bbb" fills the line exactly
    EXPECT_EQ(lines(U"aaa bbb ccc", 6), 3u);
    EXPECT_EQ(lines(U"aaa      ", 3), 1u) << "spaces at the end of a line take no room";
    EXPECT_EQ(lines(U"aaa      bbb", 5), 2u) << "nor do they start a line of their own";
    EXPECT_EQ(lines(U"a\u00A0b c", 3), 2u) << "a no-break space is a space to the line";
}

TEST(TextLayout, BreaksAWordWiderThanTheLineBetweenItsCharacters) {
    EXPECT_EQ(lines(U"aaaaaaaaaa", 3), 4u);
    EXPECT_EQ(lines(U"ab aaaaaaa", 3), 4u) << "the long word starts a line of its own";
    EXPECT_EQ(lines(U"aaaaaaa b", 3), 3u) << "the word's last piece shares its line";
    EXPECT_EQ(lines(U"aaaa", 0), 4u) << "at least one character a line";
}

TEST(TextLayout, BreaksAfterHyphensWithinWords) {
    EXPECT_EQ(lines(U"well-known", 5), 2u);
    EXPECT_EQ(lines(U"well-known", 10), 1u);
    EXPECT_EQ(lines(U"-known", 5), 2u) << "a leading hyphen belongs to the word";
}

TEST(TextLayout, CountsEveryParagraph) {
    EXPECT_EQ(lines(U"", 5), 1u);
    EXPECT_EQ(lines(U"a\nb", 5), 2u);
    EXPECT_EQ(lines(U"a\n\nb", 5), 3u) << "an empty paragraph is a line";
    EXPECT_EQ(lines(U"aaa bbb\nc", 4), 3u);
    EXPECT_EQ(breakLines(U"aaa bbb\nc", std::nullopt, [](std::size_t) { return 1.0; }), (std::vector<std::size_t>{0, 8}))
        << "without a width, only at line feeds";
    EXPECT_EQ(breakLines(U"ab cd\nef", 2, [](std::size_t) { return 1.0; }), (std::vector<std::size_t>{0, 3, 6}));
}

TEST(TextLayout, UsesEachCharactersOwnWidth) {
    const auto narrowI = [](std::u32string_view text) {
        return [text](std::size_t i) { return text[i] == U'm' ? 1.0 : 0.25; };
    };
    EXPECT_EQ(breakLines(U"iiii iiii", 2.25, narrowI(U"iiii iiii")).size(), 1u);
    EXPECT_EQ(breakLines(U"mmmm mmmm", 2.25, narrowI(U"mmmm mmmm")).size(), 4u);
    EXPECT_EQ(toUtf32("\xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80"), U"\u00E9t\u00E9 \U0001F600");
}

bool liberationSansShown() { return measureFace("Arial").fontFile.find("LiberationSans-Regular") != std::string::npos; }

constexpr double kStandardPaddingPt = CellFormat::kStandardVerticalPaddingPt;
double hundredthsMm(double value) { return value * 72 / 2540; }

// Least column widths at which LibreOffice keeps each text on one line,
// found by narrowing the column a hundredth of a millimetre at a time.
TEST(TextLayout, FitsWhereTheOfficeFitsIt) {
    if (!liberationSansShown()) GTEST_SKIP() << "Arial is not shown in Liberation Sans here";
    Font arial;
    struct Case {
        const char* text;
        double sizePt;
        bool bold;
        double leastWidth;  // 1/100 mm
    };
    for (const Case& c : {Case{"xaaaaaaaaaax", 10, false, 2397}, Case{"xaaaaaaaaaaaaaaaaaaaaaaaaaaaaaax", 10, false, 6210},
                          Case{"xmmmmmmmmmmx", 10, false, 3487}, Case{"x          x", 10, false, 1580},
                          Case{"The quick brown fox", 10, true, 3568}, Case{"Test Column 1", 20, false, 4903},
                          Case{"Test Column 1", 8, false, 2042}}) {
        arial.sizePt = c.sizePt;
        arial.bold = c.bold;
        EXPECT_EQ(layOutText(c.text, arial, {}, hundredthsMm(c.leastWidth + 2), kStandardPaddingPt).lines, 1u) << c.text;
        EXPECT_EQ(layOutText(c.text, arial, {}, hundredthsMm(c.leastWidth - 4), kStandardPaddingPt).lines, 2u) << c.text;
    }
    arial = Font{};
    EXPECT_EQ(layOutText("xaaaaaaaaaax", arial, {}, hundredthsMm(2397 + 100), kStandardPaddingPt + hundredthsMm(110)).lines, 2u)
        << "wider padding leaves less room";
}

// Heights LibreOffice gives cells whose text has parts in other sizes.
TEST(TextLayout, ALineIsAsHighAsItsTallestRun) {
    if (!liberationSansShown()) GTEST_SKIP() << "Arial is not shown in Liberation Sans here";
    Font small;
    Font large;
    large.sizePt = 20;
    const auto height = [&](const char* text, std::vector<TextRun> runs, std::optional<double> width = std::nullopt) {
        const LaidOutText laidOut = layOutText(text, small, runs, width, kStandardPaddingPt);
        return laidOut.heightPt ? std::lround(*laidOut.heightPt * 2540 / 72) : -1;
    };
    EXPECT_NEAR(height("abcd", {{2, large}}), 841, 2);
    EXPECT_NEAR(height("abcd", {{0, large}}), 841, 2) << "the text engine's line, not a single line's 863";
    EXPECT_NEAR(height("abcd\nef", {{2, large}}), 1632, 2) << "the run lasts into the next paragraph";
    EXPECT_NEAR(height("ab\ncdef", {{3, small}, {5, large}}), 1236, 2) << "each line its own tallest run";
    EXPECT_NEAR(height("aaa bbb ccc ddd eee fff", {{16, large}}, hundredthsMm(1000)), 4001, 2)
        << "runs are broken with their own widths: four small lines, three large";
    EXPECT_NEAR(height("\xF0\x9F\x98\x80" "a\nb", {{2, large}, {3, small}}), 1236, 2) << "runs start in UTF-16 units";
}

// LibreOffice's heights of rows holding "Tx Tx" with the second word raised
// or lowered (style:text-position), in hundredths of a millimetre.
TEST(TextLayout, RaisedAndLoweredTextDeepensItsLine) {
    if (!liberationSansShown()) GTEST_SKIP() << "Arial is not shown in Liberation Sans here";
    const auto height = [](Font cell, std::vector<std::pair<std::uint32_t, TextPosition>> placed,
                           std::optional<double> runSizePt = std::nullopt, const char* text = "Tx Tx") {
        std::vector<TextRun> runs;
        for (const auto& [start, position] : placed) {
            TextRun run{start, cell, position};
            if (runSizePt) run.font.sizePt = *runSizePt;
            run.font.script = position.offsetPercent > 0 ? Script::Superscript : Script::Subscript;
            runs.push_back(run);
        }
        const LaidOutText laidOut = layOutText(text, cell, runs, std::nullopt, kStandardPaddingPt);
        return laidOut.heightPt ? std::lround(*laidOut.heightPt * 2540 / 72) : -1;
    };
    Font ten;
    Font twenty;
    twenty.sizePt = 20;
    // Lowered: the descent of the smaller letters plus the offset; raised: their ascent plus it.
    EXPECT_NEAR(height(ten, {{3, {-100, 100}}}), 788, 2);
    EXPECT_NEAR(height(ten, {{3, {-100, 58}}}), 762, 2);
    EXPECT_NEAR(height(ten, {{3, {-33, 58}}}), 526, 2);
    EXPECT_NEAR(height(ten, {{3, {-33, 33}}}), 499, 2);
    EXPECT_NEAR(height(ten, {{3, {100, 33}}}), 579, 2);
    EXPECT_NEAR(height(ten, {{3, {50, 58}}}), 499, 2);
    EXPECT_NEAR(height(ten, {{3, {33, 58}}}), 446, 2) << "small raised letters stay within the line";
    EXPECT_NEAR(height(ten, {{3, {0, 58}}}), 446, 2) << "placed by the office: within the line";
    EXPECT_NEAR(height(ten, {{3, {150, 100}}}), 974, 2);
    EXPECT_NEAR(height(twenty, {{3, {-5, 100}}}), 868, 2) << "a fraction of a pixel counts once the line is summed";
    EXPECT_NEAR(height(twenty, {{3, {-10, 100}}}), 921, 2);
    EXPECT_NEAR(height(twenty, {{3, {66, 58}}}), 1027, 2) << "fractions dropped in hundredths of a millimetre";
    EXPECT_NEAR(height(twenty, {{3, {-66, 33}}}), 1210, 2);
    // A run in a size of its own moves by its own size and counts at it in full.
    EXPECT_NEAR(height(ten, {{3, {-33, 33}}}, 20), 974, 2);
    EXPECT_NEAR(height(ten, {{3, {33, 33}}}, 20), 841, 2);
    EXPECT_NEAR(height(ten, {{3, {-33, 33}}}, 30), 1420, 2);
    EXPECT_NEAR(height(ten, {{3, {33, 33}}}, 30), 1210, 2);
    EXPECT_NEAR(height(ten, {{3, {-66, 100}}}, 30), 1894, 2);
    // Raised and lowered on one line, and over two lines.
    EXPECT_NEAR(height(ten, {{3, {33, 58}}, {4, {-33, 58}}}, std::nullopt, "Tx TxTx"), 526, 2);
    EXPECT_NEAR(height(ten, {{3, {-33, 58}}, {5, {}}}, std::nullopt, "Tx Tx\nTx"), 921, 2);
    EXPECT_NEAR(height(ten, {{3, {-33, 58}}, {5, {}}, {9, {33, 58}}}, std::nullopt, "Tx Tx\nTx Tx"), 921, 2);

    // Wrapped in a column 2 cm wide: smaller letters take less room, and the
    // lines of such text are summed before they are rounded to pixels.
    const auto wrapped = [&](const char* text, TextPosition position) {
        TextRun run{1, ten, position};
        run.font.script = position.offsetPercent > 0 ? Script::Superscript : Script::Subscript;
        const LaidOutText laidOut = layOutText(text, ten, {run}, hundredthsMm(2000), kStandardPaddingPt);
        return laidOut.heightPt ? std::lround(*laidOut.heightPt * 2540 / 72) : -1;
    };
    EXPECT_NEAR(wrapped("x123456789012345678901234", {-33, 33}), 499, 2);
    EXPECT_NEAR(wrapped("x123456789012345678901234", {0, 33}), 446, 2) << "small letters on the baseline";
    EXPECT_NEAR(wrapped("x123456789012345678901234", {-33, 100}), 1579, 2) << "three lines, each deepened";
    EXPECT_NEAR(wrapped("x12345 67890 12345 67890 12345 67890 12345", {-33, 33}), 974, 2);

    Font carlito;
    carlito.name = "Carlito";
    carlito.sizePt = 12;
    if (measureFace("Carlito").fontFile.find("Carlito-Regular") != std::string::npos) {
        EXPECT_NEAR(height(carlito, {{3, {-33, 58}}}), 579, 2);
        EXPECT_NEAR(height(carlito, {{3, {100, 58}}}), 762, 2);
        EXPECT_NEAR(height(carlito, {{3, {-66, 33}}}), 684, 2);
        // Placed by the office: raised by 80 % of the room the smaller
        // letters leave (here above Carlito's short ascent), lowered by 20 %.
        const auto placedByTheOffice = [&](double sizePt, Script script, std::uint16_t sizePercent) {
            Font font = carlito;
            font.sizePt = sizePt;
            TextRun run{3, font, {0, sizePercent}};
            run.font.script = script;
            const LaidOutText laidOut = layOutText("Tx Tx", font, {run}, std::nullopt, kStandardPaddingPt);
            return laidOut.heightPt ? std::lround(*laidOut.heightPt * 2540 / 72) : -1;
        };
        EXPECT_NEAR(placedByTheOffice(20, Script::Superscript, 1), 788, 2);
        EXPECT_NEAR(placedByTheOffice(20, Script::Superscript, 58), 762, 2);
        EXPECT_NEAR(placedByTheOffice(72, Script::Superscript, 1), 2711, 2);
        EXPECT_NEAR(placedByTheOffice(72, Script::Superscript, 58), 2605, 2);
        EXPECT_NEAR(placedByTheOffice(72, Script::Superscript, 90), 2579, 2);
        EXPECT_NEAR(placedByTheOffice(72, Script::Subscript, 1), 2579, 2);
    }
    Font dejaVu;
    dejaVu.name = "DejaVu Sans";
    dejaVu.sizePt = 14;
    if (measureFace("DejaVu Sans").fontFile.find("DejaVuSans.ttf") != std::string::npos) {
        EXPECT_NEAR(height(dejaVu, {{3, {-33, 58}}}), 736, 2);
        EXPECT_NEAR(height(dejaVu, {{3, {100, 58}}}), 921, 2);
    }
}

// LibreOffice's heights of one line turned by an angle, in twips.
TEST(TextLayout, TurnedTextTakesTheHeightOfItsTurnedBox) {
    if (!liberationSansShown()) GTEST_SKIP() << "Arial is not shown in Liberation Sans here";
    Font font;
    const auto twips = [&](const char* text, int degrees) {
        const std::optional<double> pt = rotatedTextHeightPt(text, font, degrees);
        return pt ? std::lround(*pt * 20) : -1;
    };
    EXPECT_EQ(twips("Not printed", 10), 402);
    EXPECT_EQ(twips("Not printed", 27), 641);
    EXPECT_EQ(twips("Not printed", -27), 641) << "turned the other way";
    EXPECT_EQ(twips("Not printed", 45), 850);
    EXPECT_EQ(twips("Not printed", 60), 955);
    EXPECT_EQ(twips("Not printed", 80), 985);
    EXPECT_EQ(twips("Not printed", 90), 970) << "upright: as high as the text is long";
    EXPECT_EQ(twips("W", 27), 298);
    EXPECT_EQ(twips("W", 60), 283);
    font.sizePt = 20;
    EXPECT_EQ(twips("Not printed", 10), 805);
    EXPECT_EQ(twips("Not printed", 27), 1328);
    EXPECT_EQ(twips("W", 45), 597);
}

class WrappedRows : public testing::Test {
protected:
    std::uint32_t add(const CellFormat& format) {
        wb.formats.push_back(format);
        return static_cast<std::uint32_t>(wb.formats.size() - 1);
    }
    Row textRow(RowIndex index, std::vector<std::pair<ColumnIndex, std::string>> texts, std::uint32_t format) {
        Row row;
        row.index = index;
        row.heightPt = 100;  // stored, never what a laid out row shows
        for (const auto& [column, text] : texts) {
            Cell cell;
            cell.column = column;
            cell.type = CellType::Text;
            cell.text = wb.strings.intern(text);
            cell.format = format;
            row.cells.push_back(cell);
        }
        return row;
    }
    std::uint16_t twips(const Sheet& sheet, std::size_t row) {
        return RowHeights(wb, sheet, 10).twips(sheet.rows[row], sheet.rows[row].index);
    }
    Workbook wb;
};

// Heights LibreOffice gives the same cells (1/100 mm turned into twips).
TEST_F(WrappedRows, TakeTheLinesTheirColumnsBreakThemInto) {
    if (!liberationSansShown()) GTEST_SKIP() << "Arial is not shown in Liberation Sans here";
    CellFormat wrap;
    wrap.alignment.wrap = true;
    const std::uint32_t wrapped = add(wrap);
    wrap.font.sizePt = 12;
    const std::uint32_t wrappedLarger = add(wrap);
    Sheet sheet;
    ColumnRun narrow;
    narrow.first = 1;
    narrow.widthPt = hundredthsMm(800);
    sheet.columns = {narrow};
    sheet.rows = {
        textRow(0, {{0, "Test Column 1"}}, wrapped),                       // two lines in the standard column
        textRow(1, {{1, "Test Column 1"}}, wrapped),                       // four lines in the narrow one
        textRow(2, {{0, "one two three four five six seven eight"}, {2, "a"}}, wrapped),
        textRow(3, {{0, "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"}}, wrappedLarger),
        textRow(4, {{2, "one two three four five six seven eight"}}, wrapped),  // one line merged over three columns
        textRow(5, {{2, "one two three four five six seven eight"}}, wrapped),  // merged down: does not count
        textRow(6, {{0, "first\nsecond"}}, wrapped),
    };
    sheet.merges = {{4, 2, 4, 4}, {5, 2, 6, 2}};
    EXPECT_NEAR(twips(sheet, 0), 841 * 1440 / 2540, 2);
    EXPECT_NEAR(twips(sheet, 1), 2027 * 1440 / 2540, 2);
    EXPECT_NEAR(twips(sheet, 2), 1236 * 1440 / 2540, 2);
    EXPECT_NEAR(twips(sheet, 3), 1842 * 1440 / 2540, 2);
    EXPECT_EQ(twips(sheet, 4), 256);
    EXPECT_EQ(twips(sheet, 5), 256);
    EXPECT_NEAR(twips(sheet, 6), 841 * 1440 / 2540, 2) << "each paragraph a line of its own";
}

// Rows whose empty cells reach past the office's 1024 columns, in a sheet
// whose columns' default style does too: such runs count only in the
// columns in use. The document's default format is 12 pt here.
TEST_F(WrappedRows, RunsPastTheOfficesColumnsCountOnlyWhereColumnsAreInUse) {
    wb.formats[0].font.sizePt = 12;
    CellFormat format = wb.formats[0];
    format.font.sizePt = 10;
    const std::uint32_t small = add(format);
    const auto emptyAt = [](ColumnIndex column, std::uint32_t format, std::uint32_t repeat = 1) {
        Cell cell;
        cell.column = column;
        cell.format = format;
        cell.repeat = repeat;
        return cell;
    };
    Sheet sheet;
    ColumnRun first;
    first.repeat = 2;
    first.format = small;
    ColumnRun rest = first;
    rest.first = 2;
    rest.repeat = 16382;
    sheet.columns = {first, rest};
    Row late = textRow(0, {{0, "x"}}, small);
    late.cells.push_back(emptyAt(2, small, 11));
    late.cells.push_back(emptyAt(13, 0, 16371));
    Row early = textRow(1, {{0, "x"}}, small);
    early.cells.push_back(emptyAt(2, small, 3));
    early.cells.push_back(emptyAt(5, 0, 16379));
    Row empty;
    empty.index = 3;
    empty.cells = {emptyAt(0, 0, 16384)};
    Row noted = textRow(4, {{0, "x"}}, small);
    noted.cells.push_back(emptyAt(2, 0, 16382));
    Cell note = emptyAt(20, 0);
    note.annotation = 0;
    Row withNote;
    withNote.index = 5;
    withNote.cells = {note};
    sheet.rows = {late, early, textRow(2, {{7, "value"}}, small), empty};
    const std::uint16_t oneLineOf10 = 256, oneLineOf12 = 300;
    EXPECT_EQ(twips(sheet, 0), oneLineOf10) << "columns from N on are not in use";
    EXPECT_EQ(twips(sheet, 1), oneLineOf12) << "columns F to M are: the run's format counts there";
    EXPECT_EQ(twips(sheet, 3), oneLineOf12) << "an empty row counts the columns in use";
    sheet.rows[3].cells[0].format = small;
    EXPECT_EQ(twips(sheet, 3), oneLineOf10) << "with the run's own format";
    sheet.rows = {noted};
    EXPECT_EQ(twips(sheet, 0), oneLineOf10);
    sheet.rows = {noted, withNote};
    EXPECT_EQ(twips(sheet, 0), oneLineOf12) << "a note puts its column in use";
    sheet.rows[0].cells.back().repeat = 1022;
    sheet.rows[0].cells.back().format = small;
    EXPECT_EQ(twips(sheet, 0), oneLineOf10) << "a run ending on the last column counts with its own format";
}



// A row of text turned by an angle takes its turned box's height; stacked
// text, and turned text that wraps, keep the stored height.
TEST_F(WrappedRows, TurnedTextTakesItsTurnedBoxStackedAndWrappedKeepTheStoredHeight) {
    if (!liberationSansShown()) GTEST_SKIP() << "Arial is not shown in Liberation Sans here";
    CellFormat turned;
    turned.alignment.rotation = -27;
    CellFormat stacked;
    stacked.alignment.rotation = 255;
    CellFormat turnedWrapped = turned;
    turnedWrapped.alignment.wrap = true;
    CellFormat steep;
    steep.alignment.rotation = 80;
    Sheet sheet;
    sheet.rows = {textRow(0, {{0, "Not printed"}}, add(turned)), textRow(1, {{0, "Not printed"}}, add(stacked)),
                  textRow(2, {{0, "Not printed"}}, add(turnedWrapped)), textRow(3, {{0, "W"}}, add(steep)),
                  textRow(4, {{0, "two\nlines"}}, add(turned))};
    EXPECT_EQ(twips(sheet, 0), 641);
    EXPECT_EQ(twips(sheet, 1), 2000);
    EXPECT_EQ(twips(sheet, 2), 2000);
    EXPECT_EQ(twips(sheet, 3), 256) << "never lower than the text's line";
    EXPECT_EQ(twips(sheet, 4), 2000) << "several lines turned are not measured";
}

}  // namespace
}  // namespace brindlemoor::office::xls
