// The text of notes and text boxes: the TXO's formatting runs (start and
// font, the end marker at the text's length), and a note's runs in a whole
// workbook, their fonts FONT records of the font table.

#include "biff_records.h"
#include "office/xls/drawing_records.h"
#include "office/xls/workbook_stream.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace brindlemoor::office::xls {
namespace {

using test::Record;

constexpr std::uint16_t kTxo = 0x01B6, kContinue = 0x003C, kFont = 0x0031, kBof = 0x0809;

// A TXO and what follows it: the text (each piece without its flags byte,
// as UTF-16) and the runs as (start, font) pairs, end marker included.
struct TextObject {
    std::uint16_t length = 0, runBytes = 0;
    std::u16string text;
    std::vector<std::pair<std::uint16_t, std::uint16_t>> runs;
    std::size_t runRecords = 0;
};

TextObject parse(const std::vector<Record>& records, std::size_t txo) {
    TextObject t;
    t.length = records[txo].u16(10);
    t.runBytes = records[txo].u16(12);
    std::size_t i = txo + 1;
    while (t.text.size() < t.length && i < records.size() && records[i].id == kContinue) {
        const Record& piece = records[i++];
        const bool wide = piece.data[0] & 1;
        for (std::size_t at = 1; at < piece.data.size(); at += wide ? 2 : 1) {
            t.text += wide ? static_cast<char16_t>(piece.u16(at)) : static_cast<char16_t>(piece.data[at]);
        }
    }
    std::size_t bytes = 0;
    while (bytes < t.runBytes && i < records.size() && records[i].id == kContinue) {
        const Record& piece = records[i++];
        for (std::size_t at = 0; at + 8 <= piece.data.size(); at += 8) t.runs.emplace_back(piece.u16(at), piece.u16(at + 2));
        bytes += piece.data.size();
        ++t.runRecords;
    }
    return t;
}

TextObject writeOne(std::u16string_view text, std::vector<FormattingRun> runs) {
    BiffStream out;
    writeTextObject(out, text, runs);
    const auto records = test::splitRecords(out.bytes());
    EXPECT_EQ(records.front().id, kTxo);
    return parse(records, 0);
}

using Runs = std::vector<std::pair<std::uint16_t, std::uint16_t>>;

TEST(TextObjectRuns, RunsEndWithAMarkerAtTheTextsLength) {
    const TextObject plain = writeOne(u"A note", {});
    EXPECT_EQ(plain.text, u"A note");
    EXPECT_EQ(plain.runs, (Runs{{0, 0}, {6, 0}})) << "the whole text in font 0";
    EXPECT_EQ(plain.runBytes, 16);

    const TextObject rich = writeOne(u"a bold word", {{0, 7}, {2, 8}, {6, 7}});
    EXPECT_EQ(rich.runs, (Runs{{0, 7}, {2, 8}, {6, 7}, {11, 0}}));
    EXPECT_EQ(rich.runBytes, 32) << "the length counts the end marker";

    // Runs that begin later get the text before them in font 0; runs at or
    // beyond the end (of a text cut short) are left out, one on the last
    // character is kept.
    EXPECT_EQ(writeOne(u"abc", {{1, 9}}).runs, (Runs{{0, 0}, {1, 9}, {3, 0}}));
    EXPECT_EQ(writeOne(u"abc", {{0, 7}, {2, 9}, {3, 8}, {40, 8}}).runs, (Runs{{0, 7}, {2, 9}, {3, 0}}));

    // An empty text has neither text nor runs.
    BiffStream out;
    writeTextObject(out, u"", std::vector<FormattingRun>{{0, 7}});
    const auto records = test::splitRecords(out.bytes());
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].u16(12), 0);
}

TEST(TextObjectRuns, WideTextCountsCharactersNotBytes) {
    // 日本語 and a surrogate pair: positions count UTF-16 units.
    const std::u16string text = u"日本語 \U0001D11E bold";
    const TextObject t = writeOne(text, {{0, 6}, {7, 8}});
    EXPECT_EQ(t.text, text);
    EXPECT_EQ(t.length, text.size());
    EXPECT_EQ(t.runs, (Runs{{0, 6}, {7, 8}, {static_cast<std::uint16_t>(text.size()), 0}}));
}

TEST(TextObjectRuns, ManyRunsSpanSeveralRecords) {
    // 2,000 runs and the marker: more than one CONTINUE holds (8224 bytes).
    std::u16string text(2000, u'x');
    std::vector<FormattingRun> runs;
    for (std::uint16_t i = 0; i < 2000; ++i) runs.push_back({i, static_cast<std::uint16_t>(5 + i % 2)});
    const TextObject t = writeOne(text, runs);
    ASSERT_EQ(t.runs.size(), 2001u);
    EXPECT_EQ(t.runRecords, 2u);
    EXPECT_EQ(t.runBytes, 2001 * 8);
    EXPECT_EQ(t.runs[1500], (std::pair<std::uint16_t, std::uint16_t>{1500, 5}));
    EXPECT_EQ(t.runs.back(), (std::pair<std::uint16_t, std::uint16_t>{2000, 0}));
}

// A workbook whose one sheet has notes on A1, A2 and A3.
Workbook notedWorkbook(std::vector<Annotation> notes) {
    Workbook wb;
    wb.formats[0].font.name = "Liberation Sans";
    wb.formats[0].font.sizePt = 10;
    Sheet sheet;
    sheet.name = "Notes";
    sheet.annotations = std::move(notes);
    for (std::uint32_t i = 0; i < sheet.annotations.size(); ++i) {
        Row row;
        row.index = i;
        Cell cell;
        cell.annotation = i;
        row.cells = {cell};
        sheet.rows.push_back(row);
    }
    wb.sheets.push_back(std::move(sheet));
    return wb;
}

struct WrittenNotes {
    std::vector<std::uint8_t> stream;
    std::vector<Record> fonts;        // FONT records in order
    std::vector<TextObject> texts;    // the sheet's TXOs in order
    Warnings warnings;

    // The FONT record a BIFF font index names (index 4 is never written).
    const Record& font(std::uint16_t index) const { return fonts.at(index < 4 ? index : index - 1); }
};

WrittenNotes writeNotes(const Workbook& wb) {
    WrittenNotes w;
    const BiffStream out = buildWorkbookStream(wb, w.warnings);
    w.stream = out.bytes();
    const auto records = test::splitRecords(w.stream);
    int bofs = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (records[i].id == kBof) ++bofs;
        if (bofs == 1 && records[i].id == kFont) w.fonts.push_back(records[i]);
        if (bofs == 2 && records[i].id == kTxo) w.texts.push_back(parse(records, i));
    }
    return w;
}

Font defaultFont() {
    Font f;
    f.name = "Liberation Sans";
    f.sizePt = 10;
    return f;
}

TEST(NoteRuns, EachRunNamesAFontRecordOfItsLook) {
    Font bold = defaultFont();
    bold.bold = true;
    Font red = defaultFont();
    red.color = Color{0xC0, 0, 0};
    red.sizePt = 14;
    Annotation rich{"Ada", "a bold word, red", false};
    rich.runs = {{2, bold}, {6, defaultFont()}, {13, red}};
    const WrittenNotes w = writeNotes(notedWorkbook({rich, {"Bob", "plain note", false}}));
    ASSERT_EQ(w.texts.size(), 2u);

    const Runs& runs = w.texts[0].runs;
    ASSERT_EQ(runs.size(), 5u);
    EXPECT_EQ(runs[0].first, 0);
    EXPECT_EQ(runs[1].first, 2);
    EXPECT_EQ(runs[2].first, 6);
    EXPECT_EQ(runs[3].first, 13);
    EXPECT_EQ(runs[4], (std::pair<std::uint16_t, std::uint16_t>{16, 0}));
    EXPECT_EQ(runs[0].second, runs[2].second) << "back in the note's own font";
    // FONT: height in twips, flags, colour index, weight.
    EXPECT_EQ(w.font(runs[0].second).u16(6), 400);
    EXPECT_EQ(w.font(runs[0].second).u16(0), 200);
    EXPECT_EQ(w.font(runs[1].second).u16(6), 700) << "bold";
    EXPECT_EQ(w.font(runs[3].second).u16(0), 280) << "14 pt";
    EXPECT_NE(w.font(runs[3].second).u16(4), w.font(runs[0].second).u16(4)) << "its own colour";

    // A note without runs is in the note's own font throughout, the same
    // record the rich note starts in.
    EXPECT_EQ(w.texts[1].runs, (Runs{{0, runs[0].second}, {10, 0}}));
    EXPECT_TRUE(w.warnings.empty());
}

TEST(NoteRuns, ALongNoteIsCutWithAWarningAndItsLateRunsGo) {
    Font bold = defaultFont();
    bold.bold = true;
    Annotation longNote{"Ada", std::string(40000, 'x'), false};
    longNote.runs = {{100, bold}, {32766, defaultFont()}, {35000, bold}};
    const WrittenNotes w = writeNotes(notedWorkbook({longNote}));
    ASSERT_EQ(w.texts.size(), 1u);
    EXPECT_EQ(w.texts[0].length, 32767);
    const Runs& runs = w.texts[0].runs;
    ASSERT_EQ(runs.size(), 4u);
    EXPECT_EQ(runs[2].first, 32766);
    EXPECT_EQ(runs[3], (std::pair<std::uint16_t, std::uint16_t>{32767, 0}));
    ASSERT_EQ(w.warnings.size(), 1u);
    EXPECT_NE(w.warnings[0].find("1 note cut"), std::string::npos) << w.warnings[0];
}

TEST(TextBoxRuns, RunsNameTheFontsTheCellsUseAndPlainBoxesStayInFontZero) {
    Font serif = defaultFont();
    serif.name = "Liberation Serif";
    serif.sizePt = 12;
    Font serifBold = serif;
    serifBold.bold = true;
    Workbook wb = notedWorkbook({});
    CellFormat boldCells;
    boldCells.font = serifBold;  // a cell in the same font as a part of the box
    wb.formats.push_back(boldCells);
    Row row;
    Cell cell;
    cell.type = CellType::Number;
    cell.format = 1;
    row.cells = {cell};
    wb.sheets[0].rows = {row};
    Drawing box;
    box.kind = DrawingKind::TextBox;
    box.anchor = {1, 1, 0, 0, 3, 3, 0, 0, true};
    box.text = "plain bold";
    box.textRuns = {{0, serif, {}}, {6, serifBold, {}}};
    Drawing plain = box;
    plain.text = "no runs";
    plain.textRuns.clear();
    wb.sheets[0].drawings = {box, plain};

    const WrittenNotes w = writeNotes(wb);
    ASSERT_EQ(w.texts.size(), 2u);
    const Runs& runs = w.texts[0].runs;
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].first, 0);
    EXPECT_EQ(runs[1].first, 6);
    EXPECT_EQ(runs[2], (std::pair<std::uint16_t, std::uint16_t>{10, 0}));
    EXPECT_EQ(w.font(runs[0].second).u16(0), 240) << "12 pt";
    EXPECT_EQ(w.font(runs[1].second).u16(6), 700) << "bold";
    // The bold part and the bold cells share one FONT record.
    std::size_t serifBoldRecords = 0;
    for (const Record& font : w.fonts) serifBoldRecords += font.u16(0) == 240 && font.u16(6) == 700;
    EXPECT_EQ(serifBoldRecords, 1u);
    EXPECT_EQ(w.texts[1].runs, (Runs{{0, 0}, {7, 0}})) << "a box without runs, in font 0 as before";
}

}  // namespace
}  // namespace brindlemoor::office::xls
