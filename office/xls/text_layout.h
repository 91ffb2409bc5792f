// Wrapped text broken into lines as office suites break it, to tell the
// height a row of wrapped cells takes.
//
// A paragraph is broken where its next word would pass the line's width:
// after a run of spaces, or after a hyphen inside a word; a word wider than
// the whole line is broken between its characters. Spaces at the end of a
// line take no room.
//
// LibreOffice lays the text out on the screen: each character as wide as its
// advance at the font's size in whole pixels (96 dpi), rounded, without
// kerning; the column is narrowed by the cell's padding and by the ratio of
// its standard font's printed to shown width (1.0294), less 1.43 pixels
// more. Measured to a hundredth of a millimetre over Liberation Sans, Serif,
// Carlito and DejaVu Sans, regular and bold, 8 to 20 pt.
#pragma once

#include "office/model/cell_format.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace brindlemoor::office::xls {

// Advance width of a character (any unit, the same as the line's width).
using AdvanceFunction = std::function<double(char32_t)>;

// Lines the paragraphs of `text` (split at line feeds) take in `width`.
std::uint32_t countLines(std::u32string_view text, double width, const AdvanceFunction& advance);

// Lines UTF-8 text in `font` takes in a cell `columnWidthPt` wide with
// `paddingPt` of padding (left plus right), measured in the face this system
// shows for the font (its bold or italic style where it has one); one line
// per paragraph when no face can be measured. Faces are opened once per
// process and only when first needed, so that documents without wrapped
// text pay nothing.
std::uint32_t wrappedLineCount(std::string_view utf8, const Font& font, double columnWidthPt, double paddingPt);

std::u32string toUtf32(std::string_view utf8);

}  // namespace brindlemoor::office::xls
