// The parts of a cell's text in fonts of their own: spans with a text
// style and paragraphs with a paragraph style that sets the font. While a
// cell is read, the reader marks where each such part begins and ends; once
// the cell's own font is known, the marks become the text's runs.
#pragma once

#include "office/model/workbook.h"
#include "office/ods/cell_style.h"

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace brindlemoor::office::ods {

class StyleSheet;

class TextRunMarks {
public:
    void clear() {
        open_.clear();
        marks_.clear();
    }
    bool empty() const { return marks_.empty(); }

    // A part in `style` (font settings only) begins at byte `at` of the text;
    // parts nest, the inner one's settings over the outer one's.
    void enter(const CellStyle& style, std::size_t at);
    // The innermost part ends at byte `at`.
    void leave(std::size_t at);

    // The runs of `text` (UTF-8) in a cell whose font is `cellFont`, starting
    // in UTF-16 code units. A part in the cell's own font makes no run, but
    // where the text has no other, the first part whose style sets the font
    // (to anything) keeps one, in the cell's font: the text stays formatted.
    std::vector<TextRun> runs(std::string_view text, const Font& cellFont, const StyleSheet& styles) const;

private:
    struct Mark {
        std::size_t at;
        std::optional<CellStyle> style;  // unset: back to the cell's font
    };
    void mark(std::size_t at, const CellStyle* style);

    std::vector<CellStyle> open_;  // each with the settings of the parts around it laid under
    std::vector<Mark> marks_;
};

// A style:text-position value: "super" or "sub", which the office places
// itself within the line (an offset of 0), or the offset in percent of the
// font's size, signed; then the letters' size in percent, 58 where it is
// missing, as the office reads a single value. Percentages are rounded to
// whole ones, offsets kept within 1000 % and sizes within 1 to 1000 %.
// Nothing where the first word is neither.
struct TextPlacement {
    Script script = Script::Normal;
    TextPosition position;
};
std::optional<TextPlacement> readTextPosition(std::string_view value);

// Texts with runs, each added to the workbook once: cells with the same text
// in the same runs share an entry.
class RichTexts {
public:
    std::uint32_t add(Workbook& workbook, std::string_view text, std::vector<TextRun> runs);

private:
    std::unordered_map<std::string, std::uint32_t> index_;
    std::string key_;
};

}  // namespace brindlemoor::office::ods
