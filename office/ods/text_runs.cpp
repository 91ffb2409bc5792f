#include "office/ods/text_runs.h"

#include "office/ods/style_sheet.h"
#include "office/ods/values.h"

#include <algorithm>
#include <cmath>
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

std::optional<double> percent(std::string_view word) {
    if (!word.empty() && word.back() == '%') word.remove_suffix(1);
    const auto value = parseNumber(word);
    if (!value || !std::isfinite(*value)) return std::nullopt;
    return std::round(*value);
}

std::vector<std::string_view> words(std::string_view text) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && text[i] == ' ') ++i;
        const std::size_t start = i;
        while (i < text.size() && text[i] != ' ') ++i;
        if (i > start) out.push_back(text.substr(start, i - start));
    }
    return out;
}
}  // namespace

std::optional<TextPlacement> readTextPosition(std::string_view value) {
    const std::vector<std::string_view> parts = words(value);
    if (parts.empty()) return std::nullopt;
    TextPlacement placed;
    if (parts[0] == "super") {
        placed.script = Script::Superscript;
    } else if (parts[0] == "sub") {
        placed.script = Script::Subscript;
    } else if (const auto offset = percent(parts[0])) {
        const double kept = std::clamp(*offset, -1000.0, 1000.0);
        placed.script = kept > 0 ? Script::Superscript : kept < 0 ? Script::Subscript : Script::Normal;
        placed.position.offsetPercent = static_cast<std::int16_t>(kept);
    } else {
        return std::nullopt;
    }
    const auto size = parts.size() > 1 ? percent(parts[1]) : std::nullopt;
    placed.position.sizePercent = static_cast<std::uint16_t>(std::clamp(size.value_or(58.0), 1.0, 1000.0));
    return placed;
}

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
        // Letters at a size of their own stay so on the baseline (an offset of 0 %) too.
        const TextPosition position = mark.style && mark.style->textPosition ? *mark.style->textPosition : TextPosition{};
        const bool changes = runs.empty() ? font != cellFont || position != TextPosition{}
                                          : font != runs.back().font || position != runs.back().position;
        const bool firstFormatted = runs.empty() && mark.style && setsFont(*mark.style);
        if (changes || firstFormatted) runs.push_back({unit, std::move(font), position});
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
        key_.append(reinterpret_cast<const char*>(&run.position.offsetPercent), sizeof run.position.offsetPercent);
        key_.append(reinterpret_cast<const char*>(&run.position.sizePercent), sizeof run.position.sizePercent);
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
