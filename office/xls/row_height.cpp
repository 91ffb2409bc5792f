#include "office/xls/row_height.h"

#include "office/xls/column_width.h"
#include "office/xls/excel_limits.h"
#include "office/xls/text_layout.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace brindlemoor::office::xls {

namespace {
constexpr double kStandardRowHeightPt = 12.8;

// The run of empty rows the sheet ends with, when it keeps its stored height.
const Row* fillerRun(const Sheet& sheet) {
    if (sheet.rows.empty()) return nullptr;
    const Row& last = sheet.rows.back();
    const bool empty = last.cells.empty() && !last.hidden && last.outlineLevel == 0 && last.format == kNone;
    const bool kept = last.customHeight || !RowHeights::laidOut(last);
    return empty && last.heightPt && kept ? &last : nullptr;
}
}  // namespace

bool RowHeights::laidOut(const Row& row) {
    return std::uint64_t{row.index} + std::max<std::uint32_t>(row.repeat, 1) <= kRelaidOutRows;
}

RowHeights::RowHeights(const Workbook& workbook, const Sheet& sheet, double defaultFontSizePt)
    : workbook_(workbook),
      defaultTwips_(rowHeightTwips(std::max(sheet.defaultRowHeightPt, optimalRowHeightPt(defaultFontSizePt)))) {
    if (const Row* filler = fillerRun(sheet)) defaultTwips_ = rowHeightTwips(*filler->heightPt);
    for (const TextLines& text : sheet.textLines) {
        if (text.row < kRelaidOutRows) textLines_[{text.row, text.column}] = text.lines;
    }
    for (const CellRange& merge : sheet.merges) {
        if (merge.firstRow >= kRelaidOutRows || merge.lastRow < merge.firstRow || merge.lastColumn < merge.firstColumn) continue;
        const RowIndex last = std::min<RowIndex>(merge.lastRow, kRelaidOutRows - 1);
        for (RowIndex row = merge.firstRow; row <= last; ++row) {
            // The first cell of a merge within one row still counts.
            const bool wholeMerge = merge.lastRow > merge.firstRow || row > merge.firstRow;
            if (wholeMerge) {
                ignored_[row].emplace_back(merge.firstColumn, merge.lastColumn);
            } else if (merge.lastColumn > merge.firstColumn) {
                ignored_[row].emplace_back(merge.firstColumn + 1, merge.lastColumn);
                rowMerges_[{row, merge.firstColumn}] = merge.lastColumn;
            }
        }
    }
    // LibreOffice keeps kOfficeColumns columns; a column's default style, or
    // a run of empty cells, that reaches past them counts in row heights
    // only in the columns in use: those holding a value or a note, or cells
    // or a default style of a format other than the document's default that
    // end within the office's columns, in some row.
    // Compared with the default only when a cell or column asks, once each.
    std::vector<std::int8_t> plain(workbook.formats.size(), -1);
    const auto isPlain = [&](std::uint32_t format) {
        if (format == 0 || format == kNone || format >= plain.size()) return true;
        if (plain[format] < 0) plain[format] = workbook.formats[format] == workbook.formats[0];
        return plain[format] == 1;
    };
    std::vector<bool> inUse(kOfficeColumns);
    for (const ColumnRun& run : sheet.columns) {
        if (run.first >= kOfficeColumns || isPlain(run.format) || pastTheEnd(run.first, run.repeat)) continue;
        for (std::uint64_t column = run.first; column < std::uint64_t{run.first} + std::max<std::uint32_t>(run.repeat, 1); ++column) {
            inUse[column] = true;
        }
    }
    for (const Row& row : sheet.rows) {
        for (const Cell& cell : row.cells) {
            if (cell.column >= kOfficeColumns) break;
            const bool content = cell.type != CellType::Empty || cell.formula != kNone || cell.annotation != kNone;
            if (!content && (isPlain(cell.format) || pastTheEnd(cell.column, cell.repeat))) continue;
            const std::uint64_t end = std::min<std::uint64_t>(std::uint64_t{cell.column} + std::max<std::uint32_t>(cell.repeat, 1), kOfficeColumns);
            for (std::uint64_t column = cell.column; column < end; ++column) inUse[column] = true;
        }
    }
    inUseBefore_.assign(kOfficeColumns + 1, 0);
    for (ColumnIndex column = 0; column < kOfficeColumns; ++column) inUseBefore_[column + 1] = inUseBefore_[column] + inUse[column];

    // The office's columns as runs of their default styles' empty line.
    const double defaultWidthPt = sheet.defaultColumnWidthPt.value_or(kStandardColumnWidthPt);
    ColumnIndex next = 0;
    const auto add = [&](ColumnIndex from, ColumnIndex to, std::uint32_t format, double width, bool kept) {
        columnLines_.push_back({from, to, emptyLinePt(format), width, kept});
        next = to + 1;
    };
    for (const ColumnRun& run : sheet.columns) {
        if (run.first >= kOfficeColumns) break;
        if (run.first < next) continue;
        if (run.first > next) add(next, run.first - 1, 0, defaultWidthPt, true);
        add(run.first, std::min<ColumnIndex>(run.first + std::max<std::uint32_t>(run.repeat, 1) - 1, kOfficeColumns - 1),
            run.format == kNone ? 0 : run.format, run.widthPt.value_or(defaultWidthPt), !pastTheEnd(run.first, run.repeat));
    }
    if (next < kOfficeColumns) add(next, kOfficeColumns - 1, 0, defaultWidthPt, true);
    settleLaidOutRows(sheet);
}

namespace {
// A stored height as the office holds it: the length read in hundredths of
// a millimetre, then in twips, each rounded.
std::uint16_t officeTwips(double heightPt) {
    const double mm100 = std::round(std::clamp(heightPt, 0.0, 409.0) * 2540.0 / 72.0);
    return static_cast<std::uint16_t>(std::lround(mm100 * 1440.0 / 2540.0));
}

// Whole screen pixels of a row height: the office counts 67 pixels in a
// thousand twips and drops the fraction.
long screenPixels(std::uint16_t twips) { return static_cast<long>(twips * 0.067); }
}  // namespace

// The heights of the rows laid out again, in sheet order. Rows without a
// row of their own (the reader leaves out empty rows of no height) are
// empty rows of the standard height. A row the user sized, or one that
// is not laid out, ends a stretch.
void RowHeights::settleLaidOutRows(const Sheet& sheet) {
    laidOutTwips_.assign(kRelaidOutRows, 0);
    const std::uint16_t standardTwips = officeTwips(kStandardRowHeightPt);
    const std::uint16_t emptyTwips = rowHeightTwips(std::max(kStandardRowHeightPt, columnsPt(0, kOfficeColumns - 1)));
    std::vector<std::uint16_t> stored(kRelaidOutRows, standardTwips);
    std::vector<bool> sized(kRelaidOutRows, false);  // kept as they are: sized by the user, or not laid out
    std::vector<bool> present(kRelaidOutRows, false);
    for (const Row& row : sheet.rows) {
        if (row.index >= kRelaidOutRows) break;
        const RowIndex end = static_cast<RowIndex>(std::min<std::uint64_t>(std::uint64_t{row.index} + std::max<std::uint32_t>(row.repeat, 1), kRelaidOutRows));
        const bool kept = (row.customHeight && row.heightPt) || !laidOut(row);
        for (RowIndex index = row.index; index < end; ++index) {
            present[index] = true;
            sized[index] = kept;
            if (row.heightPt) stored[index] = officeTwips(*row.heightPt);
            if (!kept) laidOutTwips_[index] = contentTwips(row, index);
        }
    }
    for (RowIndex index = 0; index < kRelaidOutRows; ++index) {
        if (!present[index]) laidOutTwips_[index] = emptyTwips;
    }
    const auto settle = [&](RowIndex from, RowIndex to) {
        bool changes = false;
        for (RowIndex index = from; index < to && !changes; ++index) {
            changes = screenPixels(stored[index]) != screenPixels(laidOutTwips_[index]);
        }
        if (changes) return;
        for (RowIndex index = from; index < to; ++index) laidOutTwips_[index] = stored[index];
    };
    RowIndex start = 0;
    for (RowIndex index = 0; index <= kRelaidOutRows; ++index) {
        const bool ends = index == kRelaidOutRows || sized[index] || laidOutTwips_[index] != laidOutTwips_[start];
        if (!ends) continue;
        if (start < index && !sized[start]) settle(start, index);
        start = index;
    }
}

bool RowHeights::pastTheEnd(ColumnIndex first, std::uint32_t repeat) {
    return std::uint64_t{first} + std::max<std::uint32_t>(repeat, 1) > kOfficeColumns;
}

bool RowHeights::inUse(ColumnIndex first, ColumnIndex last) const {
    return inUseBefore_[std::min<ColumnIndex>(last, kOfficeColumns - 1) + 1] > inUseBefore_[std::min<ColumnIndex>(first, kOfficeColumns - 1)];
}

bool RowHeights::ignored(RowIndex row, ColumnIndex first, ColumnIndex last) const {
    const auto it = ignored_.find(row);
    if (it == ignored_.end()) return false;
    // A run of cells counts when any of them lies outside every merge; runs
    // across a merge's edge are rare enough to count whole.
    return std::any_of(it->second.begin(), it->second.end(),
                       [&](const auto& range) { return range.first <= first && last <= range.second; });
}

std::uint16_t RowHeights::twips(const Row& row, RowIndex index) const {
    if (row.customHeight && row.heightPt) return rowHeightTwips(*row.heightPt);
    if (!laidOut(row)) return row.heightPt ? rowHeightTwips(*row.heightPt) : defaultTwips_;
    return index < laidOutTwips_.size() && laidOutTwips_[index] ? laidOutTwips_[index] : contentTwips(row, index);
}

// The height LibreOffice gives the row from its cells: each cell's font with
// its line breaks and padding, an empty cell's font too (a style with a large
// font makes an empty row high), and where the row has no cell of its own,
// the font of the column's default style. Never less than the standard
// height. Wrapped text takes the lines it is broken into in its column (or
// its merge's columns within the row); a line of text turned by an angle
// the height of its turned box. A row holding other rotated or stacked text,
// or a wrapped value other than text, keeps its stored height.
std::uint16_t RowHeights::contentTwips(const Row& row, RowIndex index) const {
    double neededPt = kStandardRowHeightPt;
    ColumnIndex next = 0;  // first column of the office's sheet not yet measured
    for (const Cell& cell : row.cells) {
        if (cell.column >= kOfficeColumns) break;
        if (cell.column > next) neededPt = std::max(neededPt, columnsPt(next, cell.column - 1));
        const ColumnIndex last = std::min<ColumnIndex>(cell.column + std::max<std::uint32_t>(cell.repeat, 1) - 1, kOfficeColumns - 1);
        next = std::max(next, last + 1);
        if (ignored(index, cell.column, last)) continue;
        const bool hasValue = cell.type != CellType::Empty || cell.formula != kNone;
        if (!hasValue && pastTheEnd(cell.column, cell.repeat) && !inUse(cell.column, last)) continue;
        const CellFormat& format = formatAt(cell.format);
        if (cell.type == CellType::Text && format.alignment.rotation == 0) {
            if (const std::optional<double> laidOut = laidOutPt(cell, format, index)) {
                neededPt = std::max(neededPt, *laidOut);
                continue;
            }
        }
        if (const std::optional<double> rotated = rotatedPt(cell, format)) {
            neededPt = std::max(neededPt, *rotated);
            continue;
        }
        if (format.alignment.wrap || format.alignment.rotation != 0) {
            if (hasValue && row.heightPt) return rowHeightTwips(*row.heightPt);
            continue;
        }
        std::uint32_t lines = 1;
        if (const auto it = textLines_.find({row.index, cell.column}); it != textLines_.end()) {
            lines = it->second;
        } else if (cell.type == CellType::Text && cell.text != kNone) {
            const std::string& text = workbook_.strings.at(cell.text);
            lines += static_cast<std::uint32_t>(std::count(text.begin(), text.end(), '\n'));
        }
        const std::optional<double> textEngine = lines > 1 ? textEngineHeightPt(format.font, lines, format.verticalPaddingPt) : std::nullopt;
        neededPt = std::max(neededPt, textEngine ? *textEngine : optimalRowHeightPt(format.font.sizePt, lines, format.verticalPaddingPt));
    }
    if (next < kOfficeColumns) neededPt = std::max(neededPt, columnsPt(next, kOfficeColumns - 1));
    return rowHeightTwips(neededPt);
}

// Text the text engine lays out: wrapped (justified text wraps too), or in
// runs of other fonts. Wrapped text that stays one line is measured as any
// single line. Nothing for other text, or where no face can be measured.
std::optional<double> RowHeights::laidOutPt(const Cell& cell, const CellFormat& format, RowIndex row) const {
    if (cell.text == kNone) return std::nullopt;
    const bool wraps = format.alignment.wrap || format.alignment.horizontal == HorizontalAlign::Justify;
    static const std::vector<TextRun> kNoRuns;
    const auto runs = workbook_.textRuns.empty() ? workbook_.textRuns.end() : workbook_.textRuns.find(cell.text);
    const bool hasRuns = runs != workbook_.textRuns.end() && !runs->second.empty();
    if (!wraps && !hasRuns) return std::nullopt;
    std::optional<double> width;
    // One step of indent is some ten points (the reader's measure).
    if (wraps) width = widthPt(row, cell.column) - 10.0 * format.alignment.indent;
    const LaidOutText text = layOutText(workbook_.strings.at(cell.text), format.font, hasRuns ? runs->second : kNoRuns,
                                        width, format.verticalPaddingPt, format.verticalPaddingPt);
    if (!text.heightPt) return std::nullopt;
    if (!hasRuns && text.lines <= 1) return optimalRowHeightPt(format.font.sizePt, 1, format.verticalPaddingPt);
    return text.heightPt;
}

// One line of plain text turned by an angle: the height of its turned box,
// but at least its line's (the office sizes such cells as any other line
// too); upright: the text runs along the row, as high as it is long.
std::optional<double> RowHeights::rotatedPt(const Cell& cell, const CellFormat& format) const {
    const int degrees = format.alignment.rotation;
    if (cell.type != CellType::Text || cell.text == kNone || degrees == 0 || degrees == 255 || format.alignment.wrap) {
        return std::nullopt;
    }
    if (!workbook_.textRuns.empty() && workbook_.textRuns.count(cell.text)) return std::nullopt;
    const std::string& text = workbook_.strings.at(cell.text);
    if (text.empty() || text.find('\n') != std::string::npos) return std::nullopt;
    const std::optional<double> turned = rotatedTextHeightPt(text, format.font, degrees, format.verticalPaddingPt);
    if (!turned) return std::nullopt;
    if (degrees == 90 || degrees == -90) return turned;
    return std::max(*turned, optimalRowHeightPt(format.font.sizePt, 1, format.verticalPaddingPt));
}

double RowHeights::widthPt(RowIndex row, ColumnIndex column) const {
    ColumnIndex last = column;
    if (const auto it = rowMerges_.find({row, column}); it != rowMerges_.end()) last = it->second;
    double width = 0;
    for (const ColumnLine& line : columnLines_) {
        if (line.last < column) continue;
        if (line.first > last) break;
        width += line.widthPt * (std::min(line.last, last) - std::max(line.first, column) + 1);
    }
    return width;
}

const CellFormat& RowHeights::formatAt(std::uint32_t format) const {
    const auto& formats = workbook_.formats;
    return formats[format < formats.size() ? format : 0];
}

// An empty line of `format`; nothing for wrapped or rotated text.
double RowHeights::emptyLinePt(std::uint32_t format) const {
    const CellFormat& cellFormat = formatAt(format);
    if (cellFormat.alignment.wrap || cellFormat.alignment.rotation != 0) return 0;
    return optimalRowHeightPt(cellFormat.font.sizePt, 1, cellFormat.verticalPaddingPt);
}

// Empty columns of a row: the columns' default formats, where they count.
double RowHeights::columnsPt(ColumnIndex first, ColumnIndex last) const {
    double height = 0;
    for (const auto& [from, to, line, width, kept] : columnLines_) {
        if (to < first) continue;
        if (from > last) break;
        if (kept || inUse(std::max(from, first), std::min(to, last))) height = std::max(height, line);
    }
    return height;
}

}  // namespace brindlemoor::office::xls
