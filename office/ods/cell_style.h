// What one cell style says, before inheritance: every property is optional,
// so a style's own settings can be laid over its parent's.
#pragma once

#include "office/model/cell_format.h"
#include "office/model/workbook.h"

#include <optional>
#include <string>
#include <vector>

namespace brindlemoor::office::ods {

class XmlReader;

// A condition of a cell style (style:map): while it holds, the cell shows
// another style.
struct StyleCondition {
    std::string condition;   // e.g. "cell-content()>3", "is-true-formula([.A1]>0)"
    std::string applyStyle;
    std::string baseCell;    // e.g. "Sheet1.B2": relative references count from it
};

struct CellStyle {
    std::optional<std::string> parent;
    std::optional<std::string> dataStyle;
    bool hasConditionalMaps = false;
    std::vector<StyleCondition> conditions;  // this style's own, not its parents'

    std::optional<std::string> fontName;  // a font face declaration's name, or a family
    std::optional<double> fontSizePt;
    std::optional<double> fontSizePercent;  // of the parent's size; only while no size in points is known
    std::optional<bool> bold, italic, strikeout;
    std::optional<Underline> underline;
    std::optional<Script> script;
    std::optional<TextPosition> textPosition;  // set with `script`
    std::optional<std::optional<Color>> fontColor;   // inner unset: automatic
    std::optional<std::optional<Color>> background;  // inner unset: transparent

    std::optional<BorderLine> left, right, top, bottom, diagonalDown, diagonalUp;

    std::optional<HorizontalAlign> horizontal;
    std::optional<bool> alignByValue;  // text-align-source="value-type"
    std::optional<bool> repeatContent;
    std::optional<VerticalAlign> vertical;
    std::optional<bool> wrap, shrinkToFit;
    std::optional<double> indentPt;
    std::optional<double> paddingTopPt, paddingBottomPt;
    std::optional<int> rotationDegrees;
    std::optional<bool> stacked;
    std::optional<bool> locked, formulaHidden;

    // Lays `child` over this style.
    void overlay(const CellStyle& child);
};

// Reads the properties element the reader stands on (table-cell-,
// text-, paragraph-properties, or the 1.x all-in-one `style:properties`)
// into `style`, to the element's end.
void readCellProperties(XmlReader& xml, CellStyle& style);

// A border as written in fo:border ("0.74pt solid #000000").
std::optional<BorderLine> parseBorder(std::string_view text);

}  // namespace brindlemoor::office::ods
