#include "office/xls/column_width.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>

namespace brindlemoor::office::xls {

namespace {

struct DigitWidth {
    const char* family;  // lower case
    double em;           // advance of "0" as a fraction of the em square
};

// From the fonts' horizontal metrics (advance width of "0" / units per em).
// Metric-compatible families share a line.
constexpr DigitWidth kDigitWidths[] = {
    {"arial", 0.556},          {"liberation sans", 0.556}, {"helvetica", 0.556}, {"arimo", 0.556},
    {"times new roman", 0.5},  {"liberation serif", 0.5},  {"times", 0.5},       {"tinos", 0.5},
    {"courier new", 0.6},      {"liberation mono", 0.6},   {"courier", 0.6},     {"cousine", 0.6},
    {"calibri", 0.507},        {"carlito", 0.507},
    {"cambria", 0.554},        {"caladea", 0.554},
    {"dejavu sans", 0.636},    {"dejavu serif", 0.636},    {"dejavu sans mono", 0.602},
    {"verdana", 0.636},        {"tahoma", 0.546},          {"segoe ui", 0.559},
    {"liberation sans narrow", 0.456}, {"arial narrow", 0.456},
};

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

}  // namespace

double digitWidthPt(const Font& font) {
    const std::string family = lower(font.name);
    double em = 0.556;
    for (const auto& known : kDigitWidths) {
        if (family == known.family) { em = known.em; break; }
    }
    const double size = font.sizePt > 0 ? font.sizePt : 10;
    return em * size;
}

std::uint16_t columnWidthUnits(double widthPt, const Font& defaultFont) {
    const double units = std::max(0.0, widthPt) * 256 / digitWidthPt(defaultFont);
    return static_cast<std::uint16_t>(std::clamp(std::lround(units), 0L, 65535L));
}

std::uint16_t defaultColumnCharacters(double widthPt, const Font& defaultFont) {
    return static_cast<std::uint16_t>(std::clamp(std::lround(widthPt / digitWidthPt(defaultFont)), 1L, 255L));
}

std::uint16_t rowHeightTwips(double heightPt) {
    return static_cast<std::uint16_t>(std::clamp(std::lround(heightPt * 20), 2L, 8192L));
}

}  // namespace brindlemoor::office::xls
