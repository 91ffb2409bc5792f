// The fonts of texts in several fonts: FONT records shared with the cells'
// fonts, colours kept exact in the palette, and the workbook's font limit.
#include "office/xls/style_sheet.h"

#include <gtest/gtest.h>

namespace brindlemoor::office::xls {
namespace {

Font font(double size, bool bold = false, std::optional<Color> color = std::nullopt) {
    Font f;
    f.sizePt = size;
    f.bold = bold;
    f.color = color;
    return f;
}

// A workbook whose first sheet has one text cell per rich text, in the default format.
Workbook withRichTexts(const std::vector<std::vector<TextRun>>& texts) {
    Workbook book;
    book.sheets.emplace_back();
    Row row;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const std::uint32_t index = book.strings.addDistinct("text " + std::to_string(i) + std::string(40000, 'x'));
        book.textRuns.emplace(index, texts[i]);
        Cell cell;
        cell.column = static_cast<ColumnIndex>(i % 256);
        cell.type = CellType::Text;
        cell.text = index;
        row.cells.push_back(cell);
    }
    book.sheets[0].rows.push_back(row);
    return book;
}

TEST(TextRunFonts, RunsShareFontRecordsWithCellsAndEachOther) {
    Workbook book = withRichTexts({{{2, font(12, true)}, {6, font(10)}}, {{0, font(12, true)}}});
    CellFormat big;
    big.font = font(12, true);
    book.formats.push_back(big);
    book.sheets[0].rows[0].cells.push_back({.column = 10, .type = CellType::Number, .format = 1});
    Warnings warnings;
    const StyleSheet styles(book, warnings);

    // Font 0 (four records) is the default; the bold 12 pt cell's font is
    // the next one, read as index 5; the runs find it and font 0.
    EXPECT_EQ(styles.fontRecordCount(), 5u);
    ASSERT_EQ(styles.stringRuns().size(), 2u);
    EXPECT_EQ(styles.stringRuns().at(0), (std::vector<FormattingRun>{{2, 5}, {6, 0}}));
    EXPECT_EQ(styles.stringRuns().at(1), (std::vector<FormattingRun>{{0, 5}}));
    EXPECT_TRUE(warnings.empty());
}

TEST(TextRunFonts, RunColoursKeepExactPaletteEntries) {
    const Color odd{0x12, 0x34, 0x56};
    const Workbook book = withRichTexts({{{1, font(10, false, odd)}}});
    Warnings warnings;
    const StyleSheet styles(book, warnings);
    const std::uint16_t index = styles.colorIndex(odd, 0);
    ASSERT_GE(index, kFirstPaletteIndex);
    EXPECT_EQ(styles.palette().entries()[index - kFirstPaletteIndex], odd);
}

TEST(TextRunFonts, RunsBeyondTheTextLimitOrTheFontLimitAreDroppedWithAWarning) {
    std::vector<std::vector<TextRun>> texts;
    // Each text: a run in a font of its own, then back to the default at a
    // place beyond what a cell holds.
    for (int i = 0; i < 600; ++i) texts.push_back({{3, font(11 + i * 0.25)}, {33000, font(10)}});
    const Workbook book = withRichTexts(texts);
    Warnings warnings;
    const StyleSheet styles(book, warnings);

    EXPECT_EQ(styles.fontRecordCount(), kMaxFontRecords);
    std::size_t withRuns = 0;
    for (const auto& [text, runs] : styles.stringRuns()) {
        ++withRuns;
        ASSERT_EQ(runs.size(), 1u) << "the run beyond 32,767 characters is cut";
        EXPECT_EQ(runs[0].start, 3);
        EXPECT_NE(runs[0].font, 4);
        EXPECT_LE(runs[0].font, kMaxFontRecords);
    }
    EXPECT_EQ(withRuns, kMaxFontRecords - 4) << "one text per font that found room";
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("92 part(s)"), std::string::npos) << warnings[0];
}

}  // namespace
}  // namespace brindlemoor::office::xls
