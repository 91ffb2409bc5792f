// The drawing layer's records, checked where a fault would be silent: nested
// container lengths, shape ids against the clusters the group declares, the
// picture store, and the cuts between MSODRAWING and OBJ / TXO records.

#include "biff_records.h"
#include "office/xls/workbook_stream.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

namespace brindlemoor::office::xls {
namespace {

using test::Record;

constexpr std::uint16_t kMsoDrawingGroup = 0x00EB, kMsoDrawing = 0x00EC, kObj = 0x005D, kTxo = 0x01B6,
                        kContinue = 0x003C, kNote = 0x001C, kBof = 0x0809, kEof = 0x000A;

std::string fakePng(std::size_t size, char fill) {
    std::string bytes = "\x89PNG\r\n\x1A\n";
    bytes.resize(size, fill);
    return bytes;
}

Drawing shape(DrawingKind kind, RowIndex row, ColumnIndex column) {
    Drawing d;
    d.kind = kind;
    d.anchor = {row, column, 0.25, 0.5, row + 2, column + 1, 0.75, 0.0, true};
    d.fill = Color{0x11, 0x22, 0x33};
    d.line = Color{0x44, 0x55, 0x66};
    d.name = "Shape " + std::to_string(row);
    return d;
}

// One parsed office drawing record; containers hold their children.
struct DrawingRecord {
    std::uint16_t version = 0, instance = 0, type = 0;
    std::vector<std::uint8_t> body;  // atoms only
    std::vector<DrawingRecord> children;
};

std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

// Parses records in [at, end); a container's children must fill it exactly.
std::vector<DrawingRecord> parse(const std::vector<std::uint8_t>& b, std::size_t at, std::size_t end) {
    std::vector<DrawingRecord> records;
    while (at < end) {
        EXPECT_LE(at + 8, end) << "record header cut at " << at;
        if (at + 8 > end) break;
        DrawingRecord r;
        const std::uint16_t head = static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
        r.version = head & 0xF;
        r.instance = head >> 4;
        r.type = static_cast<std::uint16_t>(b[at + 2] | b[at + 3] << 8);
        const std::uint32_t length = le32(b, at + 4);
        EXPECT_LE(at + 8 + length, end) << "record " << std::hex << r.type << " overruns its container";
        if (at + 8 + length > end) break;
        if (r.version == 0xF) r.children = parse(b, at + 8, at + 8 + length);
        else r.body.assign(b.begin() + static_cast<long>(at + 8), b.begin() + static_cast<long>(at + 8 + length));
        records.push_back(std::move(r));
        at += 8 + length;
    }
    return records;
}

void collect(const DrawingRecord& r, std::uint16_t type, std::vector<const DrawingRecord*>& out) {
    if (r.type == type) out.push_back(&r);
    for (const auto& c : r.children) collect(c, type, out);
}

std::vector<const DrawingRecord*> all(const std::vector<DrawingRecord>& records, std::uint16_t type) {
    std::vector<const DrawingRecord*> out;
    for (const auto& r : records) collect(r, type, out);
    return out;
}

struct Written {
    std::vector<std::uint8_t> stream;
    std::vector<Record> records;
    Warnings warnings;
};

Written write(const Workbook& wb) {
    Written w;
    const BiffStream out = buildWorkbookStream(wb, w.warnings);
    w.stream = out.bytes();
    w.records = test::splitRecords(w.stream);
    return w;
}

// The records of each substream: [0] the globals, then one per sheet.
std::vector<std::vector<Record>> substreams(const std::vector<Record>& records) {
    std::vector<std::vector<Record>> parts;
    for (const Record& r : records) {
        if (r.id == kBof) parts.emplace_back();
        if (!parts.empty()) parts.back().push_back(r);
    }
    return parts;
}

Workbook drawingWorkbook() {
    Workbook wb;
    Sheet first;
    first.name = "Drawn";
    first.annotations = {{"Ada", "A note", false}};
    Row row;
    row.index = 3;
    Cell noted;
    noted.column = 1;
    noted.annotation = 0;
    row.cells = {noted};
    first.rows = {row};
    Drawing picture = shape(DrawingKind::Picture, 0, 0);
    picture.picture = fakePng(20000, 'a');  // beyond one record: the group runs on in CONTINUE records
    first.drawings.push_back(picture);
    first.drawings.push_back(shape(DrawingKind::Rectangle, 5, 2));
    Drawing box = shape(DrawingKind::TextBox, 8, 1);
    box.text = "Box text";
    first.drawings.push_back(box);
    Drawing line = shape(DrawingKind::Line, 10, 4);
    line.fill.reset();
    line.flipVertical = true;
    first.drawings.push_back(line);
    first.drawings.push_back(shape(DrawingKind::Ellipse, 12, 0));
    Drawing outside = shape(DrawingKind::Rectangle, 70000, 0);  // beyond the grid
    first.drawings.push_back(outside);
    wb.sheets.push_back(first);

    Sheet plain;
    plain.name = "Plain";
    wb.sheets.push_back(plain);

    Sheet second;
    second.name = "Again";
    Drawing same = picture;  // the same picture again is stored once
    same.anchor.toCell = false;
    second.drawings.push_back(same);
    Drawing other = shape(DrawingKind::Picture, 4, 4);
    other.picture = "\xFF\xD8\xFF\xE0 a jpeg";
    other.pictureType = PictureType::Jpeg;
    second.drawings.push_back(other);
    wb.sheets.push_back(second);
    return wb;
}

TEST(DrawingRecords, GroupDeclaresEveryDrawingClusterAndStoredPicture) {
    const Written w = write(drawingWorkbook());
    const auto parts = substreams(w.records);
    ASSERT_EQ(parts.size(), 4u);

    // MSODRAWINGGROUP and the CONTINUE records right after it make one container.
    std::vector<std::uint8_t> group;
    for (std::size_t i = 0; i < parts[0].size(); ++i) {
        if (parts[0][i].id != kMsoDrawingGroup) continue;
        for (std::size_t k = i; k < parts[0].size() && (k == i || parts[0][k].id == kContinue); ++k) {
            group.insert(group.end(), parts[0][k].data.begin(), parts[0][k].data.end());
        }
        EXPECT_EQ(parts[0][i + 1].id, kContinue);
        break;
    }
    const auto top = parse(group, 0, group.size());
    ASSERT_EQ(top.size(), 1u);
    ASSERT_EQ(top[0].type, 0xF000);

    const auto fdgg = all(top, 0xF006);
    ASSERT_EQ(fdgg.size(), 1u);
    const auto& g = fdgg[0]->body;
    const std::uint32_t clusters = le32(g, 4) - 1;
    ASSERT_EQ(g.size(), 16 + 8 * clusters);
    EXPECT_EQ(le32(g, 12), 2u) << "two sheets have drawings";
    EXPECT_EQ(le32(g, 8), (1 + 5 + 1) + (1 + 2)) << "group shapes, drawings and the note";
    std::map<std::uint32_t, std::uint32_t> idsPerDrawing;
    for (std::uint32_t c = 0; c < clusters; ++c) idsPerDrawing[le32(g, 16 + 8 * c)] += le32(g, 20 + 8 * c);
    EXPECT_EQ(idsPerDrawing, (std::map<std::uint32_t, std::uint32_t>{{1, 7}, {2, 3}}));

    const auto store = all(top, 0xF001);
    ASSERT_EQ(store.size(), 1u);
    EXPECT_EQ(store[0]->instance, 2u);
    ASSERT_EQ(store[0]->children.size(), 2u);
    const auto& png = store[0]->children[0];
    EXPECT_EQ(png.instance, 6u);
    EXPECT_EQ(le32(png.body, 24), 2u) << "the picture shown twice is referenced twice";
    const auto blip = parse(png.body, 36, png.body.size());
    ASSERT_EQ(blip.size(), 1u);
    EXPECT_EQ(blip[0].type, 0xF01E);
    EXPECT_EQ(blip[0].body.size(), 17u + 20000u);
    EXPECT_EQ(le32(png.body, 20), 8u + 17u + 20000u) << "size in the BSE is the BLIP record's";
    EXPECT_EQ(store[0]->children[1].instance, 5u) << "JPEG";

    EXPECT_EQ(w.warnings.size(), 1u) << "the shape beyond the grid";
}

TEST(DrawingRecords, SheetDrawingIsCutBeforeEachObjAndText) {
    const Written w = write(drawingWorkbook());
    const auto parts = substreams(w.records);
    const std::vector<Record>& sheet = parts[1];

    std::vector<std::uint8_t> drawing;
    std::vector<std::uint16_t> after;  // the record that follows each MSODRAWING
    std::vector<std::uint16_t> objTypes;
    std::map<std::uint16_t, std::uint16_t> objTypeById;
    std::vector<std::uint16_t> noteObjects;
    for (std::size_t i = 0; i < sheet.size(); ++i) {
        const Record& r = sheet[i];
        if (r.id == kMsoDrawing) {
            drawing.insert(drawing.end(), r.data.begin(), r.data.end());
            after.push_back(sheet[i + 1].id);
        } else if (r.id == kObj) {
            objTypes.push_back(r.u16(4));
            objTypeById[r.u16(6)] = r.u16(4);
        } else if (r.id == kNote) {
            noteObjects.push_back(r.u16(6));
        }
    }
    // Shapes: picture, rectangle, text box (+ text), line, ellipse, note (+ text).
    EXPECT_EQ(after, (std::vector<std::uint16_t>{kObj, kObj, kObj, kTxo, kObj, kObj, kObj, kTxo}));
    EXPECT_EQ(objTypes, (std::vector<std::uint16_t>{0x08, 0x02, 0x06, 0x01, 0x03, 0x19}));
    ASSERT_EQ(noteObjects.size(), 1u);
    EXPECT_EQ(objTypeById[noteObjects[0]], 0x19) << "the NOTE names the note's OBJ";

    const auto top = parse(drawing, 0, drawing.size());
    ASSERT_EQ(top.size(), 1u);
    EXPECT_EQ(top[0].type, 0xF002);
    const auto fdg = all(top, 0xF008);
    ASSERT_EQ(fdg.size(), 1u);
    const auto shapes = all(top, 0xF00A);
    ASSERT_EQ(shapes.size(), 7u);
    EXPECT_EQ(le32(fdg[0]->body, 0), 7u);
    std::set<std::uint32_t> ids;
    for (const auto* s : shapes) ids.insert(le32(s->body, 0));
    EXPECT_EQ(ids.size(), 7u) << "shape ids are unique";
    EXPECT_EQ(*ids.begin(), 1024u);
    EXPECT_EQ(le32(fdg[0]->body, 4), *ids.rbegin()) << "the drawing names its last shape id";
    EXPECT_EQ(shapes[4]->instance, 20u) << "line";
    EXPECT_EQ(le32(shapes[4]->body, 4) & 0x80u, 0x80u) << "flipped vertically";

    // Anchors: first cell and offsets as fractions of 1024 and 256.
    const auto anchors = all(top, 0xF010);
    ASSERT_EQ(anchors.size(), 6u);
    const auto& rect = anchors[1]->body;
    auto u16 = [](const std::vector<std::uint8_t>& b, std::size_t at) { return b[at] | b[at + 1] << 8; };
    EXPECT_EQ(u16(rect, 0), 0);     // moves and sizes with the cells
    EXPECT_EQ(u16(rect, 2), 2);     // column
    EXPECT_EQ(u16(rect, 4), 256);   // a quarter into it
    EXPECT_EQ(u16(rect, 6), 5);     // row
    EXPECT_EQ(u16(rect, 8), 128);   // half way down
    EXPECT_EQ(u16(rect, 10), 3);
    EXPECT_EQ(u16(rect, 12), 768);
    EXPECT_EQ(u16(rect, 14), 7);

    // The page-placed picture on the third sheet stays where it is.
    std::vector<std::uint8_t> third;
    for (const Record& r : parts[3]) {
        if (r.id == kMsoDrawing) third.insert(third.end(), r.data.begin(), r.data.end());
    }
    const auto thirdTop = parse(third, 0, third.size());
    const auto thirdAnchors = all(thirdTop, 0xF010);
    ASSERT_EQ(thirdAnchors.size(), 2u);
    EXPECT_EQ(u16(thirdAnchors[0]->body, 0), 3);
    const auto thirdShapes = all(thirdTop, 0xF00A);
    EXPECT_EQ(le32(thirdShapes.front()->body, 0), 2048u) << "the second drawing has the next cluster";

    // The plain sheet has no drawing records at all.
    for (const Record& r : parts[2]) EXPECT_NE(r.id, kMsoDrawing);
}

TEST(DrawingRecords, NoteBoxLiesOverVisibleColumns) {
    // A box over hidden columns has no width, and readers drop such a note.
    Workbook wb;
    Sheet sheet;
    sheet.name = "Grouped";
    sheet.annotations = {{"Ada", "Beside a collapsed group", false}};
    ColumnRun collapsed;
    collapsed.first = 2;
    collapsed.repeat = 3;
    collapsed.hidden = true;
    ColumnRun alone;
    alone.first = 6;
    alone.hidden = true;
    sheet.columns = {collapsed, alone};
    Row row;
    row.index = 0;
    Cell noted;
    noted.column = 1;
    noted.annotation = 0;
    row.cells = {noted};
    sheet.rows = {row};
    wb.sheets.push_back(sheet);

    const Written w = write(wb);
    std::vector<std::uint8_t> drawing;
    const auto parts = substreams(w.records);
    for (const Record& r : parts[1]) {
        if (r.id == kMsoDrawing) drawing.insert(drawing.end(), r.data.begin(), r.data.end());
    }
    const auto top = parse(drawing, 0, drawing.size());
    const auto anchors = all(top, 0xF010);
    ASSERT_EQ(anchors.size(), 1u);
    auto u16 = [](const std::vector<std::uint8_t>& b, std::size_t at) { return b[at] | b[at + 1] << 8; };
    EXPECT_EQ(u16(anchors[0]->body, 2), 5) << "first visible column after the hidden run";
    EXPECT_EQ(u16(anchors[0]->body, 10), 8) << "two visible columns further, past the hidden one";
}

// A sheet with a shape, a group holding an ellipse and a group of a
// rectangle and a line, and an option button that the group names too (form
// controls stay on the sheet), then a second option button and a note.
Workbook groupedWorkbook() {
    Workbook wb;
    Sheet sheet;
    sheet.name = "Grouped";
    sheet.annotations = {{"Ada", "A note", false}};
    Row row;
    row.index = 20;
    Cell noted;
    noted.column = 0;
    noted.annotation = 0;
    row.cells = {noted};
    sheet.rows = {row};
    sheet.drawingGroups = {{"Outer", std::nullopt}, {"Inner", 0u}, {"Looping", 3u}, {"Loop", 2u}};
    const auto member = [](DrawingKind kind, RowIndex r, ColumnIndex c, std::uint32_t group, PageBox box) {
        Drawing d = shape(kind, r, c);
        d.group = group;
        d.box = box;
        return d;
    };
    sheet.drawings.push_back(shape(DrawingKind::Rectangle, 0, 0));
    sheet.drawings.push_back(member(DrawingKind::Ellipse, 2, 3, 0, {10, 20, 40, 30}));
    Drawing option = member(DrawingKind::OptionButton, 4, 0, 0, {0, 0, 10, 10});
    option.control = FormControl{};
    sheet.drawings.push_back(option);
    sheet.drawings.push_back(member(DrawingKind::Rectangle, 1, 5, 1, {50, 60, 10, 10}));
    Drawing line = member(DrawingKind::Line, 6, 1, 1, {0, 100, 20, 0});
    line.anchor = {6, 1, 0.5, 0.0, 9, 1, 0.75, 0.5, true};
    sheet.drawings.push_back(line);
    Drawing looping = shape(DrawingKind::Rectangle, 12, 0);  // groups that never reach the sheet: none
    looping.group = 2;
    sheet.drawings.push_back(looping);
    sheet.drawings.push_back(option);
    sheet.drawings.back().group.reset();
    wb.sheets.push_back(sheet);
    return wb;
}

std::int32_t le32s(const std::vector<std::uint8_t>& b, std::size_t at) { return static_cast<std::int32_t>(le32(b, at)); }

std::vector<std::int32_t> rectangle(const DrawingRecord& r) {
    return {le32s(r.body, 0), le32s(r.body, 4), le32s(r.body, 8), le32s(r.body, 12)};
}

const DrawingRecord* child(const DrawingRecord& container, std::uint16_t type) {
    for (const auto& c : container.children) {
        if (c.type == type) return &c;
    }
    return nullptr;
}

TEST(DrawingRecords, GroupsAreWrittenAsNestedGroupContainers) {
    const Written w = write(groupedWorkbook());
    const auto parts = substreams(w.records);
    ASSERT_EQ(parts.size(), 2u);
    std::vector<std::uint8_t> drawing;
    for (const Record& r : parts[1]) {
        if (r.id == kMsoDrawing) drawing.insert(drawing.end(), r.data.begin(), r.data.end());
    }
    const auto top = parse(drawing, 0, drawing.size());
    ASSERT_EQ(top.size(), 1u);
    ASSERT_EQ(top[0].children.size(), 2u);
    const DrawingRecord& sheetGroup = top[0].children[1];
    ASSERT_EQ(sheetGroup.type, 0xF003);
    // The sheet's own group shape, the rectangle, the outer group, the
    // grouped option button, the looping rectangle, the other option
    // button, the note.
    std::vector<std::uint16_t> kinds;
    for (const auto& c : sheetGroup.children) kinds.push_back(c.type);
    ASSERT_EQ(kinds, (std::vector<std::uint16_t>{0xF004, 0xF004, 0xF003, 0xF004, 0xF004, 0xF004, 0xF004}));

    const DrawingRecord& outer = sheetGroup.children[2];
    ASSERT_EQ(outer.children.size(), 3u) << "its own shape, the ellipse, the inner group";
    const DrawingRecord& outerShape = outer.children[0];
    ASSERT_EQ(outerShape.children.size(), 5u) << "FSPGR, FSP, OPT (its name), client anchor, client data";
    EXPECT_EQ(outerShape.children[0].type, 0xF009);
    EXPECT_EQ(outerShape.children[0].version, 1u);
    // Boxes in twentieths of a point; the line, of no height, is one unit high.
    EXPECT_EQ(rectangle(outerShape.children[0]), (std::vector<std::int32_t>{0, 400, 1200, 2001}));
    const DrawingRecord& outerFsp = outerShape.children[1];
    EXPECT_EQ(outerFsp.type, 0xF00A);
    EXPECT_EQ(outerFsp.instance, 0u);
    EXPECT_EQ(le32(outerFsp.body, 4), 0x0201u) << "a group with an anchor, not a member";
    EXPECT_EQ(outerShape.children[3].type, 0xF010);
    auto u16 = [](const std::vector<std::uint8_t>& b, std::size_t at) { return b[at] | b[at + 1] << 8; };
    const auto& anchor = outerShape.children[3].body;
    // The cells of all members: rows 1..9 (the rectangle starts at row 1, the line ends at row 9).
    EXPECT_EQ(u16(anchor, 2), 1) << "first column: the line's";
    EXPECT_EQ(u16(anchor, 4), 512);
    EXPECT_EQ(u16(anchor, 6), 1) << "first row: the inner rectangle's";
    EXPECT_EQ(u16(anchor, 10), 6) << "last column: the inner rectangle's";
    EXPECT_EQ(u16(anchor, 14), 9) << "last row: the line's";
    EXPECT_EQ(u16(anchor, 16), 128);

    const DrawingRecord& ellipse = outer.children[1];
    ASSERT_NE(child(ellipse, 0xF00F), nullptr);
    ASSERT_NE(child(ellipse, 0xF010), nullptr) << "its own cells too, for readers that place objects one by one";
    EXPECT_EQ(u16(child(ellipse, 0xF010)->body, 2), 3);
    EXPECT_EQ(u16(child(ellipse, 0xF010)->body, 6), 2);
    std::vector<std::uint16_t> order;
    for (const auto& c : ellipse.children) order.push_back(c.type);
    EXPECT_EQ(order, (std::vector<std::uint16_t>{0xF00A, 0xF00B, 0xF00F, 0xF010, 0xF011})) << "the child anchor comes first";
    EXPECT_EQ(child(ellipse, 0xF00F)->body.size(), 16u);
    EXPECT_EQ(rectangle(*child(ellipse, 0xF00F)), (std::vector<std::int32_t>{200, 400, 1000, 1000}));
    EXPECT_EQ(le32(child(ellipse, 0xF00A)->body, 4) & 0x0002u, 0x0002u) << "marked as a member";

    const DrawingRecord& inner = outer.children[2];
    ASSERT_EQ(inner.type, 0xF003);
    ASSERT_EQ(inner.children.size(), 3u);
    const DrawingRecord& innerShape = inner.children[0];
    EXPECT_EQ(rectangle(*child(innerShape, 0xF009)), (std::vector<std::int32_t>{0, 1200, 1200, 2001}));
    EXPECT_EQ(le32(child(innerShape, 0xF00A)->body, 4), 0x0203u) << "a group in a group";
    ASSERT_NE(child(innerShape, 0xF00F), nullptr) << "placed in the outer group's space";
    EXPECT_EQ(rectangle(*child(innerShape, 0xF00F)), rectangle(*child(innerShape, 0xF009)));
    ASSERT_NE(child(innerShape, 0xF010), nullptr) << "and on its members' cells";
    EXPECT_EQ(u16(child(innerShape, 0xF010)->body, 2), 1) << "from the line's column";
    EXPECT_EQ(u16(child(innerShape, 0xF010)->body, 6), 1) << "and the rectangle's row";
    EXPECT_EQ(rectangle(*child(inner.children[1], 0xF00F)), (std::vector<std::int32_t>{1000, 1200, 1200, 1400}));

    // Every shape, groups included, has an id of the sheet's cluster and an
    // OBJ, in the order they are drawn; the drawing declares them all.
    const auto fsps = all(top, 0xF00A);
    ASSERT_EQ(fsps.size(), 11u);
    for (std::size_t k = 0; k < fsps.size(); ++k) EXPECT_EQ(le32(fsps[k]->body, 0), 1024u + k);
    const auto fdg = all(top, 0xF008);
    EXPECT_EQ(le32(fdg[0]->body, 0), 11u);
    EXPECT_EQ(le32(fdg[0]->body, 4), 1034u);

    std::vector<std::uint16_t> objTypes, objIds;
    std::vector<Record> options;
    std::uint16_t notedObject = 0;
    for (const Record& r : parts[1]) {
        if (r.id == kObj) {
            objTypes.push_back(r.u16(4));
            objIds.push_back(r.u16(6));
            if (r.u16(4) == 0x0C) options.push_back(r);
            if (r.u16(4) == 0x00) {
                EXPECT_EQ(r.data.size(), 22u + 6u + 4u) << "common data, the group marker, end";
                EXPECT_EQ(r.u16(22), 0x0006);
                EXPECT_EQ(r.u16(24), 0x0002);
            }
        } else if (r.id == kNote) {
            notedObject = r.u16(6);
        }
    }
    EXPECT_EQ(objTypes, (std::vector<std::uint16_t>{0x02, 0x00, 0x03, 0x00, 0x02, 0x01, 0x0C, 0x02, 0x0C, 0x19}));
    EXPECT_EQ(objIds, (std::vector<std::uint16_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(notedObject, 10) << "the NOTE names the note's OBJ";

    // Each option button names the other by its OBJ id.
    ASSERT_EQ(options.size(), 2u);
    const auto nextOption = [](const Record& obj) -> int {
        for (std::size_t at = 0; at + 4 <= obj.data.size();) {
            const std::uint16_t ft = obj.u16(at), cb = obj.u16(at + 2);
            if (ft == 0x0011) return obj.u16(at + 4);
            if (ft == 0) break;
            at += 4u + cb;
        }
        return -1;
    };
    EXPECT_EQ(nextOption(options[0]), 9);
    EXPECT_EQ(nextOption(options[1]), 7);
}

TEST(DrawingRecords, GroupWithoutPageBoxesPlacesMembersByTheirCells) {
    // Drawings made without a page box are placed in their group by their
    // cells, so the group still holds them where they were.
    Workbook wb;
    Sheet sheet;
    sheet.name = "Cells";
    sheet.drawingGroups = {{"", std::nullopt}};
    Drawing a = shape(DrawingKind::Rectangle, 2, 1);
    a.group = 0;
    Drawing b = shape(DrawingKind::Ellipse, 4, 3);
    b.group = 0;
    b.box = PageBox{0, 0, 10, 10};  // one box is not enough to use boxes
    sheet.drawings = {a, b};
    wb.sheets.push_back(sheet);
    const Written w = write(wb);
    const auto streams = substreams(w.records);
    std::vector<std::uint8_t> drawing;
    for (const Record& r : streams[1]) {
        if (r.id == kMsoDrawing) drawing.insert(drawing.end(), r.data.begin(), r.data.end());
    }
    const auto top = parse(drawing, 0, drawing.size());
    const auto groups = all(top, 0xF009);
    ASSERT_EQ(groups.size(), 2u);
    // Columns in 1024ths, rows in 256ths: a runs from (1.25, 2.5) to (2.75, 4), b from (3.25, 4.5) to (4.75, 6).
    EXPECT_EQ(rectangle(*groups[1]), (std::vector<std::int32_t>{1280, 640, 4864, 1536}));
    const auto children = all(top, 0xF00F);
    ASSERT_EQ(children.size(), 2u);
    EXPECT_EQ(rectangle(*children[0]), (std::vector<std::int32_t>{1280, 640, 2816, 1024}));
    const auto anchors = all(top, 0xF010);
    ASSERT_EQ(anchors.size(), 3u) << "the group and both members";
    auto u16 = [](const std::vector<std::uint8_t>& b, std::size_t at) { return b[at] | b[at + 1] << 8; };
    EXPECT_EQ(u16(anchors[0]->body, 2), 1) << "the group starts where its first member does";
    EXPECT_EQ(u16(anchors[0]->body, 10), 4) << "and ends where its last one does";
    EXPECT_EQ(u16(anchors[0]->body, 14), 6);
    EXPECT_TRUE(w.warnings.empty());
}

TEST(DrawingRecords, NoDrawingGroupWithoutObjects) {
    Workbook wb;
    Sheet sheet;
    sheet.name = "Empty";
    wb.sheets.push_back(sheet);
    const Written w = write(wb);
    for (const Record& r : w.records) {
        EXPECT_NE(r.id, kMsoDrawingGroup);
        EXPECT_NE(r.id, kMsoDrawing);
    }
}

}  // namespace
}  // namespace brindlemoor::office::xls
