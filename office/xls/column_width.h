// Column widths and row heights in BIFF8 units.
//
// BIFF stores a column width in 1/256 of the width of the digit "0" of the
// workbook's default font (font 0). Readers turn it back into a length with
// their own measure of that digit, so we use the same measure: the advance
// width of "0" from the font's metrics, at the font's size.
//
//   units = width in points * 256 / advance of "0" in points
//
// (Excel itself rounds the digit to whole pixels at 96 dpi, e.g. 7 px for
// Arial 10 where the metric width is 7.41 px; LibreOffice and Gnumeric use the
// metric width, and so do we, so that their round trip is exact.)
#pragma once

#include "office/model/cell_format.h"
#include "office/xls/font_metrics_cache.h"

#include <cstdint>
#include <string>

namespace brindlemoor::office::xls {

// Advance width of "0" in points for `font`, measured in the face this
// system shows for it (fontconfig, FreeType); from a table of known families'
// metrics when nothing can be measured, else Arial's.
double digitWidthPt(const Font& font);

// Measurements are kept across runs (font_metrics_cache.h): a family
// measured before under the same font configuration costs no fontconfig.

// Starts loading the system's font configuration (some ten milliseconds of
// configuration files and font caches) on a thread of its own, so that it
// overlaps with reading a document; the first measurement waits for it.
// Nothing is loaded when earlier runs' measurements hold for this
// configuration. Calling it again, or never, is harmless.
void prepareFontMetrics();

// Whether this process has loaded the font configuration.
bool fontConfigurationLoaded();

// The face this system shows for `family` (after fontconfig's
// substitutions, as other programs here see it), measured now with
// FreeType, whatever any cache holds.
FaceMetrics measureFace(const std::string& family);

// The same, measured once per process and kept across runs; the first
// measurement waits for prepareFontMetrics()'s loading.
FaceMetrics faceMetrics(const std::string& family);

// Width of a column whose document gives none: the OpenDocument
// applications' standard column width (1280 twips, 2.258 cm), whatever the font.
constexpr double kStandardColumnWidthPt = 64.0;

std::uint16_t columnWidthUnits(double widthPt, const Font& defaultFont);

// Default column width for DEFCOLWIDTH, in whole characters, padding excluded.
std::uint16_t defaultColumnCharacters(double widthPt, const Font& defaultFont);

// Height a spreadsheet program gives a row whose height is left to it (not
// set by the user), as LibreOffice computes it: for each filled cell, a line
// of its font, a further line per line break, and the cell's padding above
// and below; the row takes the highest, never less than the standard 12.8 pt.
// LibreOffice sizes the line from the font size alone, whatever the family,
// and so do we.
double optimalRowHeightPt(double fontSizePt, std::uint32_t lines = 1,
                          double verticalPaddingPt = CellFormat::kStandardVerticalPaddingPt);

// Row height in twips, within what BIFF accepts.
std::uint16_t rowHeightTwips(double heightPt);

}  // namespace brindlemoor::office::xls
