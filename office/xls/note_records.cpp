#include "office/xls/note_records.h"

#include "office/xls/excel_limits.h"
#include "office/xls/unicode_text.h"

#include <algorithm>

namespace brindlemoor::office::xls {

namespace {

constexpr std::uint16_t kMsoDrawingGroup = 0x00EB;
constexpr std::uint16_t kMsoDrawing = 0x00EC;
constexpr std::uint16_t kObj = 0x005D;
constexpr std::uint16_t kTxo = 0x01B6;
constexpr std::uint16_t kContinue = 0x003C;
constexpr std::uint16_t kNote = 0x001C;

// Office drawing record types.
constexpr std::uint16_t kDggContainer = 0xF000;
constexpr std::uint16_t kDgContainer = 0xF002;
constexpr std::uint16_t kSpgrContainer = 0xF003;
constexpr std::uint16_t kSpContainer = 0xF004;
constexpr std::uint16_t kFdgg = 0xF006;
constexpr std::uint16_t kFdg = 0xF008;
constexpr std::uint16_t kFspgr = 0xF009;
constexpr std::uint16_t kFsp = 0xF00A;
constexpr std::uint16_t kFopt = 0xF00B;
constexpr std::uint16_t kClientTextbox = 0xF00D;
constexpr std::uint16_t kClientAnchor = 0xF010;
constexpr std::uint16_t kClientData = 0xF011;

constexpr std::uint16_t kTextBoxShape = 202;
constexpr std::uint32_t kShapesPerCluster = 1024;
constexpr std::size_t kMaxNoteText = 32767;
constexpr std::size_t kTextPerContinue = kMaxRecordData - 1;

// Office drawing record header: version (4 bits) and instance (12 bits),
// record type, length of what follows.
void drawingHeader(BiffStream& out, std::uint16_t version, std::uint16_t instance, std::uint16_t type, std::uint32_t length) {
    out.u16(static_cast<std::uint16_t>(version | instance << 4));
    out.u16(type);
    out.u32(length);
}

struct Property {
    std::uint16_t id;
    std::uint32_t value;
};

// Shape properties of a note's text box: filled with the system tooltip
// colour, shadowed, hidden until hovered unless the note is shown.
std::vector<Property> noteProperties(bool shown) {
    return {
        {0x0080, 0},           // text id
        {0x00BF, 0x00080008},  // fit shape to text
        {0x0181, 0x08000050},  // fill colour: system "info background"
        {0x0183, 0x08000050},  // fill back colour
        {0x01BF, 0x00100010},  // hit-test the fill
        {0x023F, 0x00030003},  // shadow
        {0x03BF, shown ? 0x000A0000u : 0x000A0002u},  // hidden unless shown; not printed
    };
}

constexpr std::uint32_t kFspSize = 8 + 8;
constexpr std::uint32_t kAnchorSize = 8 + 18;
constexpr std::uint32_t kClientDataSize = 8;
constexpr std::uint32_t kClientTextboxSize = 8;
std::uint32_t foptSize(std::size_t properties) { return 8 + 6 * static_cast<std::uint32_t>(properties); }
std::uint32_t noteShapeSize() {
    return 8 + kFspSize + foptSize(noteProperties(false).size()) + kAnchorSize + kClientDataSize + kClientTextboxSize;
}
constexpr std::uint32_t kGroupShapeSize = 8 + (8 + 16) + kFspSize;

void writeNoteShape(BiffStream& out, std::uint32_t shapeId, const PlacedNote& note) {
    // Shape container; its text box record follows in a later MSODRAWING.
    drawingHeader(out, 0xF, 0, kSpContainer, noteShapeSize() - 8);
    drawingHeader(out, 2, kTextBoxShape, kFsp, 8);
    out.u32(shapeId);
    out.u32(0x0A00);  // has an anchor, has a shape type
    const auto properties = noteProperties(note.annotation->visible);
    drawingHeader(out, 3, static_cast<std::uint16_t>(properties.size()), kFopt, 6 * static_cast<std::uint32_t>(properties.size()));
    for (const auto& p : properties) {
        out.u16(p.id);
        out.u32(p.value);
    }
    // Anchor: flags, then left column and offset (1/1024 of the column),
    // top row and offset (1/256 of the row), right column, bottom row: a box
    // beside the cell, as Excel places a new note.
    drawingHeader(out, 0, 0, kClientAnchor, 18);
    const auto column = [](std::uint32_t c) { return static_cast<std::uint16_t>(std::min<std::uint32_t>(c, kMaxColumns - 1)); };
    const auto row = [](std::uint32_t r) { return static_cast<std::uint16_t>(std::min<std::uint32_t>(r, kMaxRows - 1)); };
    out.u16(0x0003);
    out.u16(column(note.column + 1u));
    out.u16(15);
    out.u16(row(note.row > 0 ? note.row - 1u : 0u));
    out.u16(10);
    out.u16(column(note.column + 3u));
    out.u16(15);
    out.u16(row(note.row + 3u));
    out.u16(4);
    drawingHeader(out, 0, 0, kClientData, 0);
}

void writeObj(BiffStream& out, std::uint16_t objectId) {
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

void writeText(BiffStream& out, std::u16string_view text) {
    // TXO: flags (left and top aligned, text locked), rotation, reserved,
    // text length, formatting runs length, reserved; the text follows in
    // CONTINUE records (each with its own flags byte), then the runs.
    const auto start = out.beginRecord(kTxo);
    out.u16(0x0212);
    out.u16(0);
    out.zeros(6);
    out.u16(static_cast<std::uint16_t>(text.size()));
    out.u16(text.empty() ? 0 : 16);
    out.u32(0);
    out.endRecord(start);
    if (text.empty()) return;
    const bool wide = !fitsOneByte(text);
    const std::size_t perRecord = wide ? kTextPerContinue / 2 : kTextPerContinue;
    for (std::size_t at = 0; at < text.size(); at += perRecord) {
        const auto piece = out.beginRecord(kContinue);
        std::u16string_view part = text.substr(at, perRecord);
        out.u8(wide ? 1 : 0);
        for (char16_t c : part) {
            if (wide) out.u16(c); else out.u8(static_cast<std::uint8_t>(c));
        }
        out.endRecord(piece);
    }
    // Formatting runs: the whole text in font 0, then the end marker.
    const auto runs = out.beginRecord(kContinue);
    out.u16(0);
    out.u16(0);
    out.u32(0);
    out.u16(static_cast<std::uint16_t>(text.size()));
    out.u16(0);
    out.u32(0);
    out.endRecord(runs);
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

}  // namespace

std::vector<PlacedNote> notesOf(const Sheet& sheet) {
    std::vector<PlacedNote> notes;
    for (const Row& row : sheet.rows) {
        if (row.index >= kMaxRows) break;
        for (const Cell& cell : row.cells) {
            if (cell.column >= kMaxColumns) break;
            if (cell.annotation == kNone || cell.annotation >= sheet.annotations.size()) continue;
            notes.push_back({static_cast<std::uint16_t>(row.index), static_cast<std::uint16_t>(cell.column),
                             &sheet.annotations[cell.annotation]});
        }
    }
    return notes;
}

NoteDrawings::NoteDrawings(const Workbook& workbook) {
    std::uint32_t nextCluster = 1;
    for (const Sheet& sheet : workbook.sheets) {
        SheetNotes entry;
        entry.notes = notesOf(sheet);
        if (!entry.notes.empty()) {
            entry.drawingId = ++drawings_;
            entry.firstCluster = nextCluster;
            const auto shapes = static_cast<std::uint32_t>(entry.notes.size() + 1);  // and the group shape
            const std::uint32_t clusters = (shapes + kShapesPerCluster - 1) / kShapesPerCluster;
            nextCluster += clusters;
            clusters_ += clusters;
            shapes_ += shapes;
        }
        sheets_.push_back(std::move(entry));
    }
}

void NoteDrawings::writeGroup(BiffStream& out) const {
    if (empty()) return;
    // Drawing group: FDGG with the largest shape id + 1, cluster count + 1,
    // shapes and drawings saved, then per cluster its drawing and the
    // number of ids it uses.
    const std::uint32_t fdggSize = 8 + 16 + 8 * clusters_;
    const auto start = out.beginRecord(kMsoDrawingGroup);
    drawingHeader(out, 0xF, 0, kDggContainer, fdggSize);
    drawingHeader(out, 0, 0, kFdgg, fdggSize - 8);
    std::uint32_t maxShapeId = 0;
    for (const auto& sheet : sheets_) {
        if (sheet.drawingId) maxShapeId = std::max<std::uint32_t>(maxShapeId, sheet.firstCluster * kShapesPerCluster + static_cast<std::uint32_t>(sheet.notes.size()));
    }
    out.u32(maxShapeId + 1);
    out.u32(clusters_ + 1);
    out.u32(shapes_);
    out.u32(drawings_);
    for (const auto& sheet : sheets_) {
        if (!sheet.drawingId) continue;
        std::uint32_t left = static_cast<std::uint32_t>(sheet.notes.size() + 1);
        while (left > 0) {
            const std::uint32_t used = std::min(left, kShapesPerCluster);
            out.u32(sheet.drawingId);
            out.u32(used);
            left -= used;
        }
    }
    out.endRecord(start);
}

void NoteDrawings::writeSheet(BiffStream& out, std::uint32_t sheetIndex) const {
    if (sheetIndex >= sheets_.size() || !sheets_[sheetIndex].drawingId) return;
    const SheetNotes& sheet = sheets_[sheetIndex];
    const std::uint32_t firstShape = sheet.firstCluster * kShapesPerCluster;
    const auto count = static_cast<std::uint32_t>(sheet.notes.size());
    const std::uint32_t shapesSize = kGroupShapeSize + count * noteShapeSize();

    // The drawing's containers span all its MSODRAWING records.
    auto drawing = out.beginRecord(kMsoDrawing);
    drawingHeader(out, 0xF, 0, kDgContainer, (8 + 8) + 8 + shapesSize);
    drawingHeader(out, 0, static_cast<std::uint16_t>(sheet.drawingId), kFdg, 8);
    out.u32(count + 1);
    out.u32(firstShape + count);
    drawingHeader(out, 0xF, 0, kSpgrContainer, shapesSize);
    drawingHeader(out, 0xF, 0, kSpContainer, kGroupShapeSize - 8);
    drawingHeader(out, 1, 0, kFspgr, 16);
    out.zeros(16);
    drawingHeader(out, 2, 0, kFsp, 8);
    out.u32(firstShape);
    out.u32(0x0005);  // group, patriarch

    for (std::uint32_t k = 0; k < count; ++k) {
        const PlacedNote& note = sheet.notes[k];
        if (k > 0) drawing = out.beginRecord(kMsoDrawing);
        writeNoteShape(out, firstShape + 1 + k, note);
        out.endRecord(drawing);
        const auto objectId = static_cast<std::uint16_t>(k + 1);
        writeObj(out, objectId);
        const auto textbox = out.beginRecord(kMsoDrawing);
        drawingHeader(out, 0, 0, kClientTextbox, 0);
        out.endRecord(textbox);
        writeText(out, cutUtf16(toUtf16(note.annotation->text), kMaxNoteText));
    }
    for (std::uint32_t k = 0; k < count; ++k) writeNote(out, sheet.notes[k], static_cast<std::uint16_t>(k + 1));
}

}  // namespace brindlemoor::office::xls
