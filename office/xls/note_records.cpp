#include "office/xls/note_records.h"

#include "office/xls/drawing_records.h"
#include "office/xls/excel_limits.h"
#include "office/xls/unicode_text.h"

#include <algorithm>

namespace brindlemoor::office::xls {

namespace {

constexpr std::uint16_t kObj = 0x005D;
constexpr std::uint16_t kNote = 0x001C;
constexpr std::uint16_t kSpContainer = 0xF004;
constexpr std::uint16_t kFsp = 0xF00A;
constexpr std::uint16_t kClientAnchor = 0xF010;
constexpr std::uint16_t kClientData = 0xF011;
constexpr std::uint16_t kTextBoxShape = 202;

bool columnHidden(const Sheet& sheet, std::uint32_t column) {
    const auto after = std::upper_bound(sheet.columns.begin(), sheet.columns.end(), column,
                                        [](std::uint32_t c, const ColumnRun& run) { return c < run.first; });
    if (after == sheet.columns.begin()) return false;
    const ColumnRun& run = *std::prev(after);
    return column - run.first < run.repeat && run.hidden;
}

// The n-th visible column after `column`, or the grid's last one.
std::uint16_t visibleColumnAfter(const Sheet& sheet, std::uint32_t column, int n) {
    while (n > 0 && column + 1 < kMaxColumns) {
        ++column;
        if (!columnHidden(sheet, column)) --n;
    }
    return static_cast<std::uint16_t>(column);
}

}  // namespace

std::vector<PlacedNote> notesOf(const Sheet& sheet) {
    std::vector<PlacedNote> notes;
    for (const Row& row : sheet.rows) {
        if (row.index >= kMaxRows) break;
        for (const Cell& cell : row.cells) {
            if (cell.column >= kMaxColumns) break;
            if (cell.annotation == kNone || cell.annotation >= sheet.annotations.size()) continue;
            PlacedNote note{static_cast<std::uint16_t>(row.index), static_cast<std::uint16_t>(cell.column),
                            &sheet.annotations[cell.annotation]};
            note.boxFirstColumn = visibleColumnAfter(sheet, cell.column, 1);
            note.boxLastColumn = visibleColumnAfter(sheet, note.boxFirstColumn, 2);
            notes.push_back(note);
        }
    }
    return notes;
}

void writeNoteShape(DrawingBytes& out, std::uint32_t shapeId, const PlacedNote& note) {
    // The container's length counts the text box record of a later MSODRAWING:
    // the caller closes it after that record.
    out.header(2, kTextBoxShape, kFsp, 8);
    out.u32(shapeId);
    out.u32(0x0A00);  // has an anchor, has a shape type
    // Filled with the system tooltip colour, shadowed, hidden until hovered
    // unless the note is shown.
    ShapeProperties properties;
    properties.set(0x0080, 0);           // text id
    properties.set(0x00BF, 0x00080008);  // fit shape to text
    properties.set(0x0181, 0x08000050);  // fill colour: system "info background"
    properties.set(0x0183, 0x08000050);  // fill back colour
    properties.set(0x01BF, 0x00100010);  // hit-test the fill
    properties.set(0x023F, 0x00030003);  // shadow
    properties.set(0x03BF, note.annotation->visible ? 0x000A0000u : 0x000A0002u);  // hidden unless shown; not printed
    properties.write(out);
    // Anchor: flags, then left column and offset (1/1024 of the column),
    // top row and offset (1/256 of the row), right column, bottom row: a box
    // beside the cell, as Excel places a new note, over visible columns.
    out.header(0, 0, kClientAnchor, 18);
    const auto row = [](std::uint32_t r) { return static_cast<std::uint16_t>(std::min<std::uint32_t>(r, kMaxRows - 1)); };
    out.u16(0x0003);
    out.u16(note.boxFirstColumn);
    out.u16(15);
    out.u16(row(note.row > 0 ? note.row - 1u : 0u));
    out.u16(10);
    out.u16(note.boxLastColumn);
    out.u16(15);
    out.u16(row(note.row + 3u));
    out.u16(4);
    out.header(0, 0, kClientData, 0);
}

void writeNoteObj(BiffStream& out, std::uint16_t objectId) {
    // OBJ: common data (type 0x19 note, id, flags locked/print/autofill,
    // reserved), note data (16-byte GUID, shared flag, unused), end.
    const auto start = out.beginRecord(kObj);
    out.u16(0x0015);
    out.u16(0x0012);
    out.u16(0x0019);
    out.u16(objectId);
    out.u16(0x4011);
    out.zeros(12);
    out.u16(0x000D);
    out.u16(0x0016);
    for (int i = 0; i < 16; ++i) out.u8(static_cast<std::uint8_t>((objectId * 31 + i * 7) & 0xFF));
    out.u16(0);
    out.u32(0);
    out.u16(0x0000);
    out.u16(0x0000);
    out.endRecord(start);
}

void writeNote(BiffStream& out, const PlacedNote& note, std::uint16_t objectId) {
    // NOTE: row, column, flags (0x02: always shown), object id, author, padding.
    const auto start = out.beginRecord(kNote);
    out.u16(note.row);
    out.u16(note.column);
    out.u16(note.annotation->visible ? 0x0002 : 0x0000);
    out.u16(objectId);
    writeUnicodeString(out, cutUtf16(toUtf16(note.annotation->author), 255));
    out.u8(0);
    out.endRecord(start);
}

}  // namespace brindlemoor::office::xls
