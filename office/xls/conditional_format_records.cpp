#include "office/xls/conditional_format_records.h"

#include "office/formula/compiler.h"
#include "office/formula/formula_error.h"
#include "office/formula/link_table.h"
#include "office/formula/parser.h"
#include "office/xls/excel_limits.h"

#include <algorithm>
#include <map>

namespace brindlemoor::office::xls {
namespace {

constexpr std::uint16_t kCondFmt = 0x01B0;
constexpr std::uint16_t kCf = 0x01B1;

constexpr std::uint8_t kCellValueRule = 1;
constexpr std::uint8_t kFormulaRule = 2;

// Differential format flags: a set "not changed" bit leaves the cell's own
// setting; the block bits say which blocks follow.
constexpr std::uint32_t kNothingChanged = 0x003FFFFF;
constexpr std::uint32_t kLeftBorderUnchanged = 1u << 10, kRightBorderUnchanged = 1u << 11,
                        kTopBorderUnchanged = 1u << 12, kBottomBorderUnchanged = 1u << 13;
constexpr std::uint32_t kPatternUnchanged = 1u << 16, kForegroundUnchanged = 1u << 17,
                        kBackgroundUnchanged = 1u << 18;
constexpr std::uint32_t kFontBlock = 1u << 26, kBorderBlock = 1u << 28, kPatternBlock = 1u << 29;
constexpr std::uint16_t kDifferentialFlags2 = 0x8002;  // as Excel writes them

constexpr std::size_t kFontBlockSize = 118;
constexpr std::uint16_t kAutomaticLine = 64;
constexpr std::uint32_t kUnsetColor = 0xFFFFFFFF;
constexpr std::uint8_t kSolidPattern = 1;

// Ranges per CONDFMT record: 8 bytes each, within the longest record body.
constexpr std::size_t kRangesPerRecord = 1000;

void put32At(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void put16At(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

bool changesFont(const DifferentialFormat& f) {
    return f.fontColor || f.bold || f.italic || f.strikeout || f.underline;
}

bool changesBorders(const DifferentialFormat& f) { return f.left || f.right || f.top || f.bottom; }

std::vector<std::uint8_t> fontBlock(const DifferentialFormat& f, const StyleSheet& styles) {
    std::vector<std::uint8_t> b(kFontBlockSize, 0);
    // 0..63: no font name; 64: the height, unchanged.
    put32At(b, 64, 0xFFFFFFFF);
    std::uint32_t style = 0;
    if (f.italic.value_or(false)) style |= 0x02;
    if (f.strikeout.value_or(false)) style |= 0x80;
    put32At(b, 68, style);
    put16At(b, 72, f.bold.value_or(false) ? 700 : 400);
    put16At(b, 74, 0);  // no superscript or subscript
    const Underline underline = f.underline.value_or(Underline::None);
    b[76] = underline == Underline::Single ? 1 : underline == Underline::Double ? 2 : 0;
    put32At(b, 80, f.fontColor ? styles.colorIndex(f.fontColor, kAutomaticLine) : kUnsetColor);
    // Which of the above hold: 1 in a field means unchanged. Readers take
    // posture and weight together, as the font's style.
    const bool styleChanged = f.italic || f.bold;
    put32At(b, 88, (styleChanged ? 0 : 0x02) | (f.strikeout ? 0 : 0x80));
    put32At(b, 92, 1);                    // script unchanged
    put32At(b, 96, f.underline ? 0 : 1);
    put32At(b, 100, styleChanged ? 0 : 1);
    put32At(b, 104, 1);
    put32At(b, 108, 0);
    put32At(b, 112, 0x7FFFFFFF);
    put16At(b, 116, 1);
    return b;
}

std::uint8_t comparisonCode(ComparisonOperator op) { return static_cast<std::uint8_t>(static_cast<int>(op) + 1); }

std::string rangeText(const CellRange& r) {
    std::string text = cellAddress(r.firstRow, r.firstColumn);
    if (r.lastRow != r.firstRow || r.lastColumn != r.firstColumn) text += ":" + cellAddress(r.lastRow, r.lastColumn);
    return text;
}

std::vector<std::string> sheetNames(const Workbook& workbook) {
    std::vector<std::string> names;
    names.reserve(workbook.sheets.size());
    for (const Sheet& sheet : workbook.sheets) names.push_back(sheet.name);
    return names;
}

void writeRanges(BiffStream& out, const std::vector<CellRange>& ranges) {
    for (const CellRange& r : ranges) {
        out.u16(static_cast<std::uint16_t>(r.firstRow));
        out.u16(static_cast<std::uint16_t>(r.lastRow));
        out.u16(static_cast<std::uint16_t>(r.firstColumn));
        out.u16(static_cast<std::uint16_t>(r.lastColumn));
    }
}

}  // namespace

std::vector<std::uint8_t> cfRecordBody(const CfRule& rule, const StyleSheet& styles) {
    const DifferentialFormat& f = rule.format;
    std::vector<std::uint8_t> b;
    const auto u16 = [&](std::uint16_t v) { b.push_back(static_cast<std::uint8_t>(v)); b.push_back(static_cast<std::uint8_t>(v >> 8)); };
    const auto u32 = [&](std::uint32_t v) { u16(static_cast<std::uint16_t>(v)); u16(static_cast<std::uint16_t>(v >> 16)); };

    b.push_back(rule.isFormula ? kFormulaRule : kCellValueRule);
    b.push_back(rule.isFormula ? 0 : comparisonCode(rule.comparison));
    u16(static_cast<std::uint16_t>(rule.formula1.size()));
    u16(static_cast<std::uint16_t>(rule.isFormula ? 0 : rule.formula2.size()));

    std::uint32_t flags = kNothingChanged;
    if (changesFont(f)) flags |= kFontBlock;
    if (changesBorders(f)) {
        flags |= kBorderBlock;
        if (f.left) flags &= ~kLeftBorderUnchanged;
        if (f.right) flags &= ~kRightBorderUnchanged;
        if (f.top) flags &= ~kTopBorderUnchanged;
        if (f.bottom) flags &= ~kBottomBorderUnchanged;
    }
    if (f.fill) flags = (flags | kPatternBlock) & ~(kPatternUnchanged | kForegroundUnchanged | kBackgroundUnchanged);
    u32(flags);
    u16(kDifferentialFlags2);

    if (changesFont(f)) {
        const auto font = fontBlock(f, styles);
        b.insert(b.end(), font.begin(), font.end());
    }
    if (changesBorders(f)) {
        const auto style = [](const std::optional<BorderLine>& l) {
            return l ? static_cast<std::uint32_t>(l->style) & 0xF : 0u;
        };
        const auto color = [&](const std::optional<BorderLine>& l) -> std::uint32_t {
            return l && l->style != BorderStyle::None ? styles.colorIndex(l->color, kAutomaticLine) & 0x7F : 0u;
        };
        u32(style(f.left) | style(f.right) << 4 | style(f.top) << 8 | style(f.bottom) << 12 | color(f.left) << 16 |
            color(f.right) << 23);
        u32(color(f.top) | color(f.bottom) << 7);
    }
    if (f.fill) {
        // Solid: readers take the fill from the one or the other colour; both are the fill.
        const std::uint16_t color = styles.colorIndex(f.fill, kAutomaticLine) & 0x7F;
        u16(static_cast<std::uint16_t>(kSolidPattern << 10));
        u16(static_cast<std::uint16_t>(color | color << 7));
    }
    b.insert(b.end(), rule.formula1.begin(), rule.formula1.end());
    if (!rule.isFormula) b.insert(b.end(), rule.formula2.begin(), rule.formula2.end());
    return b;
}

formula::Bytes conditionTokens(const std::string& expression, const Workbook& workbook, std::uint32_t sheet,
                               RowIndex baseRow, ColumnIndex baseColumn) {
    const formula::Node root = formula::parseExpression(expression);
    formula::LinkTable links(sheetNames(workbook));
    formula::NameBase base;
    base.sheet = sheet;
    base.row = baseRow;
    base.column = baseColumn;
    formula::CompiledFormula compiled = formula::compileFormula(root, formula::FormulaPlace::Condition, sheet, links, base);
    // A conditional format holds no links to other sheets or names, nor inline arrays.
    if (links.usesExternSheets() || !links.addedNames().empty()) {
        throw formula::FormulaError("uses a function or link that a conditional format of Excel 97 cannot hold");
    }
    if (!compiled.extra.empty()) throw formula::FormulaError("holds an inline array, which a conditional format cannot");
    constexpr std::size_t kAreaTokenSize = 9;
    if (compiled.tokens.size() == kAreaTokenSize && (compiled.tokens[0] & 0x1F) == 0x0D) {
        throw formula::FormulaError("is a range alone, which gives no single value to test");
    }
    return std::move(compiled.tokens);
}

void writeConditionalFormats(BiffStream& out, const Workbook& workbook, std::uint32_t sheetIndex,
                             const StyleSheet& styles, const std::string& sheetName, Warnings& warnings) {
    const Sheet& sheet = workbook.sheets[sheetIndex];
    std::map<std::string, int> lost;  // reason -> rules
    std::uint16_t id = 0;
    for (const ConditionalFormat& format : sheet.conditionalFormats) {
        // Excel's grid holds only part of a range from a larger grid.
        std::vector<CellRange> ranges;
        for (const CellRange& r : format.ranges) {
            if (r.firstRow >= kMaxRows || r.firstColumn >= kMaxColumns) continue;
            ranges.push_back({r.firstRow, r.firstColumn, std::min<RowIndex>(r.lastRow, kMaxRows - 1),
                              std::min<ColumnIndex>(r.lastColumn, kMaxColumns - 1)});
        }
        if (ranges.empty()) {
            lost["its cells lie beyond Excel 97's 65,536 rows and 256 columns"] += static_cast<int>(format.rules.size());
            continue;
        }
        std::vector<std::vector<std::uint8_t>> bodies;
        for (const ConditionalRule& rule : format.rules) {
            if (bodies.size() == 3) break;  // Excel 97's limit; the reader keeps no more
            CfRule cf;
            cf.isFormula = rule.isFormula;
            cf.comparison = rule.comparison;
            cf.format = rule.format;
            try {
                cf.formula1 = conditionTokens(rule.formula1, workbook, sheetIndex, rule.baseRow, rule.baseColumn);
                const bool twoBounds = !rule.isFormula && (rule.comparison == ComparisonOperator::Between ||
                                                           rule.comparison == ComparisonOperator::NotBetween);
                if (twoBounds) cf.formula2 = conditionTokens(rule.formula2, workbook, sheetIndex, rule.baseRow, rule.baseColumn);
            } catch (const formula::FormulaError& error) {
                lost[std::string("its condition ") + error.what() + " (" + rangeText(ranges.front()) + ")"] += 1;
                continue;
            }
            bodies.push_back(cfRecordBody(cf, styles));
        }
        if (bodies.empty()) continue;

        for (std::size_t first = 0; first < ranges.size(); first += kRangesPerRecord) {
            const std::vector<CellRange> part(ranges.begin() + static_cast<std::ptrdiff_t>(first),
                                              ranges.begin() + static_cast<std::ptrdiff_t>(std::min(ranges.size(), first + kRangesPerRecord)));
            CellRange bound = part.front();
            for (const CellRange& r : part) {
                bound.firstRow = std::min(bound.firstRow, r.firstRow);
                bound.lastRow = std::max(bound.lastRow, r.lastRow);
                bound.firstColumn = std::min(bound.firstColumn, r.firstColumn);
                bound.lastColumn = std::max(bound.lastColumn, r.lastColumn);
            }
            const std::size_t start = out.beginRecord(kCondFmt);
            out.u16(static_cast<std::uint16_t>(bodies.size()));
            out.u16(static_cast<std::uint16_t>(1 | (++id << 1)));  // recalculated on load; its number
            writeRanges(out, {bound});
            out.u16(static_cast<std::uint16_t>(part.size()));
            writeRanges(out, part);
            out.endRecord(start);
            for (const auto& body : bodies) {
                const std::size_t cf = out.beginRecord(kCf);
                out.raw(body.data(), body.size());
                out.endRecord(cf);
            }
        }
    }
    for (const auto& [reason, count] : lost) {
        warnings.push_back("Sheet \"" + sheetName + "\": " + std::to_string(count) + " conditional format rule" +
                           (count == 1 ? "" : "s") + " not written: " + reason);
    }
}

}  // namespace brindlemoor::office::xls
