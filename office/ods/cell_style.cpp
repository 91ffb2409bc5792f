#include "office/ods/cell_style.h"

#include "office/ods/text_runs.h"
#include "office/ods/values.h"
#include "office/ods/xml_reader.h"

#include <cmath>
#include <vector>

namespace brindlemoor::office::ods {
namespace {

template <typename T>
void take(std::optional<T>& into, const std::optional<T>& from) {
    if (from) into = from;
}

std::vector<std::string_view> words(std::string_view text) {
    std::vector<std::string_view> result;
    std::size_t start = 0;
    while (start < text.size()) {
        while (start < text.size() && text[start] == ' ') ++start;
        std::size_t end = start;
        while (end < text.size() && text[end] != ' ') ++end;
        if (end > start) result.push_back(text.substr(start, end - start));
        start = end;
    }
    return result;
}

// Width classes as office suites sort line widths into Excel's: hair below
// 0.15 mm, thin below 0.45 mm, medium below 0.75 mm, thick from there.
BorderStyle borderStyleFor(std::string_view style, double widthPt) {
    constexpr double kPtPerMm = 72 / 25.4;
    const bool medium = widthPt >= 0.45 * kPtPerMm;
    if (style == "double" || style == "double-thin") return BorderStyle::Double;
    if (style == "dotted") return BorderStyle::Dotted;
    if (style == "dashed" || style == "fine-dashed" || style == "dash") {
        return medium ? BorderStyle::MediumDashed : BorderStyle::Dashed;
    }
    if (style == "dash-dot") return medium ? BorderStyle::MediumDashDot : BorderStyle::DashDot;
    if (style == "dash-dot-dot") return medium ? BorderStyle::MediumDashDotDot : BorderStyle::DashDotDot;
    if (widthPt >= 0.75 * kPtPerMm) return BorderStyle::Thick;
    if (medium) return BorderStyle::Medium;
    return widthPt < 0.15 * kPtPerMm ? BorderStyle::Hair : BorderStyle::Thin;  // hairlines are written as 0.05 pt
}

bool lineIsVisible(std::optional<std::string_view> style) {
    return style && *style != "none" && !style->empty();
}

void readProperty(const XmlReader& xml, CellStyle& style) {
    // Font
    if (auto v = xml.attribute(Ns::Style, "font-name")) style.fontName = std::string(*v);
    else if (auto family = xml.attribute(Ns::Fo, "font-family")) style.fontName = std::string(*family);
    if (auto v = xml.attribute(Ns::Fo, "font-size")) {
        if (v->ends_with('%')) {
            if (auto percent = parseNumber(v->substr(0, v->size() - 1)); percent && *percent > 0) {
                style.fontSizePercent = *percent, style.fontSizePt.reset();
            }
        } else if (auto size = parseLengthPt(*v); size && *size > 0) {
            style.fontSizePt = *size, style.fontSizePercent.reset();
        }
    }
    if (auto v = xml.attribute(Ns::Fo, "font-weight")) {
        const auto numeric = parseInteger(*v);
        style.bold = *v == "bold" || (numeric && *numeric >= 600);
    }
    if (auto v = xml.attribute(Ns::Fo, "font-style")) style.italic = *v == "italic" || *v == "oblique";
    if (auto v = xml.attribute(Ns::Style, "text-underline-style")) {
        if (!lineIsVisible(v)) style.underline = Underline::None;
        else style.underline = xml.attribute(Ns::Style, "text-underline-type") == std::optional<std::string_view>("double")
                                   ? Underline::Double : Underline::Single;
    } else if (auto legacy = xml.attribute(Ns::Style, "text-underline")) {
        if (!lineIsVisible(legacy)) style.underline = Underline::None;
        else style.underline = legacy->find("double") != std::string_view::npos ? Underline::Double : Underline::Single;
    }
    if (auto v = xml.attribute(Ns::Style, "text-line-through-style")) style.strikeout = lineIsVisible(v);
    // Office suites write a line's type alone when it is single, and show it.
    else if (auto type = xml.attribute(Ns::Style, "text-line-through-type")) style.strikeout = lineIsVisible(type);
    else if (auto legacy = xml.attribute(Ns::Style, "text-crossing-out")) style.strikeout = lineIsVisible(legacy);
    if (auto v = xml.attribute(Ns::Style, "text-position")) {
        if (const auto placed = readTextPosition(*v)) {
            style.script = placed->script;
            style.textPosition = placed->position;
        }
    }
    if (auto v = xml.attribute(Ns::Fo, "color")) style.fontColor = parseColor(*v);
    if (xml.attribute(Ns::Style, "use-window-font-color") == std::optional<std::string_view>("true")) {
        style.fontColor = std::optional<Color>{};
    }

    // Fill
    if (auto v = xml.attribute(Ns::Fo, "background-color")) style.background = parseColor(*v);

    // Borders: the shorthand first, then the sides it may override.
    if (auto v = xml.attribute(Ns::Fo, "border")) {
        if (auto line = parseBorder(*v)) style.left = style.right = style.top = style.bottom = line;
    }
    if (auto v = xml.attribute(Ns::Fo, "border-left")) style.left = parseBorder(*v);
    if (auto v = xml.attribute(Ns::Fo, "border-right")) style.right = parseBorder(*v);
    if (auto v = xml.attribute(Ns::Fo, "border-top")) style.top = parseBorder(*v);
    if (auto v = xml.attribute(Ns::Fo, "border-bottom")) style.bottom = parseBorder(*v);
    if (auto v = xml.attribute(Ns::Style, "diagonal-tl-br")) style.diagonalDown = parseBorder(*v);
    if (auto v = xml.attribute(Ns::Style, "diagonal-bl-tr")) style.diagonalUp = parseBorder(*v);

    // Alignment
    if (auto v = xml.attribute(Ns::Fo, "text-align")) {
        if (*v == "start" || *v == "left") style.horizontal = HorizontalAlign::Left;
        else if (*v == "center") style.horizontal = HorizontalAlign::Center;
        else if (*v == "end" || *v == "right") style.horizontal = HorizontalAlign::Right;
        else if (*v == "justify") style.horizontal = HorizontalAlign::Justify;
    }
    if (auto v = xml.attribute(Ns::Style, "text-align-source")) style.alignByValue = *v == "value-type";
    if (auto v = xml.attribute(Ns::Style, "repeat-content")) style.repeatContent = *v == "true";
    if (auto v = xml.attribute(Ns::Style, "vertical-align")) {
        if (*v == "top") style.vertical = VerticalAlign::Top;
        else if (*v == "middle") style.vertical = VerticalAlign::Center;
        else if (*v == "bottom" || *v == "automatic") style.vertical = VerticalAlign::Bottom;
        else if (*v == "justify") style.vertical = VerticalAlign::Justify;
    }
    if (auto v = xml.attribute(Ns::Fo, "wrap-option")) style.wrap = *v == "wrap";
    if (auto v = xml.attribute(Ns::Style, "shrink-to-fit")) style.shrinkToFit = *v == "true";
    if (auto v = xml.attribute(Ns::Fo, "padding")) {
        if (auto pt = parseLengthPt(*v); pt && *pt >= 0) style.paddingTopPt = style.paddingBottomPt = *pt;
    }
    if (auto v = xml.attribute(Ns::Fo, "padding-top")) {
        if (auto pt = parseLengthPt(*v); pt && *pt >= 0) style.paddingTopPt = *pt;
    }
    if (auto v = xml.attribute(Ns::Fo, "padding-bottom")) {
        if (auto pt = parseLengthPt(*v); pt && *pt >= 0) style.paddingBottomPt = *pt;
    }
    if (auto v = xml.attribute(Ns::Fo, "margin-left")) {
        if (auto pt = parseLengthPt(*v)) style.indentPt = *pt;
    }
    if (auto v = xml.attribute(Ns::Style, "rotation-angle")) {
        std::string_view number = *v;
        if (number.ends_with("deg")) number.remove_suffix(3);
        if (auto degrees = parseNumber(number)) style.rotationDegrees = static_cast<int>(std::lround(*degrees));
    }
    if (auto v = xml.attribute(Ns::Style, "direction")) style.stacked = *v == "ttb";
    if (auto v = xml.attribute(Ns::Style, "cell-protect")) {
        style.locked = v->find("protected") != std::string_view::npos;
        style.formulaHidden = v->find("hidden") != std::string_view::npos;
    }
}

}  // namespace

std::optional<BorderLine> parseBorder(std::string_view text) {
    BorderLine line;
    double widthPt = 0.75;
    std::string_view lineStyle;
    for (std::string_view word : words(text)) {
        if (word == "none" || word == "hidden") return BorderLine{};
        if (auto color = parseColor(word)) line.color = color;
        else if (auto width = parseLengthPt(word)) widthPt = *width;
        else if (word == "thin") widthPt = 0.05;  // the width office suites give it: a hairline
        else if (word == "medium") widthPt = 1.75;
        else if (word == "thick") widthPt = 2.5;
        else lineStyle = word;
    }
    if (lineStyle.empty() || widthPt <= 0) return BorderLine{};
    line.style = borderStyleFor(lineStyle, widthPt);
    return line;
}

void readCellProperties(XmlReader& xml, CellStyle& style) {
    readProperty(xml, style);
    xml.skipElement();
}

void CellStyle::overlay(const CellStyle& child) {
    take(dataStyle, child.dataStyle);
    hasConditionalMaps = hasConditionalMaps || child.hasConditionalMaps;
    take(fontName, child.fontName);
    if (child.fontSizePt) {
        fontSizePt = child.fontSizePt;
        fontSizePercent.reset();
    } else if (child.fontSizePercent) {
        // A relative size scales what it is laid over.
        if (fontSizePt) fontSizePt = *fontSizePt * *child.fontSizePercent / 100;
        else fontSizePercent = fontSizePercent.value_or(100) * *child.fontSizePercent / 100;
    }
    take(bold, child.bold);
    take(italic, child.italic);
    take(strikeout, child.strikeout);
    take(underline, child.underline);
    take(script, child.script);
    take(textPosition, child.textPosition);
    take(fontColor, child.fontColor);
    take(background, child.background);
    take(left, child.left);
    take(right, child.right);
    take(top, child.top);
    take(bottom, child.bottom);
    take(diagonalDown, child.diagonalDown);
    take(diagonalUp, child.diagonalUp);
    take(horizontal, child.horizontal);
    take(alignByValue, child.alignByValue);
    take(repeatContent, child.repeatContent);
    take(vertical, child.vertical);
    take(wrap, child.wrap);
    take(shrinkToFit, child.shrinkToFit);
    take(indentPt, child.indentPt);
    take(paddingTopPt, child.paddingTopPt);
    take(paddingBottomPt, child.paddingBottomPt);
    take(rotationDegrees, child.rotationDegrees);
    take(stacked, child.stacked);
    take(locked, child.locked);
    take(formulaHidden, child.formulaHidden);
}

}  // namespace brindlemoor::office::ods
