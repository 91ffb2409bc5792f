// Form controls' OBJ records, checked where a fault would be silent: the
// order and lengths of the sub-records (readers walk them by their lengths,
// except a link formula's and a list's), the cell references through the
// link table, and the label's TXO beside the ids of notes and pictures.

#include "biff_records.h"
#include "office/xls/control_records.h"
#include "office/xls/workbook_stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace brindlemoor::office::xls {
namespace {

using formula::Bytes;
using test::Record;

constexpr std::uint16_t kObj = 0x005D, kTxo = 0x01B6, kMsoDrawing = 0x00EC, kExternSheet = 0x0017, kBof = 0x0809;

std::uint16_t le16(const Bytes& b, std::size_t at) { return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8); }

struct SubRecord {
    std::uint16_t ft;
    Bytes body;
};

// Walks the sub-records as a strict reader does; a link formula (ft 0x0E,
// 0x14) has no length of its own but its formula's, and a list's (0x13)
// runs to the end marker.
std::vector<SubRecord> subRecords(const Bytes& obj) {
    std::vector<SubRecord> out;
    std::size_t at = 0;
    while (at + 4 <= obj.size()) {
        const std::uint16_t ft = le16(obj, at);
        std::size_t length = le16(obj, at + 2);
        if (ft == 0x13) length = obj.size() - at - 8;  // the list, then ftEnd
        if (ft == 0x0E || ft == 0x14) length = le16(obj, at + 2) + 2;
        if (ft == 0x0E || ft == 0x14) {
            out.push_back({ft, Bytes(obj.begin() + static_cast<long>(at + 2), obj.begin() + static_cast<long>(at + 2 + length))});
            at += 2 + length;
            continue;
        }
        EXPECT_LE(at + 4 + length, obj.size()) << "sub-record " << ft << " overruns the record";
        if (at + 4 + length > obj.size()) break;
        out.push_back({ft, Bytes(obj.begin() + static_cast<long>(at + 4), obj.begin() + static_cast<long>(at + 4 + length))});
        at += 4 + length;
    }
    EXPECT_EQ(at, obj.size()) << "bytes after the last sub-record";
    return out;
}

std::vector<std::uint16_t> kinds(const std::vector<SubRecord>& subs) {
    std::vector<std::uint16_t> out;
    for (const auto& s : subs) out.push_back(s.ft);
    return out;
}

Drawing control(DrawingKind kind, FormControl settings = {}) {
    Drawing d;
    d.kind = kind;
    d.anchor = {1, 1, 0, 0, 2, 3, 0.5, 0.5, true};
    d.control = std::move(settings);
    return d;
}

const Bytes kCell = {0x3A, 0x00, 0x00, 0x04, 0x00, 0x02, 0x00};  // tRef3d: C5 through EXTERNSHEET entry 0
const Bytes kRange = {0x3B, 0x00, 0x00, 0x00, 0x00, 0x09, 0x00, 0x00, 0x00, 0x00, 0x00};  // tArea3d: A1:A10

TEST(ControlObjects, CommonDataFirstAndEndLastForEveryKind) {
    const std::vector<std::pair<DrawingKind, std::uint16_t>> types = {
        {DrawingKind::Button, 7},     {DrawingKind::CheckBox, 11},  {DrawingKind::OptionButton, 12},
        {DrawingKind::Label, 14},     {DrawingKind::SpinButton, 16}, {DrawingKind::ScrollBar, 17},
        {DrawingKind::ListBox, 18},   {DrawingKind::GroupBox, 19},  {DrawingKind::ComboBox, 20}};
    for (const auto& [kind, type] : types) {
        const Bytes obj = controlObjData(control(kind), 42, {});
        const auto subs = subRecords(obj);
        ASSERT_GE(subs.size(), 2u);
        EXPECT_EQ(subs.front().ft, 0x15);
        ASSERT_EQ(subs.front().body.size(), 18u);
        EXPECT_EQ(le16(subs.front().body, 0), type);
        EXPECT_EQ(le16(subs.front().body, 2), 42);
        EXPECT_EQ(subs.back().ft, 0x00);
        EXPECT_TRUE(subs.back().body.empty());
        EXPECT_EQ(obj.size() % 2, 0u) << "type " << type;
    }
}

TEST(ControlObjects, CheckBoxCarriesItsStateAndLinkedCell) {
    FormControl settings;
    settings.checked = 1;
    const Bytes obj = controlObjData(control(DrawingKind::CheckBox, settings), 3, {kCell, {}, 0});
    const auto subs = subRecords(obj);
    EXPECT_EQ(kinds(subs), (std::vector<std::uint16_t>{0x15, 0x0A, 0x14, 0x12, 0x00}));
    EXPECT_EQ(subs[1].body, Bytes(12, 0));
    // The link: formula length (even), token length, four unused bytes, tokens, padding.
    const Bytes& link = subs[2].body;
    EXPECT_EQ(le16(link, 0) % 2, 0);
    EXPECT_EQ(le16(link, 0), link.size() - 2);
    EXPECT_EQ(le16(link, 2), kCell.size());
    EXPECT_EQ(Bytes(link.begin() + 8, link.begin() + 8 + static_cast<long>(kCell.size())), kCell);
    ASSERT_EQ(subs[3].body.size(), 8u);
    EXPECT_EQ(le16(subs[3].body, 0), 1);  // checked

    // Unlinked, the link formula is left out altogether.
    EXPECT_EQ(kinds(subRecords(controlObjData(control(DrawingKind::CheckBox), 3, {}))),
              (std::vector<std::uint16_t>{0x15, 0x0A, 0x12, 0x00}));
}

TEST(ControlObjects, OptionButtonsNameTheNextOfTheirGroup) {
    const Bytes obj = controlObjData(control(DrawingKind::OptionButton), 5, {}, {9, true});
    const auto subs = subRecords(obj);
    EXPECT_EQ(kinds(subs), (std::vector<std::uint16_t>{0x15, 0x0A, 0x0B, 0x12, 0x11, 0x00}));
    EXPECT_EQ(le16(subs[2].body, 4), 1);  // the first of its group
    EXPECT_EQ(le16(subs[4].body, 0), 9);
    EXPECT_EQ(le16(subs[4].body, 2), 1);
}

TEST(ControlObjects, ScrollValuesStayInTheRangeReadersAccept) {
    FormControl settings;
    settings.minimum = -5;
    settings.maximum = 100000;
    settings.value = 70000;
    settings.step = 0;
    settings.horizontal = true;
    const auto subs = subRecords(controlObjData(control(DrawingKind::ScrollBar, settings), 1, {kCell, {}, 0}));
    EXPECT_EQ(kinds(subs), (std::vector<std::uint16_t>{0x15, 0x0C, 0x0E, 0x00}));
    const Bytes& sbs = subs[1].body;
    ASSERT_EQ(sbs.size(), 20u);
    EXPECT_EQ(le16(sbs, 6), 0);        // minimum
    EXPECT_EQ(le16(sbs, 8), 30000);    // maximum
    EXPECT_EQ(le16(sbs, 4), 30000);    // value within them
    EXPECT_EQ(le16(sbs, 10), 1);       // step at least 1
    EXPECT_EQ(le16(sbs, 14), 1);       // lying down
}

TEST(ControlObjects, DropDownListFilledFromCells) {
    FormControl settings;
    settings.lines = 12;
    const Bytes obj = controlObjData(control(DrawingKind::ComboBox, settings), 2, {kCell, kRange, 10});
    const auto subs = subRecords(obj);
    EXPECT_EQ(kinds(subs), (std::vector<std::uint16_t>{0x15, 0x0C, 0x0E, 0x13, 0x00}));
    // The list (after its length marker): the range's formula, lines, selection, flags, edit id, then the drop-down's data.
    const Bytes& list = subs[3].body;
    EXPECT_EQ(le16(list, 0) % 2, 0);
    EXPECT_EQ(le16(list, 2), kRange.size());
    EXPECT_EQ(Bytes(list.begin() + 8, list.begin() + 8 + static_cast<long>(kRange.size())), kRange);
    std::size_t at = 2 + le16(list, 0);
    EXPECT_EQ(le16(list, at), 10);               // lines: the cells of the range
    EXPECT_EQ(le16(list, at + 4) & 0x0002, 0);   // no entries of its own
    EXPECT_EQ(le16(list, at + 4) >> 8, 1);       // a list of the sheet
    at += 8;
    EXPECT_EQ(le16(list, at + 2), 12);           // lines shown when dropped down
    EXPECT_EQ(list.size(), at + 6 + 3 + 1);      // an empty current text, padded
}

// Entries of the control's own are not written: Excel 97 lists are filled
// from cells, and readers drop or misread entries stored in the record.
TEST(ControlObjects, ListBoxWithOwnEntriesWritesAnEmptyList) {
    FormControl settings;
    settings.items = {"North", "Süd"};
    settings.multiSelect = true;
    const Drawing box = control(DrawingKind::ListBox, settings);
    EXPECT_TRUE(losesOwnEntries(box, {}));
    const auto subs = subRecords(controlObjData(box, 2, {}));
    ASSERT_EQ(kinds(subs), (std::vector<std::uint16_t>{0x15, 0x0C, 0x13, 0x00}));
    const Bytes& list = subs[2].body;
    EXPECT_EQ(le16(list, 0), 0);  // no range
    std::size_t at = 2;
    EXPECT_EQ(le16(list, at), 0);                  // no lines
    EXPECT_EQ(le16(list, at + 4) & 0x0002, 0);     // no entries follow
    EXPECT_EQ((le16(list, at + 4) >> 4) & 3, 1);   // several may be chosen
    EXPECT_EQ(list.size(), at + 8);                // and no selection flags

    ControlLinks filled;
    filled.sourceRange = {0x3B, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    filled.sourceCells = 3;
    EXPECT_FALSE(losesOwnEntries(box, filled));
    EXPECT_FALSE(losesOwnEntries(control(DrawingKind::ListBox), {}));
}

// In a whole workbook: controls share the drawing with a note, each OBJ
// after its shape, the labelled ones with a TXO, and the linked cell goes
// through an EXTERNSHEET entry of the globals.
TEST(ControlObjects, WorkbookWritesControlsBesideNotes) {
    Workbook wb;
    Sheet sheet;
    sheet.name = "Form";
    sheet.annotations = {{"Ada", "A note", false}};
    Row row;
    row.index = 0;
    Cell noted;
    noted.annotation = 0;
    row.cells = {noted};
    sheet.rows = {row};
    Drawing button = control(DrawingKind::Button);
    button.text = "Press";
    sheet.drawings.push_back(button);
    FormControl linked;
    linked.linkedCell = "Form.C5";
    Drawing box = control(DrawingKind::CheckBox, linked);
    box.text = "Tick";
    sheet.drawings.push_back(box);
    FormControl stale;
    stale.linkedCell = "Missing.A1";
    sheet.drawings.push_back(control(DrawingKind::SpinButton, stale));
    wb.sheets.push_back(sheet);

    Warnings warnings;
    const BiffStream stream = buildWorkbookStream(wb, warnings);
    const std::vector<std::uint8_t> bytes = stream.bytes();
    const auto records = test::splitRecords(bytes);
    std::vector<std::uint16_t> objects;
    std::vector<std::uint16_t> order;
    bool externSheet = false;
    int bofs = 0;
    for (const Record& r : records) {
        if (r.id == kBof) ++bofs;
        if (r.id == kExternSheet && bofs == 1) externSheet = true;
        if (bofs == 2 && (r.id == kObj || r.id == kTxo || r.id == kMsoDrawing)) order.push_back(r.id);
        if (r.id == kObj) objects.push_back(r.u16(4));
    }
    EXPECT_TRUE(externSheet);
    // Button, its label; check box, its label; spin button; the note and its text.
    EXPECT_EQ(order, (std::vector<std::uint16_t>{kMsoDrawing, kObj, kMsoDrawing, kTxo, kMsoDrawing, kObj, kMsoDrawing, kTxo,
                                                 kMsoDrawing, kObj, kMsoDrawing, kObj, kMsoDrawing, kTxo}));
    EXPECT_EQ(objects, (std::vector<std::uint16_t>{7, 11, 16, 25}));
    // A link to a sheet the workbook lacks is left out and said so.
    bool warned = false;
    for (const auto& w : warnings) warned = warned || w.find("Missing.A1") != std::string::npos;
    EXPECT_TRUE(warned);
}

TEST(ControlObjects, OwnListEntriesAreNamedInTheWarnings) {
    Workbook wb;
    Sheet sheet;
    sheet.name = "Form";
    FormControl own;
    own.items = {"Norte", "Sul"};
    sheet.drawings.push_back(control(DrawingKind::ComboBox, own));
    sheet.drawings.push_back(control(DrawingKind::ListBox, own));
    wb.sheets.push_back(sheet);

    Warnings warnings;
    const BiffStream stream = buildWorkbookStream(wb, warnings);
    EXPECT_FALSE(stream.bytes().empty());
    EXPECT_NE(std::find(warnings.begin(), warnings.end(),
                        "Form: the entries of 2 lists not converted (Excel 97 fills a list from cells only)"),
              warnings.end());
}

}  // namespace
}  // namespace brindlemoor::office::xls
