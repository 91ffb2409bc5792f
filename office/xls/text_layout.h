// Text of a cell laid out as the office's text engine lays it out, to tell
// the height a row takes: wrapped text broken into lines, text runs in fonts
// of their own, several paragraphs.
//
// A paragraph is broken where its next word would pass the line's width:
// after a run of spaces, or after a hyphen inside a word; a word wider than
// the whole line is broken between its characters. Spaces at the end of a
// line take no room.
//
// LibreOffice lays the text out on the screen (96 dpi): each character as
// wide as its advance at the font's size in whole pixels, rounded, without
// kerning; the column is narrowed by the cell's padding and by the ratio of
// its standard font's printed to shown width (1.0294), less 1.43 pixels
// more (measured to a hundredth of a millimetre over Liberation Sans, Serif,
// Carlito and DejaVu Sans, regular and bold, 8 to 20 pt). Each line is as
// high as the largest ascent plus the largest descent of the faces on it, at
// their fonts' sizes, each rounded to whole pixels; raised and lowered
// text (a run's TextPosition) deepens its line by its offset, reckoned as
// the office does in hundredths of a millimetre (text_layout.cpp).
#pragma once

#include "office/model/workbook.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brindlemoor::office::xls {

// Advance width of the character at a position of the text (any unit, the
// same as the line's width).
using AdvanceFunction = std::function<double(std::size_t)>;

// Where each line of the paragraphs of `text` (split at line feeds) starts,
// broken to `width`; no width: only at line feeds.
std::vector<std::size_t> breakLines(std::u32string_view text, std::optional<double> width, const AdvanceFunction& advance);

struct LaidOutText {
    std::uint32_t lines = 1;
    // As the text engine makes it, padding included; unset where a face
    // could not be measured.
    std::optional<double> heightPt;
};

// `utf8` in `font` with its `runs` (UTF-16 starts, as the model keeps them;
// may be empty), broken to a cell `columnWidthPt` wide with `paddingPt` of
// padding left plus right (no width: only at line feeds), in the faces this
// system shows for the fonts (their bold or italic style where they have
// one). Faces are opened once per process and only when first needed, so
// that documents without such text pay nothing.
LaidOutText layOutText(std::string_view utf8, const Font& font, const std::vector<TextRun>& runs,
                       std::optional<double> columnWidthPt, double paddingPt,
                       double verticalPaddingPt = CellFormat::kStandardVerticalPaddingPt);

// Height of `lines` lines of `font` as the text engine stacks them, padding
// included; nothing where no face can be measured.
std::optional<double> textEngineHeightPt(const Font& font, std::uint32_t lines,
                                         double verticalPaddingPt = CellFormat::kStandardVerticalPaddingPt);

// Height of one line of `utf8` in `font` turned by `degrees` (any but 0 and
// 180), padding included, as the office sizes a row to it: the rotated box's
// height in whole screen pixels, floor(line height x |cos| + text width x
// |sin|), with the text's width the sum of its characters' rounded advances,
// plus the padding above and below in whole pixels each, turned into twips
// at 67 pixels a thousand twips, the fraction dropped (LibreOffice 7.4, over
// Liberation Sans 10 and 20 pt, angles 10 to 90 degrees and both ways; the
// rotated height of a short word at a small angle can be a pixel high).
// Nothing where no face can be measured.
std::optional<double> rotatedTextHeightPt(std::string_view utf8, const Font& font, int degrees,
                                          double verticalPaddingPt = CellFormat::kStandardVerticalPaddingPt);

std::u32string toUtf32(std::string_view utf8);

}  // namespace brindlemoor::office::xls
