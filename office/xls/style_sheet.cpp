#include "office/xls/style_sheet.h"

#include "office/xls/excel_limits.h"
#include "office/xls/unicode_text.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>

namespace brindlemoor::office::xls {

namespace {

constexpr std::uint16_t kFontRecord = 0x0031;
constexpr std::uint16_t kXfRecord = 0x00E0;
constexpr std::uint16_t kStyleRecord = 0x0293;

constexpr std::uint16_t kAutomaticFontColor = 0x7FFF;
constexpr std::uint16_t kAutomaticLineColor = 64;  // system window text
constexpr std::uint16_t kAutomaticBackColor = 65;  // system window background
constexpr std::uint16_t kFirstStyleXfAfterDefault = 16;
constexpr std::uint16_t kFirstCellXf = 21;

// Font indexes as readers count them: there is no font 4.
std::uint16_t biffFontIndex(std::size_t position) { return static_cast<std::uint16_t>(position < 4 ? position : position + 1); }

std::uint8_t rotationByte(std::int16_t degrees) {
    if (degrees == 255) return 255;  // stacked
    degrees = std::clamp<std::int16_t>(degrees, -90, 90);
    return static_cast<std::uint8_t>(degrees >= 0 ? degrees : 90 - degrees);
}

void put16(XfBytes& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(XfBytes& b, std::size_t at, std::uint32_t v) {
    put16(b, at, static_cast<std::uint16_t>(v));
    put16(b, at + 2, static_cast<std::uint16_t>(v >> 16));
}

// Style XF: font, number format, flags "locked, style, no parent", and which
// attribute groups the style leaves to the cell (`ignored`).
XfBytes styleXf(std::uint16_t font, std::uint16_t numberFormat, std::uint8_t ignored) {
    XfBytes b{};
    put16(b, 0, font);
    put16(b, 2, numberFormat);
    put16(b, 4, 0xFFF5);
    b[6] = 0x20;  // bottom aligned
    b[9] = ignored;
    put16(b, 18, kAutomaticLineColor | (kAutomaticBackColor << 7));
    return b;
}

void writeFont(BiffStream& out, const Font& font, std::uint16_t color) {
    // FONT: height (twips), flags (0x01 bold, as Excel also sets it, 0x02
    // italic, 0x08 strikeout), colour index,
    // weight, escapement, underline, family, character set, reserved, name.
    const auto start = out.beginRecord(kFontRecord);
    out.u16(static_cast<std::uint16_t>(std::clamp(std::lround(font.sizePt * 20), 20L, 8191L)));
    out.u16((font.bold ? 0x01 : 0) | (font.italic ? 0x02 : 0) | (font.strikeout ? 0x08 : 0));
    out.u16(color);
    out.u16(font.bold ? 700 : 400);
    out.u16(font.script == Script::Superscript ? 1 : font.script == Script::Subscript ? 2 : 0);
    out.u8(font.underline == Underline::Single ? 1 : font.underline == Underline::Double ? 2 : 0);
    out.u8(0);
    out.u8(0);
    out.u8(0);
    writeShortUnicodeString(out, toUtf16(font.name.empty() ? std::string("Arial") : font.name));
    out.endRecord(start);
}

// The font of the Normal style, font 0: readers size columns by it, and some
// know the widths of the classic faces only. A metric-compatible free face is
// named by its classic twin there (same widths); the cells keep their own face
// through a font record of their own.
Font normalStyleFont(Font font) {
    static const std::pair<const char*, const char*> twins[] = {
        {"Liberation Sans", "Arial"}, {"Arimo", "Arial"},
        {"Liberation Serif", "Times New Roman"}, {"Tinos", "Times New Roman"},
        {"Liberation Mono", "Courier New"}, {"Cousine", "Courier New"},
        {"Carlito", "Calibri"}, {"Caladea", "Cambria"},
    };
    for (const auto& [free, classic] : twins) {
        if (font.name == free) font.name = classic;
    }
    return font;
}

// How different two XFs look, for merging when there are too many.
int xfDistance(const XfBytes& a, const XfBytes& b) {
    const auto differs = [&](std::size_t from, std::size_t to) { return !std::equal(a.begin() + from, a.begin() + to, b.begin() + from); };
    return (differs(2, 4) ? 8 : 0) + (differs(0, 2) ? 4 : 0) + (differs(10, 18) ? 2 : 0) + (differs(18, 20) ? 2 : 0) +
           (differs(6, 9) ? 1 : 0) + (differs(4, 6) ? 1 : 0);
}

void usageOfCells(const Workbook& workbook, std::vector<std::uint64_t>& usage) {
    const auto count = [&](std::uint32_t format, std::uint64_t n) {
        if (format < usage.size()) usage[format] += n;
    };
    for (const Sheet& sheet : workbook.sheets) {
        for (const Row& row : sheet.rows) {
            const std::uint64_t rows = std::min<std::uint64_t>(row.repeat, 65536);
            count(row.format, rows);
            for (const Cell& cell : row.cells) count(cell.format, rows * std::min<std::uint64_t>(cell.repeat, 256));
        }
        for (const ColumnRun& run : sheet.columns) count(run.format, 1);
    }
}

}  // namespace

XfBytes StyleSheet::cellXf(const CellFormat& format, std::uint16_t font, std::uint16_t numberFormat,
                           const Palette& palette) {
    // XF (20 bytes):
    //   0  font index          2  number format index
    //   4  bit 0 locked, bit 1 hidden, bits 4..15 parent style XF (0, "Normal")
    //   6  bits 0..2 horizontal, bit 3 wrap, bits 4..6 vertical
    //   7  rotation            8  bits 0..3 indent, bit 4 shrink to fit
    //   9  attribute groups this XF sets (bits 2..7)
    //  10  border styles left/right/top/bottom (4 bits each), left and right
    //      colour (7 bits each), bit 30 diagonal down, bit 31 diagonal up
    //  14  top, bottom, diagonal colour (7 bits each), diagonal style (4 bits),
    //      fill pattern (bits 26..31)
    //  18  pattern colour, background colour (7 bits each)
    XfBytes b{};
    put16(b, 0, font);
    put16(b, 2, numberFormat);
    put16(b, 4, static_cast<std::uint16_t>((format.locked ? 0x01 : 0) | (format.hidden ? 0x02 : 0)));

    const Alignment& a = format.alignment;
    const int vertical = a.vertical == VerticalAlign::Top ? 0 : a.vertical == VerticalAlign::Center ? 1
                       : a.vertical == VerticalAlign::Justify ? 3 : 2;
    b[6] = static_cast<std::uint8_t>(static_cast<int>(a.horizontal) | (a.wrap ? 0x08 : 0) | (vertical << 4));
    b[7] = rotationByte(a.rotation);
    b[8] = static_cast<std::uint8_t>(std::min<int>(a.indent, 15) | (a.shrinkToFit ? 0x10 : 0));
    b[9] = 0xFC;

    const Borders& line = format.borders;
    const auto color = [&](const BorderLine& l) -> std::uint32_t {
        return l.style == BorderStyle::None ? 0 : palette.index(l.color, kAutomaticLineColor);
    };
    const auto style = [](const BorderLine& l) { return static_cast<std::uint32_t>(l.style); };
    const bool down = line.diagonalDown.style != BorderStyle::None;
    const bool up = line.diagonalUp.style != BorderStyle::None;
    const BorderLine& diagonal = down ? line.diagonalDown : line.diagonalUp;
    put32(b, 10, style(line.left) | style(line.right) << 4 | style(line.top) << 8 | style(line.bottom) << 12 |
                     color(line.left) << 16 | color(line.right) << 23 | (down ? 1u << 30 : 0) | (up ? 1u << 31 : 0));
    const std::uint32_t pattern = format.background ? 1 : 0;
    put32(b, 14, color(line.top) | color(line.bottom) << 7 | color(diagonal) << 14 | style(diagonal) << 21 |
                     pattern << 26);
    const std::uint16_t foreground = format.background ? palette.index(format.background, kAutomaticLineColor)
                                                       : kAutomaticLineColor;
    put16(b, 18, static_cast<std::uint16_t>(foreground | (kAutomaticBackColor << 7)));
    return b;
}

StyleSheet::StyleSheet(const Workbook& workbook, Warnings& warnings) {
    const std::vector<CellFormat> fallback{CellFormat{}};
    const auto& formats = workbook.formats.empty() ? fallback : workbook.formats;

    std::vector<std::uint64_t> usage(formats.size(), 0);
    usageOfCells(workbook, usage);
    usage[0] += 1;

    for (std::size_t i = 0; i < formats.size(); ++i) {
        if (usage[i] == 0) continue;
        const CellFormat& f = formats[i];
        if (f.font.color) palette_.use(*f.font.color, usage[i]);
        if (f.background) palette_.use(*f.background, usage[i]);
        for (const BorderLine* l : {&f.borders.left, &f.borders.right, &f.borders.top, &f.borders.bottom,
                                    &f.borders.diagonalDown, &f.borders.diagonalUp}) {
            if (l->style != BorderStyle::None && l->color) palette_.use(*l->color, usage[i]);
        }
    }
    for (const Sheet& sheet : workbook.sheets) {
        if (sheet.view.tabColor) palette_.use(*sheet.view.tabColor);
        for (const ConditionalFormat& format : sheet.conditionalFormats) {
            for (const ConditionalRule& rule : format.rules) {
                const DifferentialFormat& f = rule.format;
                if (f.fontColor) palette_.use(*f.fontColor);
                if (f.fill) palette_.use(*f.fill);
                for (const auto* l : {&f.left, &f.right, &f.top, &f.bottom}) {
                    if (*l && (*l)->color) palette_.use(*(*l)->color);
                }
            }
        }
    }
    // Colours of text runs, once per text that has them.
    for (const auto& [text, runs] : workbook.textRuns) {
        for (const TextRun& run : runs) {
            if (run.font.color) palette_.use(*run.font.color);
        }
    }
    for (const Sheet& sheet : workbook.sheets) {
        for (const Drawing& drawing : sheet.drawings) {
            for (const TextRun& run : drawing.textRuns) {
                if (run.font.color) palette_.use(*run.font.color);
            }
        }
        for (const Annotation& note : sheet.annotations) {
            for (const TextRun& run : note.runs) {
                if (run.font.color) palette_.use(*run.font.color);
            }
        }
    }
    palette_.build();
    if (palette_.approximated() > 0) {
        warnings.push_back(std::to_string(palette_.approximated()) +
                           " colour(s) beyond Excel 97's palette of 56 were replaced by the nearest palette colour");
    }

    fonts_.push_back(normalStyleFont(formats[0].font));
    fontIndexes_.emplace(fonts_.front(), 0);
    std::map<XfBytes, std::uint16_t> known;
    xfOfFormat_.assign(formats.size(), kDefaultCellXf);
    std::vector<std::uint64_t> xfUsage;
    for (std::size_t i = 0; i < formats.size(); ++i) {
        if (usage[i] == 0 && i != 0) continue;
        const XfBytes bytes = cellXf(formats[i], fontIndex(formats[i].font),
                                     numberFormats_.index(formats[i].numberFormat), palette_);
        auto [it, added] = known.emplace(bytes, static_cast<std::uint16_t>(cellXfs_.empty() ? kDefaultCellXf
                                                                                             : kFirstCellXf + cellXfs_.size() - 1));
        if (added) {
            cellXfs_.push_back(bytes);
            xfUsage.push_back(0);
        }
        xfOfFormat_[i] = it->second;
        xfUsage[it->second == kDefaultCellXf ? 0 : it->second - kFirstCellXf + 1] += usage[i];
    }
    if (cellXfs_.size() > kMaxCellXfs) mergeRarest(xfUsage, warnings);
    addTextRuns(workbook, warnings);
}

std::size_t StyleSheet::FontHash::operator()(const Font& font) const {
    std::size_t seed = std::hash<std::string>{}(font.name);
    seed ^= std::hash<double>{}(font.sizePt) + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
    const std::size_t flags = font.bold | font.italic << 1 | font.strikeout << 2 | static_cast<std::size_t>(font.underline) << 3 |
                              static_cast<std::size_t>(font.script) << 5 |
                              (font.color ? 1u << 7 | font.color->r << 8 | font.color->g << 16 | std::size_t{font.color->b} << 24 : 0);
    return seed ^ (flags + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2));
}

void StyleSheet::addTextRuns(const Workbook& workbook, Warnings& warnings) {
    // In order of the texts, so that the fonts are numbered the same every time.
    std::vector<std::uint32_t> texts;
    texts.reserve(workbook.textRuns.size());
    for (const auto& entry : workbook.textRuns) texts.push_back(entry.first);
    std::sort(texts.begin(), texts.end());

    std::size_t dropped = 0;
    for (const std::uint32_t text : texts) {
        std::vector<FormattingRun> runs = runFonts(workbook.textRuns.at(text), dropped);
        if (!runs.empty()) stringRuns_.emplace(text, std::move(runs));
    }
    // The text of a note or a drawing starts in the default format's font,
    // which every workbook has.
    const std::uint16_t objectFont = fontIndexes_.at(workbook.formats.front().font);
    const auto addObjectRuns = [&](const std::vector<TextRun>& textRuns) {
        std::vector<FormattingRun> runs = runFonts(textRuns, dropped);
        if (runs.empty() || runs.front().start > 0) runs.insert(runs.begin(), {0, objectFont});
        objectRuns_.emplace(&textRuns, std::move(runs));
    };
    for (const Sheet& sheet : workbook.sheets) {
        for (const Annotation& note : sheet.annotations) addObjectRuns(note.runs);
        for (const Drawing& drawing : sheet.drawings) {
            if (!drawing.textRuns.empty()) addObjectRuns(drawing.textRuns);
        }
    }
    if (dropped > 0) {
        warnings.push_back(std::to_string(dropped) + " part(s) of texts in fonts of their own show in the font before them: "
                           "the workbook uses more fonts than Excel 97's " + std::to_string(kMaxFontRecords));
    }
}

std::vector<FormattingRun> StyleSheet::runFonts(const std::vector<TextRun>& textRuns, std::size_t& dropped) {
    std::vector<FormattingRun> runs;
    for (const TextRun& run : textRuns) {
        if (run.start >= kMaxTextLength) break;
        std::uint16_t font = 0;
        if (auto it = fontIndexes_.find(run.font); it != fontIndexes_.end()) {
            font = it->second;
        } else if (fontRecordCount() < kMaxFontRecords) {
            font = fontIndex(run.font);
        } else {
            // No room for another font: the text goes on in the run before.
            ++dropped;
            continue;
        }
        if (!runs.empty() && runs.back().font == font) continue;
        runs.push_back({static_cast<std::uint16_t>(run.start), font});
    }
    return runs;
}

std::vector<FormattingRun> StyleSheet::objectRuns(const std::vector<TextRun>& textRuns) const {
    auto it = objectRuns_.find(&textRuns);
    return it != objectRuns_.end() ? it->second : std::vector<FormattingRun>{};
}

std::uint16_t StyleSheet::fontIndex(const Font& font) {
    // Font 0 is written four times, as Excel reserves the first four; the
    // others follow, and readers count them from 5.
    auto [it, added] = fontIndexes_.try_emplace(font, static_cast<std::uint16_t>(0));
    if (added) {
        fonts_.push_back(font);
        it->second = biffFontIndex(fonts_.size() - 1 + 3);
    }
    return it->second;
}

void StyleSheet::mergeRarest(std::vector<std::uint64_t>& usage, Warnings& warnings) {
    // Keep the default XF and the most used others; each of the rest becomes
    // the kept XF that looks most like it.
    std::vector<std::size_t> order(cellXfs_.size() - 1);
    std::iota(order.begin(), order.end(), 1);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return usage[a] > usage[b]; });
    std::vector<std::size_t> kept{0};
    kept.insert(kept.end(), order.begin(), order.begin() + (kMaxCellXfs - 1));
    std::sort(kept.begin(), kept.end());

    std::vector<std::uint16_t> newIndex(cellXfs_.size());
    std::vector<XfBytes> keptXfs;
    std::vector<bool> isKept(cellXfs_.size(), false);
    for (std::size_t k = 0; k < kept.size(); ++k) {
        isKept[kept[k]] = true;
        newIndex[kept[k]] = static_cast<std::uint16_t>(k == 0 ? kDefaultCellXf : kFirstCellXf + k - 1);
        keptXfs.push_back(cellXfs_[kept[k]]);
    }
    for (std::size_t i = 0; i < cellXfs_.size(); ++i) {
        if (isKept[i]) continue;
        std::size_t best = 0;
        int bestDistance = 1 << 30;
        for (std::size_t k = 0; k < keptXfs.size() && bestDistance > 0; ++k) {
            const int d = xfDistance(cellXfs_[i], keptXfs[k]);
            if (d < bestDistance) { bestDistance = d; best = k; }
        }
        newIndex[i] = newIndex[kept[best]];
    }
    const std::size_t merged = cellXfs_.size() - kept.size();
    const auto oldPosition = [](std::uint16_t xf) { return xf == kDefaultCellXf ? 0u : xf - kFirstCellXf + 1u; };
    for (auto& xf : xfOfFormat_) xf = newIndex[oldPosition(xf)];
    cellXfs_ = std::move(keptXfs);
    warnings.push_back("The workbook uses more distinct cell formats than Excel 97's 4,000: the " +
                       std::to_string(merged) + " least used were replaced by the most similar kept format");
}

void StyleSheet::write(BiffStream& out) const {
    const std::uint16_t defaultColor = palette_.index(fonts_[0].color, kAutomaticFontColor);
    for (int copy = 0; copy < 4; ++copy) writeFont(out, fonts_[0], defaultColor);
    for (std::size_t i = 1; i < fonts_.size(); ++i) writeFont(out, fonts_[i], palette_.index(fonts_[i].color, kAutomaticFontColor));

    numberFormats_.write(out);

    const auto writeXf = [&](const XfBytes& bytes) {
        const auto start = out.beginRecord(kXfRecord);
        out.raw(bytes.data(), bytes.size());
        out.endRecord(start);
    };
    writeXf(styleXf(0, 0, 0x00));
    for (std::uint16_t i = 1; i < 15; ++i) writeXf(styleXf(i <= 2 ? 1 : i <= 4 ? 2 : 0, 0, 0xF4));
    writeXf(cellXfs_[0]);
    for (std::uint16_t numberFormat : {43, 41, 44, 42, 9}) writeXf(styleXf(1, numberFormat, 0xF8));
    for (std::size_t i = 1; i < cellXfs_.size(); ++i) writeXf(cellXfs_[i]);

    // STYLE: built-in styles by XF index (bit 15: built in), style id, outline level.
    const struct { std::uint16_t xf; std::uint8_t id; } builtIn[] = {
        {kFirstStyleXfAfterDefault, 3}, {kFirstStyleXfAfterDefault + 1, 6}, {kFirstStyleXfAfterDefault + 2, 4},
        {kFirstStyleXfAfterDefault + 3, 7}, {0, 0}, {kFirstStyleXfAfterDefault + 4, 5},
    };
    for (const auto& style : builtIn) {
        const auto start = out.beginRecord(kStyleRecord);
        out.u16(static_cast<std::uint16_t>(style.xf | 0x8000));
        out.u8(style.id);
        out.u8(0xFF);
        out.endRecord(start);
    }
    palette_.write(out);
}

}  // namespace brindlemoor::office::xls
