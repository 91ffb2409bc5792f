#include "office/ods/style_sheet.h"

#include "office/ods/values.h"
#include "office/ods/xml_reader.h"

#include <algorithm>
#include <cmath>

namespace brindlemoor::office::ods {
namespace {

constexpr int kMaxInheritanceDepth = 64;

// The font settings of a style, alone; unset when it sets nothing of the font.
std::optional<CellStyle> fontSettings(const CellStyle& style) {
    if (!style.fontName && !style.fontSizePt && !style.fontSizePercent && !style.bold && !style.italic &&
        !style.strikeout && !style.underline && !style.script && !style.fontColor) {
        return std::nullopt;
    }
    CellStyle font;
    font.fontName = style.fontName;
    font.fontSizePt = style.fontSizePt;
    font.fontSizePercent = style.fontSizePercent;
    font.bold = style.bold, font.italic = style.italic, font.strikeout = style.strikeout;
    font.underline = style.underline;
    font.script = style.script;
    font.textPosition = style.textPosition;
    font.fontColor = style.fontColor;
    return font;
}

// The children of a graphic style (or default style): its graphic and text properties.
GraphicStyle readGraphicProperties(XmlReader& xml) {
    GraphicStyle style;
    while (xml.nextChild()) {
        if (xml.is(Ns::Style, "graphic-properties")) {
            if (auto fill = xml.attribute(Ns::Draw, "fill")) style.filled = *fill != "none";
            if (auto color = xml.attribute(Ns::Draw, "fill-color")) style.fill = parseColor(*color);
            if (auto stroke = xml.attribute(Ns::Draw, "stroke")) style.stroked = *stroke != "none";
            if (auto color = xml.attribute(Ns::Svg, "stroke-color")) style.stroke = parseColor(*color);
            if (auto width = xml.attribute(Ns::Svg, "stroke-width")) style.strokeWidthPt = parseLengthPt(*width);
        } else if (xml.is(Ns::Style, "text-properties")) {
            CellStyle text;
            readCellProperties(xml, text);
            if (auto font = fontSettings(text)) style.text = std::move(*font);
            continue;
        }
        xml.skipElement();
    }
    return style;
}

std::string fontFamily(std::string_view family) {
    // "'Liberation Sans'" -> "Liberation Sans"; a fallback list keeps its first entry.
    family = family.substr(0, family.find(','));
    while (!family.empty() && (family.front() == '\'' || family.front() == '"' || family.front() == ' ')) family.remove_prefix(1);
    while (!family.empty() && (family.back() == '\'' || family.back() == '"' || family.back() == ' ')) family.remove_suffix(1);
    return std::string(family);
}

// The format a value shows in when its style gives none. A cell with a style
// shows dates, times, percentages and booleans the way the office does
// (in the United States English forms the workbook is read in) and
// currencies as plain numbers; a cell without any style still shows what its
// value is, where the office would show a bare number.
const char* defaultNumberFormat(ValueKind kind, bool styled) {
    switch (kind) {
    case ValueKind::Date: return styled ? "MM/DD/YY HH:MM AM/PM" : "YYYY-MM-DD";
    case ValueKind::DateTime: return styled ? "MM/DD/YY HH:MM AM/PM" : "YYYY-MM-DD HH:MM:SS";
    case ValueKind::Duration: return styled ? "HH:MM:SS AM/PM" : "[HH]:MM:SS";
    case ValueKind::Percentage: return "0.00%";
    case ValueKind::Currency: return styled ? "General" : "#,##0.00";
    // Readers that keep a boolean as the number 1 or 0 still show its word.
    case ValueKind::Boolean: return "\"TRUE\";\"TRUE\";\"FALSE\"";
    case ValueKind::Plain: break;
    }
    return "General";
}

std::int16_t excelRotation(int degrees) {
    degrees %= 360;
    if (degrees < 0) degrees += 360;
    if (degrees <= 90) return static_cast<std::int16_t>(degrees);
    if (degrees >= 270) return static_cast<std::int16_t>(degrees - 360);
    // Upside-down text reads the same as the opposite direction.
    return static_cast<std::int16_t>(degrees - 180);
}

void hashCombine(std::size_t& seed, std::size_t value) { seed ^= value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2); }

}  // namespace

template <typename T>
void StyleSheet::Scoped<T>::put(StyleScope scope, std::string name, T value) {
    if (scope == StyleScope::Automatic) automatic.insert_or_assign(std::move(name), std::move(value));
    else if (scope == StyleScope::Common) common.insert_or_assign(std::move(name), std::move(value));
    else common.try_emplace(std::move(name), std::move(value));
}

template <typename T>
const T* StyleSheet::Scoped<T>::find(std::string_view name) const {
    if (auto it = automatic.find(name); it != automatic.end()) return &it->second;
    return findCommon(name);
}

template <typename T>
const T* StyleSheet::Scoped<T>::findCommon(std::string_view name) const {
    if (auto it = common.find(name); it != common.end()) return &it->second;
    return nullptr;
}

std::size_t StyleSheet::FormatHash::operator()(const CellFormat& f) const {
    std::size_t seed = std::hash<std::string>{}(f.numberFormat);
    hashCombine(seed, std::hash<std::string>{}(f.font.name));
    hashCombine(seed, std::hash<double>{}(f.font.sizePt));
    hashCombine(seed, (f.font.bold << 0) | (f.font.italic << 1) | (f.font.strikeout << 2) |
                          (static_cast<int>(f.font.underline) << 3) | (static_cast<int>(f.font.script) << 5) |
                          (f.locked << 7) | (f.hidden << 8) | (f.alignment.wrap << 9) | (f.alignment.shrinkToFit << 10));
    const auto color = [](const std::optional<Color>& c) -> std::size_t {
        return c ? (1u << 24) | (c->r << 16) | (c->g << 8) | c->b : 0;
    };
    hashCombine(seed, color(f.font.color));
    hashCombine(seed, color(f.background));
    for (const BorderLine* line : {&f.borders.left, &f.borders.right, &f.borders.top, &f.borders.bottom,
                                   &f.borders.diagonalDown, &f.borders.diagonalUp}) {
        hashCombine(seed, (static_cast<std::size_t>(line->style) << 25) ^ color(line->color));
    }
    hashCombine(seed, (static_cast<std::size_t>(f.alignment.horizontal) << 24) |
                          (static_cast<std::size_t>(f.alignment.vertical) << 16) |
                          (static_cast<std::size_t>(f.alignment.indent) << 8) |
                          static_cast<std::uint16_t>(f.alignment.rotation));
    return seed;
}

void StyleSheet::readFontFaces(XmlReader& xml) {
    while (xml.nextChild()) {
        if (xml.is(Ns::Style, "font-face")) {
            const auto name = xml.attribute(Ns::Style, "name");
            const auto family = xml.attribute(Ns::Svg, "font-family");
            if (name && family) fontFamilies_.insert_or_assign(std::string(*name), fontFamily(*family));
        }
        xml.skipElement();
    }
}

void StyleSheet::readStyles(XmlReader& xml, StyleScope scope) {
    while (xml.nextChild()) {
        if (xml.ns() == Ns::Number) {
            if (const auto kind = dataStyleKindOf(xml.local())) {
                DataStyle style = readDataStyle(xml, *kind);
                std::string name = style.name;
                dataStyles_.put(scope, std::move(name), std::move(style));
                continue;
            }
        } else if (xml.is(Ns::Style, "style")) {
            readStyle(xml, scope);
            continue;
        } else if (xml.is(Ns::Style, "page-layout") || xml.is(Ns::Style, "page-master")) {
            // 1.x calls a page layout a page master.
            std::string name(xml.attribute(Ns::Style, "name").value_or(""));
            pageLayouts_.put(scope, std::move(name), readPageLayout(xml));
            continue;
        } else if (xml.is(Ns::Style, "default-style") &&
                   xml.attribute(Ns::Style, "family") == std::optional<std::string_view>("table-cell")) {
            CellStyle style;
            while (xml.nextChild()) {
                if (xml.ns() == Ns::Style && xml.local().ends_with("properties")) readCellProperties(xml, style);
                else xml.skipElement();
            }
            // Office suites give every cell without a fill of its own no
            // fill, whatever the default style says (a white one there would
            // hide the grid on every cell).
            style.background.reset();
            defaultCellStyle_.overlay(style);
            continue;
        } else if (xml.is(Ns::Style, "default-style") &&
                   xml.attribute(Ns::Style, "family") == std::optional<std::string_view>("graphic")) {
            defaultGraphicStyle_.overlay(readGraphicProperties(xml));
            continue;
        }
        xml.skipElement();
    }
}

void StyleSheet::readStyle(XmlReader& xml, StyleScope scope) {
    const std::string name(xml.attribute(Ns::Style, "name").value_or(""));
    const std::string family(xml.attribute(Ns::Style, "family").value_or(""));
    if (family == "table-cell") {
        CellStyle style;
        if (auto parent = xml.attribute(Ns::Style, "parent-style-name")) style.parent = std::string(*parent);
        if (auto data = xml.attribute(Ns::Style, "data-style-name")) style.dataStyle = std::string(*data);
        while (xml.nextChild()) {
            if (xml.ns() == Ns::Style && xml.local().ends_with("properties")) readCellProperties(xml, style);
            else {
                if (xml.is(Ns::Style, "map")) {
                    style.hasConditionalMaps = true;
                    style.conditions.push_back({std::string(xml.attribute(Ns::Style, "condition").value_or("")),
                                                std::string(xml.attribute(Ns::Style, "apply-style-name").value_or("")),
                                                std::string(xml.attribute(Ns::Style, "base-cell-address").value_or(""))});
                }
                xml.skipElement();
            }
        }
        cellStyles_.put(scope, name, std::move(style));
        return;
    }
    if (family == "text" || family == "paragraph") {
        // Only what they say of the font matters in a cell.
        CellStyle style;
        if (auto parent = xml.attribute(Ns::Style, "parent-style-name")) style.parent = std::string(*parent);
        while (xml.nextChild()) {
            if (xml.is(Ns::Style, "text-properties") || xml.is(Ns::Style, "properties")) readCellProperties(xml, style);
            else xml.skipElement();
        }
        (family == "text" ? textStyles_ : paragraphStyles_).put(scope, name, std::move(style));
        return;
    }
    if (family == "table-column") {
        ColumnStyle style;
        while (xml.nextChild()) {
            // A width of nothing is no width: office suites show such a
            // column (a hidden one, as some writers store it) at the standard width.
            if (auto width = xml.attribute(Ns::Style, "column-width")) {
                if (auto pt = parseLengthPt(*width); pt && *pt > 0) style.widthPt = pt;
            }
            xml.skipElement();
        }
        columnStyles_.put(scope, name, style);
        return;
    }
    if (family == "table-row") {
        RowStyle style;
        while (xml.nextChild()) {
            if (auto height = xml.attribute(Ns::Style, "row-height")) style.heightPt = parseLengthPt(*height);
            if (auto optimal = xml.attribute(Ns::Style, "use-optimal-row-height")) style.optimalHeight = *optimal == "true";
            xml.skipElement();
        }
        rowStyles_.put(scope, name, style);
        return;
    }
    if (family == "graphic") {
        GraphicStyle style;
        if (auto parent = xml.attribute(Ns::Style, "parent-style-name")) style.parent = std::string(*parent);
        style.overlay(readGraphicProperties(xml));
        graphicStyles_.put(scope, name, std::move(style));
        return;
    }
    if (family == "table") {
        TableStyle style;
        style.masterPage = std::string(xml.attribute(Ns::Style, "master-page-name").value_or(""));
        while (xml.nextChild()) {
            if (auto display = xml.attribute(Ns::Table, "display")) style.visible = *display != "false";
            if (auto color = xml.attribute(Ns::TableOoo, "tab-color")) style.tabColor = parseColor(*color);
            if (auto color = xml.attribute(Ns::Table, "tab-color")) style.tabColor = parseColor(*color);
            if (auto mode = xml.attribute(Ns::Style, "writing-mode")) style.rightToLeft = mode->starts_with("rl");
            xml.skipElement();
        }
        tableStyles_.put(scope, name, style);
        return;
    }
    xml.skipElement();
}

void StyleSheet::readMasterPages(XmlReader& xml, const std::string& documentTitle) {
    while (xml.nextChild()) {
        if (xml.is(Ns::Style, "master-page")) {
            std::string name(xml.attribute(Ns::Style, "name").value_or(""));
            masterPages_.insert_or_assign(std::move(name), readMasterPage(xml, documentTitle));
        } else {
            xml.skipElement();
        }
    }
}

std::optional<PageSetup> StyleSheet::pageSetup(std::string_view masterPage) const {
    auto it = masterPages_.find(masterPage.empty() ? std::string_view("Default") : masterPage);
    if (it == masterPages_.end()) return std::nullopt;
    const PageLayout* layout = pageLayouts_.find(it->second.layoutName);
    return pageSetupOf(layout ? *layout : PageLayout{}, it->second);
}

const ColumnStyle* StyleSheet::columnStyle(std::string_view name) const { return columnStyles_.find(name); }
const RowStyle* StyleSheet::rowStyle(std::string_view name) const { return rowStyles_.find(name); }
const TableStyle* StyleSheet::tableStyle(std::string_view name) const { return tableStyles_.find(name); }

void GraphicStyle::overlay(const GraphicStyle& over) {
    if (over.filled) filled = over.filled;
    if (over.fill) fill = over.fill;
    if (over.stroked) stroked = over.stroked;
    if (over.stroke) stroke = over.stroke;
    if (over.strokeWidthPt) strokeWidthPt = over.strokeWidthPt;
    text.overlay(over.text);
}

GraphicStyle StyleSheet::graphicStyle(std::string_view name) const {
    std::vector<const GraphicStyle*> chain;
    const GraphicStyle* style = graphicStyles_.find(name);
    while (style && chain.size() < 32) {  // a loop of parents ends here
        chain.push_back(style);
        style = style->parent.empty() ? nullptr : graphicStyles_.findCommon(style->parent);
    }
    GraphicStyle flat = defaultGraphicStyle_;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) flat.overlay(**it);
    flat.parent.clear();
    return flat;
}
const DataStyle* StyleSheet::dataStyle(const std::string& name) const { return dataStyles_.find(name); }

bool StyleSheet::hasCellStyle(std::string_view name) const { return cellStyles_.find(name) != nullptr; }

const std::vector<StyleCondition>* StyleSheet::conditions(std::string_view styleName) const {
    // The nearest style of the chain that has conditions of its own.
    const CellStyle* style = cellStyles_.find(styleName);
    for (int depth = 0; style && depth < kMaxInheritanceDepth; ++depth) {
        if (!style->conditions.empty()) return &style->conditions;
        style = style->parent ? cellStyles_.findCommon(*style->parent) : nullptr;
    }
    return nullptr;
}

CellStyle StyleSheet::chain(std::string_view styleName) const {
    // Collect the chain leaf first, then lay it over the default from the root down.
    // Office suites hang every cell style without a parent under "Default".
    std::vector<const CellStyle*> lineage;
    const CellStyle* root = cellStyles_.findCommon("Default");
    const CellStyle* style = styleName.empty() ? root : cellStyles_.find(styleName);
    while (style && lineage.size() < kMaxInheritanceDepth) {
        if (std::find(lineage.begin(), lineage.end(), style) != lineage.end()) break;  // a loop in the document
        lineage.push_back(style);
        style = style->parent ? cellStyles_.findCommon(*style->parent) : style != root ? root : nullptr;
    }
    CellStyle result = defaultCellStyle_;
    for (auto it = lineage.rbegin(); it != lineage.rend(); ++it) result.overlay(**it);
    return result;
}

const CellStyle* StyleSheet::resolvedText(bool paragraph, std::string_view name) {
    const Scoped<CellStyle>& styles = paragraph ? paragraphStyles_ : textStyles_;
    auto& resolved = paragraph ? resolvedParagraphStyles_ : resolvedTextStyles_;
    if (auto it = resolved.find(name); it != resolved.end()) return it->second ? &*it->second : nullptr;
    std::vector<const CellStyle*> lineage;
    for (const CellStyle* style = styles.find(name); style && lineage.size() < kMaxInheritanceDepth;
         style = style->parent ? styles.findCommon(*style->parent) : nullptr) {
        if (std::find(lineage.begin(), lineage.end(), style) != lineage.end()) break;  // a loop in the document
        lineage.push_back(style);
    }
    CellStyle flat;
    for (auto it = lineage.rbegin(); it != lineage.rend(); ++it) flat.overlay(**it);
    const auto& entry = resolved.emplace(std::string(name), fontSettings(flat)).first->second;
    return entry ? &*entry : nullptr;
}

std::optional<CellStyle> StyleSheet::shapeTextStyle(std::string_view graphicStyleName, std::string_view textStyleName) {
    CellStyle text = graphicStyle(graphicStyleName).text;
    if (const CellStyle* paragraph = textStyleName.empty() ? nullptr : paragraphStyle(textStyleName)) text.overlay(*paragraph);
    return fontSettings(text);
}

std::string StyleSheet::fontNameOf(const std::string& fontName) const {
    auto it = fontFamilies_.find(fontName);
    std::string name = it != fontFamilies_.end() ? it->second : fontFamily(fontName);
    return name.empty() ? Font{}.name : name;
}

Font StyleSheet::fontWith(Font font, const CellStyle& style) const {
    if (style.fontName) font.name = fontNameOf(*style.fontName);
    if (style.fontSizePt) font.sizePt = *style.fontSizePt;
    else if (style.fontSizePercent) font.sizePt *= *style.fontSizePercent / 100;
    if (style.bold) font.bold = *style.bold;
    if (style.italic) font.italic = *style.italic;
    if (style.strikeout) font.strikeout = *style.strikeout;
    if (style.underline) font.underline = *style.underline;
    if (style.script) font.script = *style.script;
    if (style.fontColor) font.color = *style.fontColor;
    return font;
}

CellFormat StyleSheet::flatten(std::string_view styleName, ValueKind kind, bool* isDate, bool* conditional) const {
    const CellStyle style = chain(styleName);
    CellFormat format;
    bool dateFormat = false;
    if (style.dataStyle) {
        if (const DataStyle* data = dataStyles_.find(*style.dataStyle)) {
            format.numberFormat = excelFormatCode(*data, [this](const std::string& name) { return dataStyles_.find(name); });
            dateFormat = isDateOrTime(*data);
        }
    }
    if (format.numberFormat == "General" && kind != ValueKind::Plain) {
        format.numberFormat = defaultNumberFormat(kind, !styleName.empty() && cellStyles_.find(styleName));
        dateFormat = kind == ValueKind::Date || kind == ValueKind::DateTime || kind == ValueKind::Duration;
    }
    if (isDate) *isDate = dateFormat;
    if (conditional) *conditional = style.hasConditionalMaps;

    Font& font = format.font;
    if (style.fontName) font.name = fontNameOf(*style.fontName);
    if (style.fontSizePt) font.sizePt = *style.fontSizePt;
    else if (style.fontSizePercent) font.sizePt *= *style.fontSizePercent / 100;
    font.bold = style.bold.value_or(false);
    font.italic = style.italic.value_or(false);
    font.strikeout = style.strikeout.value_or(false);
    font.underline = style.underline.value_or(Underline::None);
    font.script = style.script.value_or(Script::Normal);
    if (style.fontColor) font.color = *style.fontColor;
    if (style.background) format.background = *style.background;

    Borders& borders = format.borders;
    borders.left = style.left.value_or(BorderLine{});
    borders.right = style.right.value_or(BorderLine{});
    borders.top = style.top.value_or(BorderLine{});
    borders.bottom = style.bottom.value_or(BorderLine{});
    borders.diagonalDown = style.diagonalDown.value_or(BorderLine{});
    borders.diagonalUp = style.diagonalUp.value_or(BorderLine{});

    Alignment& alignment = format.alignment;
    if (style.repeatContent.value_or(false)) alignment.horizontal = HorizontalAlign::Fill;
    else if (!style.alignByValue.value_or(false) && style.horizontal) alignment.horizontal = *style.horizontal;
    alignment.vertical = style.vertical.value_or(VerticalAlign::Bottom);
    alignment.wrap = style.wrap.value_or(false);
    alignment.shrinkToFit = style.shrinkToFit.value_or(false);
    if (style.indentPt && *style.indentPt > 0 &&
        (alignment.horizontal == HorizontalAlign::Left || alignment.horizontal == HorizontalAlign::General)) {
        // One indent step of Excel is about ten points.
        alignment.indent = static_cast<std::uint8_t>(std::clamp<long>(std::lround(*style.indentPt / 10.0), 0, 15));
        if (alignment.indent > 0) alignment.horizontal = HorizontalAlign::Left;
    }
    if (style.stacked.value_or(false)) alignment.rotation = 255;
    else if (style.rotationDegrees) alignment.rotation = excelRotation(*style.rotationDegrees);
    format.locked = style.locked.value_or(true);
    format.hidden = style.formulaHidden.value_or(false);
    constexpr double kHalf = CellFormat::kStandardVerticalPaddingPt / 2;
    format.verticalPaddingPt = std::min(style.paddingTopPt.value_or(kHalf), 200.0) + std::min(style.paddingBottomPt.value_or(kHalf), 200.0);
    return format;
}

ResolvedFormat StyleSheet::resolve(std::string_view styleName, ValueKind kind, Workbook& workbook) {
    key_.assign(styleName);
    key_ += '\x01';
    key_ += static_cast<char>(kind);
    if (auto it = resolved_.find(std::string_view(key_)); it != resolved_.end()) return it->second;

    if (formatIndex_.empty()) {
        for (std::uint32_t i = 0; i < workbook.formats.size(); ++i) formatIndex_.try_emplace(workbook.formats[i], i);
    }
    ResolvedFormat resolved;
    CellFormat format = flatten(styleName, kind, &resolved.isDate, &resolved.conditional);
    auto [it, added] = formatIndex_.try_emplace(format, static_cast<std::uint32_t>(workbook.formats.size()));
    if (added) workbook.formats.push_back(std::move(format));
    resolved.index = it->second;
    resolved_.emplace(key_, resolved);
    return resolved;
}

}  // namespace brindlemoor::office::ods
