// The look of a cell, resolved: everything a style chain says, flattened into
// one value. Readers deduplicate formats and cells refer to them by index.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace brindlemoor::office {

struct Color {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Color&, const Color&) = default;
};

enum class Underline : std::uint8_t { None, Single, Double };
enum class Script : std::uint8_t { Normal, Superscript, Subscript };

struct Font {
    std::string name = "Arial";
    double sizePt = 10;
    bool bold = false;
    bool italic = false;
    Underline underline = Underline::None;
    bool strikeout = false;
    Script script = Script::Normal;
    std::optional<Color> color;  // unset: automatic
    friend bool operator==(const Font&, const Font&) = default;
};

// Excel 97 line styles; readers map the document's style and width onto them.
enum class BorderStyle : std::uint8_t {
    None = 0, Thin = 1, Medium = 2, Dashed = 3, Dotted = 4, Thick = 5, Double = 6,
    Hair = 7, MediumDashed = 8, DashDot = 9, MediumDashDot = 10, DashDotDot = 11,
    MediumDashDotDot = 12, SlantedDashDot = 13,
};

struct BorderLine {
    BorderStyle style = BorderStyle::None;
    std::optional<Color> color;  // unset: automatic
    friend bool operator==(const BorderLine&, const BorderLine&) = default;
};

struct Borders {
    BorderLine left, right, top, bottom;
    BorderLine diagonalDown;  // top-left to bottom-right
    BorderLine diagonalUp;    // bottom-left to top-right
    friend bool operator==(const Borders&, const Borders&) = default;
};

enum class HorizontalAlign : std::uint8_t { General, Left, Center, Right, Fill, Justify, CenterAcross };
enum class VerticalAlign : std::uint8_t { Bottom, Center, Top, Justify };

struct Alignment {
    HorizontalAlign horizontal = HorizontalAlign::General;
    VerticalAlign vertical = VerticalAlign::Bottom;
    bool wrap = false;
    bool shrinkToFit = false;
    std::uint8_t indent = 0;       // in steps of one character width
    std::int16_t rotation = 0;     // degrees, -90..90; 255 means stacked text
    friend bool operator==(const Alignment&, const Alignment&) = default;
};

struct CellFormat {
    std::string numberFormat = "General";  // Excel format code
    Font font;
    std::optional<Color> background;        // unset: no fill
    Borders borders;
    Alignment alignment;
    bool locked = true;
    bool hidden = false;                    // formula hidden when protected
    // Space between the cell's edges and its text, above plus below. Excel
    // has no such setting; a row whose height is left to the application
    // leaves room for it.
    double verticalPaddingPt = kStandardVerticalPaddingPt;
    static constexpr double kStandardVerticalPaddingPt = 0.7 * 72 / 25.4;  // 0.35 mm above and below
    friend bool operator==(const CellFormat&, const CellFormat&) = default;
};

}  // namespace brindlemoor::office
