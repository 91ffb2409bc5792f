#include "office/ods/drawing_reader.h"

#include "office/ods/package.h"
#include "office/ods/values.h"
#include "office/ods/xml_reader.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <functional>
#include <map>
#include <tuple>

namespace brindlemoor::office::ods {
namespace {

constexpr std::size_t kMaxPictureBytes = 64u << 20;  // larger pictures are left out with a warning
constexpr double kFallbackColumnWidthPt = 64.0;
constexpr std::uint64_t kMaxRows = 1048576;
constexpr std::uint64_t kMaxColumns = 16384;

std::optional<PictureType> pictureTypeOf(std::string_view bytes) {
    if (bytes.starts_with("\x89PNG\r\n\x1A\n")) return PictureType::Png;
    if (bytes.starts_with("\xFF\xD8\xFF")) return PictureType::Jpeg;
    return std::nullopt;
}

double lengthAttribute(const XmlReader& xml, Ns ns, std::string_view name) {
    if (auto text = xml.attribute(ns, name)) {
        if (auto pt = parseLengthPt(*text); pt && std::isfinite(*pt)) return *pt;
    }
    return 0;
}

// "rotate (0.5) translate (1cm 2cm)": the translation, the position of a
// transformed shape (its rotation cannot be kept).
std::optional<std::pair<double, double>> translationOf(std::string_view transform) {
    const auto at = transform.find("translate");
    if (at == std::string_view::npos) return std::nullopt;
    auto open = transform.find('(', at), close = transform.find(')', at);
    if (open == std::string_view::npos || close == std::string_view::npos || close < open) return std::nullopt;
    std::string_view inside = transform.substr(open + 1, close - open - 1);
    const auto split = inside.find_first_of(" ,", inside.find_first_not_of(' '));
    if (split == std::string_view::npos) return std::nullopt;
    auto x = parseLengthPt(inside.substr(0, split));
    std::string_view rest = inside.substr(split + 1);
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == ',')) rest.remove_prefix(1);
    auto y = parseLengthPt(rest);
    if (!x || !y) return std::nullopt;
    return std::pair{*x, *y};
}

// Walks the sheet's columns (or rows), each `size` points wide, to the one
// that holds `position`, and the fraction of it before `position`.
struct Located {
    std::uint32_t index;
    double fraction;
};

template <typename Runs, typename First, typename Size>
Located locate(double position, const Runs& runs, double defaultSize, std::uint64_t limit, First first, Size size) {
    double at = 0;
    std::uint64_t next = 0;
    const auto within = [&](std::uint64_t start, std::uint64_t count, double each) -> std::optional<Located> {
        if (each <= 0) return std::nullopt;
        if (position < at + count * each) {
            const double offset = position - at;
            const auto k = std::min<std::uint64_t>(static_cast<std::uint64_t>(offset / each), count - 1);
            return Located{static_cast<std::uint32_t>(start + k), std::clamp((offset - k * each) / each, 0.0, 1.0)};
        }
        at += count * each;
        return std::nullopt;
    };
    if (position <= 0) return {0, 0};
    for (const auto& run : runs) {
        if (first(run) > next) {
            if (auto found = within(next, first(run) - next, defaultSize)) return *found;
        }
        if (auto found = within(first(run), run.repeat, size(run))) return *found;
        next = std::uint64_t{first(run)} + run.repeat;
    }
    if (next < limit) {
        if (auto found = within(next, limit - next, defaultSize)) return *found;
    }
    return {static_cast<std::uint32_t>(limit - 1), 1.0};
}

// Where the cell `index` of the given runs starts, in points.
template <typename Runs, typename First, typename Size>
double startOf(std::uint32_t index, const Runs& runs, double defaultSize, First first, Size size) {
    double at = 0;
    std::uint64_t next = 0;
    for (const auto& run : runs) {
        if (first(run) >= index) break;
        at += (first(run) - next) * defaultSize;
        const std::uint64_t end = std::min<std::uint64_t>(std::uint64_t{first(run)} + run.repeat, index);
        at += (end - first(run)) * size(run);
        next = end;
    }
    if (index > next) at += (index - next) * defaultSize;
    return at;
}

// Where a line starts, as a fraction of the cell: the offset `points` into
// the cell `index` of the given runs.
template <typename Runs, typename First, typename Size>
double fractionInto(std::uint32_t index, double points, const Runs& runs, double defaultSize, First first, Size size) {
    double each = defaultSize;
    for (const auto& run : runs) {
        if (first(run) <= index && index < std::uint64_t{first(run)} + run.repeat) {
            each = size(run);
            break;
        }
    }
    return each > 0 ? std::clamp(points / each, 0.0, 1.0) : 0.0;
}

// Shapes are drawn in the order of their z-index, whatever their place in
// the table; a group's members have the group's.
long long zIndexOf(const XmlReader& xml, long long inherited) {
    if (auto z = xml.attribute(Ns::Draw, "z-index")) return parseInteger(*z).value_or(inherited);
    return inherited;
}

// A paragraph's inline content; spans in text styles of their own mark their parts.
void appendParagraphText(XmlReader& xml, ShapeText& shape, StyleSheet& styles) {
    std::string& out = shape.text;
    for (;;) {
        switch (xml.next()) {
        case XmlEvent::Text:
            out += xml.text();
            break;
        case XmlEvent::End:
            return;
        case XmlEvent::Eof:
            xml.fail("the document ends inside a paragraph");
        case XmlEvent::Start:
            if (xml.is(Ns::Text, "s")) {
                long long count = 1;
                if (auto c = xml.attribute(Ns::Text, "c")) count = std::clamp<long long>(parseInteger(*c).value_or(1), 1, 1024);
                out.append(static_cast<std::size_t>(count), ' ');
                xml.skipElement();
            } else if (xml.is(Ns::Text, "tab")) {
                out += '\t';
                xml.skipElement();
            } else if (xml.is(Ns::Text, "line-break")) {
                out += '\n';
                xml.skipElement();
            } else if (xml.is(Ns::Text, "note") || xml.is(Ns::Office, "annotation")) {
                xml.skipElement();
            } else {
                const CellStyle* span = nullptr;
                if (xml.is(Ns::Text, "span")) {
                    if (auto name = xml.attribute(Ns::Text, "style-name")) span = styles.textStyle(*name);
                }
                if (span) shape.marks.enter(*span, out.size());
                appendParagraphText(xml, shape, styles);
                if (span) shape.marks.leave(out.size());
            }
            break;
        }
    }
}

// The paragraph (text:p or text:h) the reader stands on, in its paragraph style.
void appendParagraph(XmlReader& xml, ShapeText& shape, StyleSheet& styles) {
    if (shape.paragraphs++ > 0) shape.text += '\n';
    const CellStyle* paragraph = nullptr;
    if (auto name = xml.attribute(Ns::Text, "style-name")) paragraph = styles.paragraphStyle(*name);
    if (paragraph) shape.marks.enter(*paragraph, shape.text.size());
    appendParagraphText(xml, shape, styles);
    if (paragraph) shape.marks.leave(shape.text.size());
}

}  // namespace

ShapeText DrawingReader::startText(const XmlReader& xml, bool isFrame) {
    // A shape's text starts in the font of its graphic style and text style.
    // The office shows a text frame's text in the default drawing font,
    // whatever the frame's styles say.
    ShapeText shape;
    const auto font = isFrame ? styles_.shapeTextStyle("", "")
                              : styles_.shapeTextStyle(xml.attribute(Ns::Draw, "style-name").value_or(""),
                                                       xml.attribute(Ns::Draw, "text-style-name").value_or(""));
    if (font) shape.marks.enter(*font, 0);
    return shape;
}

void DrawingReader::keepText(Drawing& drawing, ShapeText& shape) const {
    drawing.text = std::move(shape.text);
    drawing.textRuns.clear();
    if (!shape.marks.empty() && !drawing.text.empty()) {
        drawing.textRuns = shape.marks.runs(drawing.text, workbook_.formats.front().font, styles_);
    }
}

void DrawingReader::readText(XmlReader& xml, ShapeText& shape) {
    // The paragraphs among the children of the element the reader stands on.
    std::function<void()> block = [&] {
        while (xml.nextChild()) {
            if (xml.is(Ns::Text, "p") || xml.is(Ns::Text, "h")) {
                appendParagraph(xml, shape, styles_);
            } else if (xml.is(Ns::Text, "list") || xml.is(Ns::Text, "list-item")) {
                block();
            } else {
                xml.skipElement();
            }
        }
    };
    block();
}

void DrawingReader::applyStyle(const XmlReader& xml, Drawing& drawing, bool isFrame) const {
    const auto name = xml.attribute(Ns::Draw, "style-name");
    const GraphicStyle style = styles_.graphicStyle(name.value_or(""));
    // Frames are plain unless their style says otherwise; shapes are filled
    // and outlined as the application draws a new one.
    if (style.filled.value_or(!isFrame)) drawing.fill = style.fill.value_or(Color{0x72, 0x9F, 0xCF});
    if (style.stroked.value_or(!isFrame)) {
        drawing.line = style.stroke.value_or(Color{0x34, 0x65, 0xA4});
        drawing.lineWidthPt = style.strokeWidthPt.value_or(0);
    }
}

void DrawingReader::read(XmlReader& xml, std::optional<CellPosition> cell) {
    const std::string_view local = xml.local();
    if (local == "g") {
        // Members name their group; a group none of whose members is kept
        // is never written, their warnings say what was lost.
        const long long outer = groupZIndex_;
        const auto enclosing = currentGroup_;
        groupZIndex_ = zIndexOf(xml, outer);
        if (!enclosing) outerZIndex_ = groupZIndex_;
        groups_.push_back({std::string(xml.attribute(Ns::Draw, "name").value_or("")), enclosing});
        currentGroup_ = static_cast<std::uint32_t>(groups_.size() - 1);
        while (xml.nextChild()) {
            if (xml.ns() == Ns::Draw) read(xml, cell);
            else xml.skipElement();
        }
        groupZIndex_ = outer;
        currentGroup_ = enclosing;
        return;
    }
    Placed placed;
    placed.cell = cell;
    placed.x = lengthAttribute(xml, Ns::Svg, "x");
    placed.y = lengthAttribute(xml, Ns::Svg, "y");
    placed.width = std::max(0.0, lengthAttribute(xml, Ns::Svg, "width"));
    placed.height = std::max(0.0, lengthAttribute(xml, Ns::Svg, "height"));
    if (auto transform = xml.attribute(Ns::Draw, "transform"); transform && !xml.attribute(Ns::Svg, "x")) {
        if (auto moved = translationOf(*transform)) std::tie(placed.x, placed.y) = *moved;
    }
    if (cell) {
        if (auto end = xml.attribute(Ns::Table, "end-cell-address")) {
            placed.endCell = parseCellAddress(*end);
            placed.endX = lengthAttribute(xml, Ns::Table, "end-x");
            placed.endY = lengthAttribute(xml, Ns::Table, "end-y");
        }
    }
    Drawing& drawing = placed.drawing;
    drawing.name = std::string(xml.attribute(Ns::Draw, "name").value_or(""));
    drawing.anchor.toCell = cell.has_value();
    placed.zIndex = zIndexOf(xml, groupZIndex_);
    placed.group = currentGroup_;
    placed.outerZIndex = currentGroup_ ? outerZIndex_ : placed.zIndex;

    if (local == "control") {
        // 1.x documents name the control by form:id.
        const auto id = xml.attribute(Ns::Draw, "control") ? xml.attribute(Ns::Draw, "control") : xml.attribute(Ns::Form, "id");
        const ReadControl* control = controls_.find(id.value_or(""));
        xml.skipElement();
        if (!control) {
            ++lost_.controls;  // a text field, a date, an image button: Excel 97 has no such control
            return;
        }
        drawing.kind = control->kind;
        if (drawing.name.empty()) drawing.name = control->name;
        drawing.text = control->label;
        drawing.control = control->settings;
        placed_.push_back(std::move(placed));
        return;
    }
    if (local == "frame") {
        applyStyle(xml, drawing, true);
        ShapeText text = startText(xml, true);
        readFrame(xml, std::move(placed), text);
        return;
    }
    if (local == "rect" || local == "ellipse" || local == "circle" || local == "custom-shape") {
        drawing.kind = local == "ellipse" || local == "circle" ? DrawingKind::Ellipse : DrawingKind::Rectangle;
        applyStyle(xml, drawing, false);
        ShapeText text = startText(xml, false);
        readGeometry(xml, placed, text);
    } else if (local == "line") {
        drawing.kind = DrawingKind::Line;
        applyStyle(xml, drawing, false);
        if (!drawing.line) drawing.line = Color{0, 0, 0};  // a line without a stroke would vanish
        drawing.fill.reset();
        const double x1 = lengthAttribute(xml, Ns::Svg, "x1"), y1 = lengthAttribute(xml, Ns::Svg, "y1");
        const double x2 = lengthAttribute(xml, Ns::Svg, "x2"), y2 = lengthAttribute(xml, Ns::Svg, "y2");
        placed.x = std::min(x1, x2);
        placed.y = std::min(y1, y2);
        placed.width = std::abs(x2 - x1);
        placed.height = std::abs(y2 - y1);
        // The box runs from top left to bottom right; a line the other way is flipped.
        drawing.flipHorizontal = x2 < x1;
        drawing.flipVertical = y2 < y1;
        ShapeText text;
        readGeometry(xml, placed, text);
    } else {
        ++lost_.shapes;  // polygons, paths, connectors, measures, captions
        xml.skipElement();
        return;
    }
    if (!drawing.text.empty() && drawing.kind == DrawingKind::Rectangle) {
        drawing.kind = DrawingKind::TextBox;  // a text box keeps the fill and the outline
    } else if (!drawing.text.empty()) {
        ++lost_.texts;
        drawing.text.clear();
        drawing.textRuns.clear();
    }
    placed_.push_back(std::move(placed));
}

void DrawingReader::readGeometry(XmlReader& xml, Placed& placed, ShapeText& text) {
    while (xml.nextChild()) {
        if (xml.is(Ns::Draw, "enhanced-geometry")) {
            const std::string_view type = xml.attribute(Ns::Draw, "type").value_or("");
            if (type.find("ellipse") != std::string_view::npos || type.find("circle") != std::string_view::npos) {
                placed.drawing.kind = DrawingKind::Ellipse;
            }
            xml.skipElement();
        } else if (xml.is(Ns::Text, "p") || xml.is(Ns::Text, "h")) {
            appendParagraph(xml, text, styles_);
        } else if (xml.is(Ns::Svg, "desc")) {
            placed.drawing.description = xml.readText();
        } else if (xml.is(Ns::Svg, "title")) {
            if (placed.drawing.description.empty()) placed.drawing.description = xml.readText();
            else xml.skipElement();
        } else {
            xml.skipElement();
        }
    }
    keepText(placed.drawing, text);
}

void DrawingReader::readFrame(XmlReader& xml, Placed placed, ShapeText& text) {
    Drawing& drawing = placed.drawing;
    bool image = false, object = false, chart = false, textBox = false, embedded = false;
    while (xml.nextChild()) {
        if (xml.is(Ns::Draw, "image")) {
            image = true;
            if (auto href = xml.attribute(Ns::Xlink, "href"); href && !href->empty()) {
                std::string member(*href);
                if (member.starts_with("./")) member.erase(0, 2);
                if (member.find(':') == std::string::npos) placed.members.push_back(std::move(member));
                xml.skipElement();
            } else {
                while (xml.nextChild()) {
                    if (xml.is(Ns::Office, "binary-data") && drawing.picture.empty()) {
                        auto bytes = decodeBase64(xml.readText());
                        if (bytes && bytes->size() <= kMaxPictureBytes) {
                            if (auto type = pictureTypeOf(*bytes)) {
                                drawing.picture = std::move(*bytes);
                                drawing.pictureType = *type;
                                embedded = true;
                            }
                        }
                    } else {
                        xml.skipElement();
                    }
                }
            }
        } else if (xml.is(Ns::Draw, "text-box")) {
            textBox = true;
            readText(xml, text);
            keepText(drawing, text);
        } else if (xml.is(Ns::Draw, "object") && !object) {
            // A chart, or another embedded object: which, its content tells.
            chart = true;
            if (auto href = xml.attribute(Ns::Xlink, "href"); href && !href->empty()) {
                std::string member(*href);
                if (member.starts_with("./")) member.erase(0, 2);
                if (member.find(':') == std::string::npos) placed.members = {std::move(member)};
                xml.skipElement();
            } else {
                placed.chart = std::make_shared<const ChartDocument>(readChartDocument(xml));
            }
        } else if (xml.is(Ns::Draw, "object") || xml.is(Ns::Draw, "object-ole")) {
            object = true;
            xml.skipElement();
        } else if (xml.is(Ns::Svg, "desc") || xml.is(Ns::Svg, "title")) {
            const bool isDescription = xml.local() == "desc";
            std::string text = xml.readText();
            if (drawing.description.empty() || isDescription) drawing.description = std::move(text);
        } else {
            xml.skipElement();
        }
    }
    if (object || (chart && placed.members.empty() && !placed.chart)) {
        ++lost_.objects;
        return;
    }
    if (chart) {
        drawing.kind = DrawingKind::Chart;
        drawing.fill.reset();
        drawing.line.reset();
        drawing.text.clear();
        drawing.textRuns.clear();
        placed_.push_back(std::move(placed));
        return;
    }
    if (image) {
        if (!embedded && placed.members.empty()) {
            ++lost_.images;
            return;
        }
        drawing.kind = DrawingKind::Picture;
        drawing.fill.reset();
        drawing.text.clear();
        drawing.textRuns.clear();
        placed_.push_back(std::move(placed));
        return;
    }
    if (textBox) {
        drawing.kind = DrawingKind::TextBox;
        placed_.push_back(std::move(placed));
        return;
    }
    ++lost_.shapes;
}

void DrawingReader::finish(Sheet& sheet, std::uint32_t sheetIndex, std::vector<PendingPicture>* pending) {
    const double defaultWidth = sheet.defaultColumnWidthPt.value_or(kFallbackColumnWidthPt);
    const double defaultHeight = sheet.defaultRowHeightPt;
    const auto columnFirst = [](const ColumnRun& run) { return run.first; };
    const auto columnWidth = [&](const ColumnRun& run) { return run.hidden ? 0.0 : run.widthPt.value_or(defaultWidth); };
    const auto rowFirst = [](const Row& row) { return row.index; };
    const auto rowHeight = [&](const Row& row) { return row.hidden ? 0.0 : row.heightPt.value_or(defaultHeight); };
    const auto column = [&](double x) { return locate(x, sheet.columns, defaultWidth, kMaxColumns, columnFirst, columnWidth); };
    const auto row = [&](double y) { return locate(y, sheet.rows, defaultHeight, kMaxRows, rowFirst, rowHeight); };

    // A group's members stay together, where the group stands among the others.
    std::stable_sort(placed_.begin(), placed_.end(), [](const Placed& a, const Placed& b) {
        return std::tie(a.outerZIndex, a.zIndex) < std::tie(b.outerZIndex, b.zIndex);
    });
    const auto firstGroup = static_cast<std::uint32_t>(sheet.drawingGroups.size());
    for (DrawingGroup& group : groups_) {
        if (group.parent) *group.parent += firstGroup;
        sheet.drawingGroups.push_back(std::move(group));
    }
    groups_.clear();
    for (Placed& placed : placed_) {
        // A shape in a cell is placed relative to that cell.
        if (placed.cell) {
            placed.x += startOf(placed.cell->column, sheet.columns, defaultWidth, columnFirst, columnWidth);
            placed.y += startOf(placed.cell->row, sheet.rows, defaultHeight, rowFirst, rowHeight);
        }
        if (placed.group) placed.drawing.group = firstGroup + *placed.group;
        placed.drawing.box = PageBox{placed.x, placed.y, placed.width, placed.height};
        DrawingAnchor& anchor = placed.drawing.anchor;
        const Located left = column(placed.x), top = row(placed.y);
        anchor.firstColumn = left.index;
        anchor.firstX = left.fraction;
        anchor.firstRow = top.index;
        anchor.firstY = top.fraction;
        if (placed.endCell) {
            anchor.lastColumn = placed.endCell->column;
            anchor.lastRow = placed.endCell->row;
            anchor.lastX = fractionInto(anchor.lastColumn, placed.endX, sheet.columns, defaultWidth, columnFirst, columnWidth);
            anchor.lastY = fractionInto(anchor.lastRow, placed.endY, sheet.rows, defaultHeight, rowFirst, rowHeight);
        } else {
            const Located right = column(placed.x + placed.width), bottom = row(placed.y + placed.height);
            anchor.lastColumn = right.index;
            anchor.lastX = right.fraction;
            anchor.lastRow = bottom.index;
            anchor.lastY = bottom.fraction;
        }
        // An end before the start (a stale end address) falls back to the size.
        if (anchor.lastColumn < anchor.firstColumn || anchor.lastRow < anchor.firstRow) {
            const Located right = column(placed.x + placed.width), bottom = row(placed.y + placed.height);
            anchor.lastColumn = right.index, anchor.lastX = right.fraction;
            anchor.lastRow = bottom.index, anchor.lastY = bottom.fraction;
        }
        if (placed.drawing.kind == DrawingKind::Chart) {
            if (!pending) {
                ++lost_.objects;
                continue;
            }
            pending->push_back({sheetIndex, sheet.drawings.size(), std::move(placed.members), true, std::move(placed.chart)});
        } else if (placed.drawing.kind == DrawingKind::Picture && placed.drawing.picture.empty() && pending) {
            pending->push_back({sheetIndex, sheet.drawings.size(), std::move(placed.members), false, nullptr});
        } else if (placed.drawing.kind == DrawingKind::Picture && placed.drawing.picture.empty()) {
            ++lost_.images;  // a flat file's picture in a file of its own
            continue;
        }
        sheet.drawings.push_back(std::move(placed.drawing));
    }
    placed_.clear();
}

std::optional<DrawingReader::CellPosition> parseCellAddress(std::string_view address) {
    // The cell is after the last dot outside quotes.
    std::size_t dot = std::string_view::npos;
    bool quoted = false;
    for (std::size_t i = 0; i < address.size(); ++i) {
        if (address[i] == '\'') quoted = !quoted;
        else if (address[i] == '.' && !quoted) dot = i;
    }
    std::string_view cell = dot == std::string_view::npos ? address : address.substr(dot + 1);
    std::uint64_t column = 0, row = 0;
    std::size_t i = 0;
    if (i < cell.size() && cell[i] == '$') ++i;
    const std::size_t lettersAt = i;
    for (; i < cell.size() && std::isalpha(static_cast<unsigned char>(cell[i])); ++i) {
        column = column * 26 + static_cast<std::uint64_t>(std::toupper(static_cast<unsigned char>(cell[i])) - 'A' + 1);
        if (column > kMaxColumns) return std::nullopt;
    }
    if (i == lettersAt) return std::nullopt;
    if (i < cell.size() && cell[i] == '$') ++i;
    const std::size_t digitsAt = i;
    for (; i < cell.size() && std::isdigit(static_cast<unsigned char>(cell[i])); ++i) {
        row = row * 10 + static_cast<std::uint64_t>(cell[i] - '0');
        if (row > kMaxRows) return std::nullopt;
    }
    if (i == digitsAt || i != cell.size() || row == 0) return std::nullopt;
    return DrawingReader::CellPosition{static_cast<RowIndex>(row - 1), static_cast<ColumnIndex>(column - 1)};
}

std::optional<std::string> decodeBase64(std::string_view text) {
    std::string out;
    out.reserve(text.size() / 4 * 3);
    std::uint32_t bits = 0;
    int count = 0;
    bool ended = false;
    for (char c : text) {
        int value;
        if (c >= 'A' && c <= 'Z') value = c - 'A';
        else if (c >= 'a' && c <= 'z') value = c - 'a' + 26;
        else if (c >= '0' && c <= '9') value = c - '0' + 52;
        else if (c == '+') value = 62;
        else if (c == '/') value = 63;
        else if (c == '=') {
            ended = true;
            continue;
        } else if (std::isspace(static_cast<unsigned char>(c))) continue;
        else return std::nullopt;
        if (ended) return std::nullopt;  // data after the padding
        bits = bits << 6 | static_cast<std::uint32_t>(value);
        if (++count == 4) {
            out += static_cast<char>(bits >> 16);
            out += static_cast<char>(bits >> 8);
            out += static_cast<char>(bits);
            bits = 0;
            count = 0;
        }
    }
    if (count == 1) return std::nullopt;
    if (count == 2) out += static_cast<char>(bits >> 4);
    if (count == 3) {
        out += static_cast<char>(bits >> 10);
        out += static_cast<char>(bits >> 2);
    }
    return out;
}

void loadPictures(ZipPackage* package, Workbook& workbook, const std::vector<PendingPicture>& pending, Warnings& warnings) {
    std::map<std::uint32_t, int> lostPerSheet;
    for (const PendingPicture& picture : pending) {
        if (picture.sheet >= workbook.sheets.size()) continue;
        Sheet& sheet = workbook.sheets[picture.sheet];
        if (picture.drawing >= sheet.drawings.size()) continue;
        Drawing& drawing = sheet.drawings[picture.drawing];
        if (drawing.kind != DrawingKind::Picture) continue;  // charts are loaded by loadCharts
        for (const std::string& member : picture.members) {
            const auto name = package ? package->find(member) : std::nullopt;
            if (!name) continue;
            auto bytes = package->readSmall(*name, kMaxPictureBytes);
            if (!bytes) continue;
            if (auto type = pictureTypeOf(*bytes)) {
                drawing.picture = std::move(*bytes);
                drawing.pictureType = *type;
                break;
            }
        }
        if (drawing.picture.empty()) ++lostPerSheet[picture.sheet];
    }
    for (const auto& [index, count] : lostPerSheet) {
        Sheet& sheet = workbook.sheets[index];
        std::erase_if(sheet.drawings, [](const Drawing& d) { return d.kind == DrawingKind::Picture && d.picture.empty(); });
        warnings.push_back(sheet.name + ": " + std::to_string(count) + (count == 1 ? " image" : " images") +
                           " not converted (missing, or not a PNG or JPEG picture)");
    }
}

}  // namespace brindlemoor::office::ods
