#include "office/xls/drawing_records.h"

#include "office/xls/chart_records.h"
#include "office/xls/control_records.h"
#include "office/xls/excel_limits.h"
#include "office/xls/style_sheet.h"
#include "office/xls/unicode_text.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <map>
#include <tuple>

namespace brindlemoor::office::xls {

namespace {

constexpr std::uint16_t kMsoDrawingGroup = 0x00EB;
constexpr std::uint16_t kMsoDrawing = 0x00EC;
constexpr std::uint16_t kObj = 0x005D;
constexpr std::uint16_t kTxo = 0x01B6;
constexpr std::uint16_t kContinue = 0x003C;

// Office drawing record types.
constexpr std::uint16_t kDggContainer = 0xF000;
constexpr std::uint16_t kBstoreContainer = 0xF001;
constexpr std::uint16_t kDgContainer = 0xF002;
constexpr std::uint16_t kSpgrContainer = 0xF003;
constexpr std::uint16_t kSpContainer = 0xF004;
constexpr std::uint16_t kFdgg = 0xF006;
constexpr std::uint16_t kBse = 0xF007;
constexpr std::uint16_t kFdg = 0xF008;
constexpr std::uint16_t kFspgr = 0xF009;
constexpr std::uint16_t kFsp = 0xF00A;
constexpr std::uint16_t kClientTextbox = 0xF00D;
constexpr std::uint16_t kChildAnchor = 0xF00F;
constexpr std::uint16_t kClientAnchor = 0xF010;
constexpr std::uint16_t kClientData = 0xF011;
constexpr std::uint16_t kBlipJpeg = 0xF01D;
constexpr std::uint16_t kBlipPng = 0xF01E;

constexpr std::uint32_t kShapesPerCluster = 1024;
constexpr std::size_t kMaxText = 32767;
constexpr std::size_t kMaxName = 255;
constexpr std::size_t kTextPerContinue = kMaxRecordData - 1;

// OBJ types.
constexpr std::uint16_t kObjGroup = 0x00, kObjLine = 0x01, kObjRectangle = 0x02, kObjOval = 0x03, kObjChart = 0x05, kObjText = 0x06,
                        kObjPicture = 0x08;

std::uint16_t shapeTypeOf(DrawingKind kind) {
    switch (kind) {
    case DrawingKind::Picture: return 75;   // picture frame
    case DrawingKind::Rectangle: return 1;
    case DrawingKind::Ellipse: return 3;
    case DrawingKind::Line: return 20;
    case DrawingKind::TextBox: return 202;
    case DrawingKind::Chart: return 201;    // host control
    default: return isFormControl(kind) ? 201 : 1;
    }
}

std::uint16_t objTypeOf(DrawingKind kind) {
    switch (kind) {
    case DrawingKind::Picture: return kObjPicture;
    case DrawingKind::Rectangle: return kObjRectangle;
    case DrawingKind::Ellipse: return kObjOval;
    case DrawingKind::Line: return kObjLine;
    case DrawingKind::TextBox: return kObjText;
    case DrawingKind::Chart: return kObjChart;
    default: return kObjRectangle;
    }
}

std::uint32_t colorValue(const Color& c) { return c.r | c.g << 8 | static_cast<std::uint32_t>(c.b) << 16; }

// The BLIP record: header, identifier, tag, the image file.
std::uint32_t blipSize(const Drawing& picture) { return 8 + 16 + 1 + static_cast<std::uint32_t>(picture.picture.size()); }

std::uint16_t offsetIn(double fraction, int units) {
    return static_cast<std::uint16_t>(std::clamp<long>(std::lround(fraction * units), 0, units - 1));
}

// Anchor: how it follows the cells, then left column and offset (1/1024 of
// the column), top row and offset (1/256 of the row), right column and
// offset, bottom row and offset.
void writeClientAnchor(DrawingBytes& out, const DrawingAnchor& a) {
    const auto column = [](std::uint32_t c) { return static_cast<std::uint16_t>(std::min<std::uint32_t>(c, kMaxColumns - 1)); };
    const auto row = [](std::uint32_t r) { return static_cast<std::uint16_t>(std::min<std::uint32_t>(r, kMaxRows - 1)); };
    const bool lastInGrid = a.lastColumn < kMaxColumns && a.lastRow < kMaxRows;
    out.header(0, 0, kClientAnchor, 18);
    out.u16(a.toCell ? 0x0000 : 0x0003);
    out.u16(column(a.firstColumn));
    out.u16(offsetIn(a.firstX, 1024));
    out.u16(row(a.firstRow));
    out.u16(offsetIn(a.firstY, 256));
    out.u16(column(a.lastColumn));
    out.u16(lastInGrid ? offsetIn(a.lastX, 1024) : 1023);
    out.u16(row(a.lastRow));
    out.u16(lastInGrid ? offsetIn(a.lastY, 256) : 255);
}

void writeRectangle(DrawingBytes& out, std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
    for (std::int32_t v : {left, top, right, bottom}) out.u32(static_cast<std::uint32_t>(v));
}

// The groups holding a drawing, outermost first; none when the groups the
// sheet lists do not lead to the top.
std::vector<std::uint32_t> groupsHolding(const Sheet& sheet, const Drawing& drawing) {
    std::vector<std::uint32_t> chain;
    for (auto group = drawing.group; group; group = sheet.drawingGroups[*group].parent) {
        if (*group >= sheet.drawingGroups.size() || chain.size() >= sheet.drawingGroups.size()) return {};
        chain.push_back(*group);
    }
    std::reverse(chain.begin(), chain.end());
    return chain;
}

// Where a drawing stands, in twentieths of a point, from its page box; or,
// without one, from its cells as if all were alike.
struct Extent {
    double left, top, right, bottom;
};

Extent extentOf(const Drawing& d, bool onPage) {
    if (onPage) {
        const double scale = 20;
        const auto clampTo = [](double v) { return std::clamp(v, 0.0, double{1 << 30}); };
        return {clampTo(d.box->x * scale), clampTo(d.box->y * scale), clampTo((d.box->x + d.box->width) * scale),
                clampTo((d.box->y + d.box->height) * scale)};
    }
    const DrawingAnchor& a = d.anchor;
    return {a.firstColumn * 1024.0 + a.firstX * 1024, a.firstRow * 256.0 + a.firstY * 256,
            std::min<double>(a.lastColumn, kMaxColumns) * 1024.0 + a.lastX * 1024,
            std::min<double>(a.lastRow, kMaxRows) * 256.0 + a.lastY * 256};
}

// The anchor that holds both: the earlier start, the later end.
void widen(DrawingAnchor& into, const DrawingAnchor& a) {
    if (std::tie(a.firstColumn, a.firstX) < std::tie(into.firstColumn, into.firstX)) into.firstColumn = a.firstColumn, into.firstX = a.firstX;
    if (std::tie(a.firstRow, a.firstY) < std::tie(into.firstRow, into.firstY)) into.firstRow = a.firstRow, into.firstY = a.firstY;
    if (std::tie(a.lastColumn, a.lastX) > std::tie(into.lastColumn, into.lastX)) into.lastColumn = a.lastColumn, into.lastX = a.lastX;
    if (std::tie(a.lastRow, a.lastY) > std::tie(into.lastRow, into.lastY)) into.lastRow = a.lastRow, into.lastY = a.lastY;
}

}  // namespace

void DrawingBytes::u16(std::uint16_t v) {
    data_.push_back(static_cast<std::uint8_t>(v));
    data_.push_back(static_cast<std::uint8_t>(v >> 8));
}

void DrawingBytes::u32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) data_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void DrawingBytes::header(std::uint16_t version, std::uint16_t instance, std::uint16_t type, std::uint32_t length) {
    u16(static_cast<std::uint16_t>(version | instance << 4));
    u16(type);
    u32(length);
}

std::size_t DrawingBytes::open(std::uint16_t type, std::uint16_t instance) {
    const std::size_t start = data_.size();
    header(0xF, instance, type, 0);
    return start;
}

void DrawingBytes::close(std::size_t start) {
    const auto length = static_cast<std::uint32_t>(data_.size() - start - 8);
    for (int i = 0; i < 4; ++i) data_[start + 4 + i] = static_cast<std::uint8_t>(length >> (8 * i));
}

void ShapeProperties::set(std::uint16_t id, std::uint32_t value) { entries_.push_back({id, value, {}}); }

void ShapeProperties::setText(std::uint16_t id, std::string_view utf8) {
    const std::u16string text(cutUtf16(toUtf16(utf8), kMaxName));
    std::string bytes;
    for (char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    bytes.append(2, '\0');
    entries_.push_back({static_cast<std::uint16_t>(id | 0x8000), static_cast<std::uint32_t>(bytes.size()), std::move(bytes)});
}

void ShapeProperties::write(DrawingBytes& out) const {
    std::vector<const Entry*> sorted;
    for (const Entry& e : entries_) sorted.push_back(&e);
    std::stable_sort(sorted.begin(), sorted.end(), [](const Entry* a, const Entry* b) { return (a->id & 0x3FFF) < (b->id & 0x3FFF); });
    std::uint32_t length = 6 * static_cast<std::uint32_t>(sorted.size());
    for (const Entry* e : sorted) length += static_cast<std::uint32_t>(e->complex.size());
    out.header(3, static_cast<std::uint16_t>(sorted.size()), 0xF00B, length);
    for (const Entry* e : sorted) {
        out.u16(e->id);
        out.u32(e->value);
    }
    for (const Entry* e : sorted) out.bytes(e->complex);
}

void writeTextObject(BiffStream& out, std::u16string_view text, std::span<const FormattingRun> runs) {
    // Runs that start within the text; the first one at its start.
    std::vector<FormattingRun> fonts;
    for (const FormattingRun& run : runs) {
        if (run.start >= text.size()) break;
        if (fonts.empty() && run.start > 0) fonts.push_back({0, 0});
        fonts.push_back(run);
    }
    if (fonts.empty()) fonts.push_back({0, 0});
    // TXO: flags (left and top aligned, text locked), rotation, reserved,
    // text length, formatting runs length (the end marker's 8 bytes
    // included), reserved; the text follows in CONTINUE records (each with
    // its own flags byte), then the runs.
    const auto start = out.beginRecord(kTxo);
    out.u16(0x0212);
    out.u16(0);
    out.zeros(6);
    out.u16(static_cast<std::uint16_t>(text.size()));
    out.u16(text.empty() ? 0 : static_cast<std::uint16_t>(8 * (fonts.size() + 1)));
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
    // Formatting runs, 8 bytes each (start, font, reserved), as many as a
    // CONTINUE holds; the end marker at the text's length closes the last.
    fonts.push_back({static_cast<std::uint16_t>(text.size()), 0});
    constexpr std::size_t kRunsPerContinue = kMaxRecordData / 8;
    for (std::size_t at = 0; at < fonts.size(); at += kRunsPerContinue) {
        const auto piece = out.beginRecord(kContinue);
        for (std::size_t i = at; i < std::min(fonts.size(), at + kRunsPerContinue); ++i) {
            out.u16(fonts[i].start);
            out.u16(fonts[i].font);
            out.u32(0);
        }
        out.endRecord(piece);
    }
}

std::array<std::uint8_t, 16> pictureId(std::string_view bytes) {
    // Two FNV-1a hashes of different bases; it only has to tell pictures apart.
    std::uint64_t a = 0xCBF29CE484222325ull, b = 0x84222325CBF29CE4ull ^ bytes.size();
    for (unsigned char c : bytes) {
        a = (a ^ c) * 0x100000001B3ull;
        b = (b ^ c) * 0x100000001B3ull;
        b ^= b >> 29;
    }
    std::array<std::uint8_t, 16> id{};
    for (int i = 0; i < 8; ++i) {
        id[i] = static_cast<std::uint8_t>(a >> (8 * i));
        id[8 + i] = static_cast<std::uint8_t>(b >> (8 * i));
    }
    return id;
}

SheetDrawings::SheetDrawings(const Workbook& workbook, Warnings* warnings, const formula::WorkbookFormulas* formulas,
                             const StyleSheet* styles)
    : formulas_(formulas), styles_(styles) {
    std::uint32_t nextCluster = 1;
    for (std::uint32_t sheetIndex = 0; sheetIndex < workbook.sheets.size(); ++sheetIndex) {
        const Sheet& sheet = workbook.sheets[sheetIndex];
        SheetPlan plan;
        int outside = 0;
        int ownEntries = 0;
        for (const Drawing& drawing : sheet.drawings) {
            if (drawing.anchor.firstRow >= kMaxRows || drawing.anchor.firstColumn >= kMaxColumns) {
                ++outside;
                continue;
            }
            if (drawing.kind == DrawingKind::Picture && drawing.picture.empty()) continue;  // the reader warned
            if (drawing.kind == DrawingKind::Chart && !drawing.chart) continue;              // so it did here
            Shape shape;
            shape.drawing = &drawing;
            if (drawing.control && formulas) shape.links = controlLinks(*formulas, sheetIndex, *drawing.control);
            if (losesOwnEntries(drawing, shape.links)) ++ownEntries;
            if (drawing.kind == DrawingKind::Picture) {
                const auto id = pictureId(drawing.picture);
                auto stored = std::find_if(pictures_.begin(), pictures_.end(), [&](const StoredPicture& p) {
                    return p.id == id && p.drawing->picture == drawing.picture;
                });
                if (stored == pictures_.end()) stored = pictures_.insert(pictures_.end(), {&drawing, id, 0});
                ++stored->uses;
                shape.picture = static_cast<std::uint32_t>(stored - pictures_.begin() + 1);
            }
            plan.shapes.push_back(shape);
        }
        if (outside > 0 && warnings) {
            warnings->push_back(sheet.name + ": " + std::to_string(outside) + (outside == 1 ? " picture or shape" : " pictures or shapes") +
                                " beyond 65536 rows or 256 columns not converted");
        }
        if (ownEntries > 0 && warnings) {
            warnings->push_back(sheet.name + ": the entries of " + std::to_string(ownEntries) +
                                (ownEntries == 1 ? " list" : " lists") +
                                " not converted (Excel 97 fills a list from cells only)");
        }
        int longNotes = 0;
        for (const PlacedNote& note : notesOf(sheet)) {
            Shape shape;
            shape.note = note;
            plan.shapes.push_back(shape);
            if (note.annotation->text.size() > kMaxText && toUtf16(note.annotation->text).size() > kMaxText) ++longNotes;
        }
        if (longNotes > 0 && warnings) {
            warnings->push_back(sheet.name + ": " + std::to_string(longNotes) + (longNotes == 1 ? " note" : " notes") +
                                " cut to Excel 97's " + std::to_string(kMaxText) + " characters");
        }
        planGroups(sheet, plan);
        // The sheet's option buttons choose among each other.
        std::vector<std::size_t> options;
        for (std::size_t k = 0; k < plan.shapes.size(); ++k) {
            if (plan.shapes[k].drawing && plan.shapes[k].drawing->kind == DrawingKind::OptionButton) options.push_back(k);
        }
        for (std::size_t i = 0; i < options.size(); ++i) {
            plan.shapes[options[i]].option = {plan.shapes[options[(i + 1) % options.size()]].objectId, i == 0};
        }
        if (!plan.shapes.empty()) {
            plan.drawingId = ++drawings_;
            plan.firstCluster = nextCluster;
            const std::uint32_t shapes = plan.objects + 1;  // and the sheet's own group shape
            const std::uint32_t clusters = (shapes + kShapesPerCluster - 1) / kShapesPerCluster;
            nextCluster += clusters;
            clusters_ += clusters;
            shapes_ += shapes;
        }
        sheets_.push_back(std::move(plan));
    }
}

void SheetDrawings::planGroups(const Sheet& sheet, SheetPlan& plan) {
    // Each shape goes into the groups that hold it, made on the first member
    // met. Charts and form controls stay on the sheet itself: Excel 97 keeps
    // their cells and their own records apart from any group.
    std::map<std::uint32_t, std::size_t> groupNodes;
    bool onPage = true;
    for (std::size_t k = 0; k < plan.shapes.size(); ++k) {
        const Drawing* drawing = plan.shapes[k].drawing;
        std::vector<std::uint32_t> chain;
        if (drawing && drawing->kind != DrawingKind::Chart && !isFormControl(drawing->kind)) chain = groupsHolding(sheet, *drawing);
        std::optional<std::size_t> parent;
        const auto place = [&](std::size_t node) {
            if (parent) plan.nodes[*parent].members.push_back(node);
            else plan.top.push_back(node);
        };
        for (std::uint32_t group : chain) {
            auto found = groupNodes.find(group);
            if (found == groupNodes.end()) {
                Node node;
                node.name = sheet.drawingGroups[group].name;
                node.anchor = drawing->anchor;
                plan.nodes.push_back(std::move(node));
                found = groupNodes.emplace(group, plan.nodes.size() - 1).first;
                place(found->second);
            }
            parent = found->second;
        }
        if (!chain.empty() && !drawing->box) onPage = false;
        Node node;
        node.shape = k;
        plan.nodes.push_back(std::move(node));
        place(plan.nodes.size() - 1);
    }

    // Ids in writing order, a group before its members; a group's cells and
    // box hold all of its members'. Every box is in the one space of the
    // sheet, so a member's place needs no reckoning from its group's.
    std::uint16_t nextId = 0;
    std::function<void(std::size_t)> settle = [&](std::size_t index) {
        if (const auto shape = plan.nodes[index].shape) {
            Shape& s = plan.shapes[*shape];
            s.objectId = ++nextId;
            if (s.drawing) {
                // Readers divide by a group's size: never nothing wide or high.
                const Extent e = extentOf(*s.drawing, onPage);
                Box& box = plan.nodes[index].box;
                box.left = static_cast<std::int32_t>(std::lround(e.left));
                box.top = static_cast<std::int32_t>(std::lround(e.top));
                box.right = std::max(box.left + 1, static_cast<std::int32_t>(std::lround(e.right)));
                box.bottom = std::max(box.top + 1, static_cast<std::int32_t>(std::lround(e.bottom)));
            }
            return;
        }
        plan.nodes[index].objectId = ++nextId;
        Box all{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
        for (std::size_t member : std::vector<std::size_t>(plan.nodes[index].members)) {
            settle(member);
            const Node& m = plan.nodes[member];
            widen(plan.nodes[index].anchor, m.shape ? plan.shapes[*m.shape].drawing->anchor : m.anchor);
            all = {std::min(all.left, m.box.left), std::min(all.top, m.box.top), std::max(all.right, m.box.right),
                   std::max(all.bottom, m.box.bottom)};
        }
        plan.nodes[index].box = all;
    };
    for (std::size_t index : plan.top) settle(index);
    plan.objects = nextId;
}

void SheetDrawings::writeGroup(BiffStream& out) const {
    if (empty()) return;
    DrawingBytes group;
    const auto container = group.open(kDggContainer);
    // FDGG: the largest shape id + 1, cluster count + 1, shapes and drawings
    // saved, then per cluster its drawing and the number of ids it uses.
    group.header(0, 0, kFdgg, 16 + 8 * clusters_);
    std::uint32_t maxShapeId = 0;
    for (const auto& sheet : sheets_) {
        if (sheet.drawingId) maxShapeId = std::max<std::uint32_t>(maxShapeId, sheet.firstCluster * kShapesPerCluster + sheet.objects);
    }
    group.u32(maxShapeId + 1);
    group.u32(clusters_ + 1);
    group.u32(shapes_);
    group.u32(drawings_);
    for (const auto& sheet : sheets_) {
        if (!sheet.drawingId) continue;
        std::uint32_t left = sheet.objects + 1;
        while (left > 0) {
            const std::uint32_t used = std::min(left, kShapesPerCluster);
            group.u32(sheet.drawingId);
            group.u32(used);
            left -= used;
        }
    }
    if (!pictures_.empty()) {
        // The picture store: one BSE per picture, its BLIP inside it.
        const auto store = group.open(kBstoreContainer, static_cast<std::uint16_t>(pictures_.size()));
        for (const StoredPicture& stored : pictures_) {
            const Drawing& picture = *stored.drawing;
            const bool png = picture.pictureType == PictureType::Png;
            const std::uint8_t type = png ? 6 : 5;
            group.header(2, type, kBse, 36 + blipSize(picture));
            group.u8(type);                 // type on Windows
            group.u8(type);                 // type on the Mac
            for (auto b : stored.id) group.u8(b);
            group.u16(0x00FF);              // tag
            group.u32(blipSize(picture));
            group.u32(stored.uses);         // references
            group.u32(0);                   // offset in a delay stream: none, the BLIP follows
            group.u8(0);                    // usage
            group.u8(0);                    // name length
            group.u8(0);
            group.u8(0);
            group.header(0, png ? 0x6E0 : 0x46A, png ? kBlipPng : kBlipJpeg, blipSize(picture) - 8);
            for (auto b : stored.id) group.u8(b);
            group.u8(0xFF);
            group.bytes(picture.picture);
        }
        group.close(store);
    }
    group.close(container);

    // The container runs on in CONTINUE records past the record size limit.
    const auto& bytes = group.data();
    for (std::size_t at = 0; at < bytes.size(); at += kMaxRecordData) {
        const auto record = out.beginRecord(at == 0 ? kMsoDrawingGroup : kContinue);
        out.raw(bytes.data() + at, std::min(kMaxRecordData, bytes.size() - at));
        out.endRecord(record);
    }
}

void SheetDrawings::writeShape(DrawingBytes& out, const Shape& shape, std::uint32_t shapeId, const Box* inGroup) const {
    if (!shape.drawing) {
        writeNoteShape(out, shapeId, shape.note);
        return;
    }
    const Drawing& d = *shape.drawing;
    std::uint32_t flags = 0x0A00;  // has an anchor, has a shape type
    if (d.flipHorizontal) flags |= 0x0040;
    if (d.flipVertical) flags |= 0x0080;
    if (inGroup) flags |= 0x0002;  // a group's member
    out.header(2, shapeTypeOf(d.kind), kFsp, 8);
    out.u32(shapeId);
    out.u32(flags);

    ShapeProperties properties;
    if (isFormControl(d.kind)) {
        addControlProperties(properties, d);
    } else if (d.kind == DrawingKind::Picture) {
        properties.set(0x4104, shape.picture);  // the picture, by its place in the store
    } else {
        if (d.kind == DrawingKind::TextBox) properties.set(0x0080, 0);  // text id
        if (d.fill) properties.set(0x0181, colorValue(*d.fill));
        properties.set(0x01BF, d.fill ? 0x00100010 : 0x00100000);  // filled or not
    }
    if (d.line) {
        properties.set(0x01C0, colorValue(*d.line));
        if (d.lineWidthPt > 0) properties.set(0x01CB, static_cast<std::uint32_t>(std::lround(std::min(d.lineWidthPt, 1000.0) * 12700)));
    }
    properties.set(0x01FF, d.line ? 0x00080008 : 0x00080000);  // outlined or not
    if (!d.name.empty()) properties.setText(0x0380, d.name);
    if (!d.description.empty()) properties.setText(0x0381, d.description);
    properties.write(out);

    // A group's member stands in the group's space; its cells follow too,
    // for readers that place each object by its own cells.
    if (inGroup) {
        out.header(0, 0, kChildAnchor, 16);
        writeRectangle(out, inGroup->left, inGroup->top, inGroup->right, inGroup->bottom);
    }
    writeClientAnchor(out, d.anchor);
    out.header(0, 0, kClientData, 0);
}

void SheetDrawings::writeObj(BiffStream& out, const Shape& shape, std::uint16_t objectId) const {
    if (!shape.drawing) {
        writeNoteObj(out, objectId);
        return;
    }
    // OBJ: common data (type, id, flags locked/print/autofill/autoline,
    // reserved); a picture adds its clipboard format (bitmap) and picture
    // flags; end.
    const DrawingKind kind = shape.drawing->kind;
    if (isFormControl(kind)) {
        writeControlObj(out, *shape.drawing, objectId, shape.links, shape.option);
        return;
    }
    const auto start = out.beginRecord(kObj);
    out.u16(0x0015);
    out.u16(0x0012);
    out.u16(objTypeOf(kind));
    out.u16(objectId);
    out.u16(0x6011);
    out.zeros(12);
    if (kind == DrawingKind::Picture) {
        out.u16(0x0007);
        out.u16(2);
        out.u16(0x0009);
        out.u16(0x0008);
        out.u16(2);
        out.u16(0x0000);
    }
    out.u16(0x0000);
    out.u16(0x0000);
    out.endRecord(start);
}

void SheetDrawings::writeNode(DrawingBytes& out, const SheetPlan& sheet, std::size_t index, bool inGroup,
                              std::vector<Cut>& cuts) const {
    const Node& node = sheet.nodes[index];
    const std::uint32_t firstShape = sheet.firstCluster * kShapesPerCluster;
    if (node.shape) {
        const Shape& shape = sheet.shapes[*node.shape];
        const auto spContainer = out.open(kSpContainer);
        writeShape(out, shape, firstShape + shape.objectId, inGroup ? &node.box : nullptr);
        cuts.push_back({out.size(), index, false});
        // Notes and text boxes carry text: a text box record, then a TXO.
        if (!shape.drawing || shape.drawing->kind == DrawingKind::TextBox || controlHasLabel(shape.drawing->kind)) {
            out.header(0, 0, kClientTextbox, 0);
            cuts.push_back({out.size(), index, true});
        }
        out.close(spContainer);
        return;
    }
    // A group: its own shape (the space its members' boxes are in, where
    // it stands), then its members, groups in it as groups of their own.
    const auto group = out.open(kSpgrContainer);
    const auto groupShape = out.open(kSpContainer);
    out.header(1, 0, kFspgr, 16);
    writeRectangle(out, node.box.left, node.box.top, node.box.right, node.box.bottom);
    out.header(2, 0, kFsp, 8);
    out.u32(firstShape + node.objectId);
    out.u32(inGroup ? 0x0203 : 0x0201);  // a group with an anchor; in a group
    if (!node.name.empty()) {
        ShapeProperties properties;
        properties.setText(0x0380, node.name);
        properties.write(out);
    }
    if (inGroup) {
        out.header(0, 0, kChildAnchor, 16);
        writeRectangle(out, node.box.left, node.box.top, node.box.right, node.box.bottom);
    }
    writeClientAnchor(out, node.anchor);
    out.header(0, 0, kClientData, 0);
    cuts.push_back({out.size(), index, false});
    out.close(groupShape);
    for (std::size_t member : node.members) writeNode(out, sheet, member, true, cuts);
    out.close(group);
}

namespace {

void writeGroupObj(BiffStream& out, std::uint16_t objectId) {
    // OBJ: common data (a group, its id, locked / print), the group marker, end.
    const auto start = out.beginRecord(kObj);
    out.u16(0x0015);
    out.u16(0x0012);
    out.u16(kObjGroup);
    out.u16(objectId);
    out.u16(0x6011);
    out.zeros(12);
    out.u16(0x0006);
    out.u16(0x0002);
    out.u16(0x0000);
    out.u16(0x0000);
    out.u16(0x0000);
    out.endRecord(start);
}

}  // namespace

void SheetDrawings::writeSheet(BiffStream& out, std::uint32_t sheetIndex) const {
    if (sheetIndex >= sheets_.size() || !sheets_[sheetIndex].drawingId) return;
    const SheetPlan& sheet = sheets_[sheetIndex];
    const std::uint32_t firstShape = sheet.firstCluster * kShapesPerCluster;

    // The whole drawing first, with the places where its MSODRAWING records
    // end: before each shape's OBJ and before the TXO of a shape with text.
    std::vector<Cut> cuts;
    DrawingBytes drawing;
    const auto container = drawing.open(kDgContainer);
    drawing.header(0, static_cast<std::uint16_t>(sheet.drawingId), kFdg, 8);
    drawing.u32(sheet.objects + 1);
    drawing.u32(firstShape + sheet.objects);
    const auto group = drawing.open(kSpgrContainer);
    const auto groupShape = drawing.open(kSpContainer);
    drawing.header(1, 0, kFspgr, 16);
    for (int i = 0; i < 4; ++i) drawing.u32(0);
    drawing.header(2, 0, kFsp, 8);
    drawing.u32(firstShape);
    drawing.u32(0x0005);  // group, patriarch
    drawing.close(groupShape);
    for (std::size_t node : sheet.top) writeNode(drawing, sheet, node, false, cuts);
    drawing.close(group);
    drawing.close(container);

    // A chart's own substream follows its OBJ record.
    const SheetLink chartLinks = [this](std::uint32_t s) { return formulas_ ? formulas_->chartSheet(s) : std::nullopt; };
    const auto& bytes = drawing.data();
    std::size_t from = 0;
    for (const Cut& cut : cuts) {
        const auto record = out.beginRecord(kMsoDrawing);
        out.raw(bytes.data() + from, cut.at - from);
        out.endRecord(record);
        from = cut.at;
        const Node& node = sheet.nodes[cut.node];
        if (!node.shape) {
            writeGroupObj(out, node.objectId);
            continue;
        }
        const Shape& shape = sheet.shapes[*node.shape];
        if (!cut.beforeText) {
            writeObj(out, shape, shape.objectId);
            if (shape.drawing && shape.drawing->chart) writeChartSubstream(out, *shape.drawing->chart, chartLinks);
        } else {
            if (shape.drawing) {
                const std::vector<FormattingRun> runs = styles_ ? styles_->drawingRuns(*shape.drawing) : std::vector<FormattingRun>{};
                writeTextObject(out, cutUtf16(toUtf16(shape.drawing->text), kMaxText), runs);
            } else {
                const Annotation& note = *shape.note.annotation;
                const std::vector<FormattingRun> runs = styles_ ? styles_->noteRuns(note) : std::vector<FormattingRun>{};
                writeTextObject(out, cutUtf16(toUtf16(note.text), kMaxText), runs);
            }
        }
    }
    for (const Shape& shape : sheet.shapes) {
        if (!shape.drawing) writeNote(out, shape.note, shape.objectId);
    }
}

}  // namespace brindlemoor::office::xls
