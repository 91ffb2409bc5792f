#include "office/ods/text_runs.h"

#include "office/ods/style_sheet.h"

#include <cstring>

namespace brindlemoor::office::ods {

namespace {
// Whether a part's style sets any font property, even to the value the cell
// already has: the office then holds the cell as formatted text and lays it
// out with its text engine (a line of it can be a little higher or lower
// than the cell's plain line), so the text keeps a run. A style setting
// nothing, a span without a style or a paragraph style with paragraph
// settings only changes nothing.
bool setsFont(const CellStyle& style) {
    return style.fontName || style.fontSizePt || style.fontSizePercent || style.bold || style.italic || style.strikeout ||
           style.underline || style.script || style.fontColor;
}
}  // namespace

void TextRunMarks::enter(const CellStyle& style, std::size_t at) {
    CellStyle combined = open_.empty() ? CellStyle{} : open_.back();
    combined.overlay(style);
    open_.push_back(std::move(combined));
    mark(at, &open_.back());
}

void TextRunMarks::leave(std::size_t at) {
    if (open_.empty()) return;
    open_.pop_back();
    mark(at, open_.empty() ? nullptr : &open_.back());
}

void TextRunMarks::mark(std::size_t at, const CellStyle* style) {
    // A part that holds no text changes nothing: the later mark at the same place holds.
    if (!marks_.empty() && marks_.back().at == at) marks_.pop_back();
    marks_.push_back({at, style ? std::optional<CellStyle>(*style) : std::nullopt});
}

std::vector<TextRun> TextRunMarks::runs(std::string_view text, const Font& cellFont, const StyleSheet& styles) const {
    std::vector<TextRun> runs;
    std::size_t byte = 0;
    std::uint32_t unit = 0;  // UTF-16 code units before `byte`
    for (const Mark& mark : marks_) {
        if (mark.at >= text.size()) break;  // nothing follows
        for (; byte < mark.at; ++byte) {
            const auto b = static_cast<unsigned char>(text[byte]);
            if ((b & 0xC0) != 0x80) unit += b >= 0xF0 ? 2 : 1;  // four-byte sequences are surrogate pairs
        }
        Font font = mark.style ? styles.fontWith(cellFont, *mark.style) : cellFont;
        const Font& current = runs.empty() ? cellFont : runs.back().font;
        const bool firstFormatted = runs.empty() && mark.style && setsFont(*mark.style);
        if (font != current || firstFormatted) runs.push_back({unit, std::move(font)});
    }
    return runs;
}

std::uint32_t RichTexts::add(Workbook& workbook, std::string_view text, std::vector<TextRun> runs) {
    const std::size_t length = text.size();
    key_.assign(reinterpret_cast<const char*>(&length), sizeof length);
    key_ += text;
    for (const TextRun& run : runs) {
        const Font& f = run.font;
        const std::uint32_t flags = f.bold | f.italic << 1 | f.strikeout << 2 | static_cast<std::uint32_t>(f.underline) << 3 |
                                    static_cast<std::uint32_t>(f.script) << 5 | (f.color ? 1u << 7 : 0) |
                                    (f.color ? f.color->r << 8 | f.color->g << 16 | std::uint32_t{f.color->b} << 24 : 0);
        char fields[sizeof run.start + sizeof f.sizePt + sizeof flags];
        std::memcpy(fields, &run.start, sizeof run.start);
        std::memcpy(fields + sizeof run.start, &f.sizePt, sizeof f.sizePt);
        std::memcpy(fields + sizeof run.start + sizeof f.sizePt, &flags, sizeof flags);
        key_ += '\0';
        key_.append(fields, sizeof fields);
        key_ += f.name;
    }
    auto [it, added] = index_.try_emplace(key_, 0);
    if (added) {
        it->second = workbook.strings.addDistinct(text);
        workbook.textRuns.emplace(it->second, std::move(runs));
    }
    return it->second;
}

}  // namespace brindlemoor::office::ods
