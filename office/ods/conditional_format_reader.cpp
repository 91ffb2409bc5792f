#include "office/ods/conditional_format_reader.h"

#include "office/ods/drawing_reader.h"
#include "office/ods/formula_arguments.h"
#include "office/ods/xml_reader.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <tuple>

namespace brindlemoor::office::ods {
namespace {

const char* const kUnknownCondition = "a condition Excel 97 has no rule for";

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\n')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\n')) text.remove_suffix(1);
    return text;
}

// An expression as the model keeps it: without a namespace prefix or "=".
std::string bareExpression(std::string_view text) {
    text = trim(text);
    for (std::string_view prefix : {"of:", "oooc:", "ooow:"}) {
        if (text.starts_with(prefix)) {
            text.remove_prefix(prefix.size());
            break;
        }
    }
    if (text.starts_with('=')) text.remove_prefix(1);
    return std::string(trim(text));
}

// The text between "name(" and the closing ")" that ends `text`.
std::optional<std::string_view> callArguments(std::string_view text, std::string_view name) {
    text = trim(text);
    if (!text.starts_with(name) || text.size() < name.size() + 2 || text[name.size()] != '(' || text.back() != ')') {
        return std::nullopt;
    }
    return text.substr(name.size() + 1, text.size() - name.size() - 2);
}

std::vector<std::string_view> splitArguments(std::string_view text, char separator) {
    return splitTopLevel(text, separator).parts;
}

// The two bounds of a (not) between condition: separated by ',' as the
// documents write them, or by ';'.
std::optional<std::pair<std::string, std::string>> twoArguments(std::string_view text) {
    for (char separator : {',', ';'}) {
        const auto parts = splitArguments(text, separator);
        if (parts.size() == 2) return std::pair{bareExpression(parts[0]), bareExpression(parts[1])};
    }
    return std::nullopt;
}

// A comparison at the start of `text` ("<=5"), with the rest.
std::optional<std::pair<ComparisonOperator, std::string_view>> comparison(std::string_view text) {
    static constexpr std::array<std::pair<std::string_view, ComparisonOperator>, 7> kOperators{{
        {"<=", ComparisonOperator::LessOrEqual}, {">=", ComparisonOperator::GreaterOrEqual},
        {"!=", ComparisonOperator::NotEqual}, {"<>", ComparisonOperator::NotEqual},
        {"<", ComparisonOperator::Less}, {">", ComparisonOperator::Greater}, {"=", ComparisonOperator::Equal},
    }};
    text = trim(text);
    for (const auto& [symbol, op] : kOperators) {
        if (text.starts_with(symbol)) return std::pair{op, text.substr(symbol.size())};
    }
    return std::nullopt;
}

std::string columnLetters(ColumnIndex column) {
    std::string letters;
    for (std::uint64_t c = std::uint64_t{column} + 1; c > 0; c = (c - 1) / 26) {
        letters.insert(letters.begin(), static_cast<char>('A' + (c - 1) % 26));
    }
    return letters;
}

// A condition on the text of the cell, as a formula Excel 97 can evaluate.
std::optional<std::string> textFormula(std::string_view value, RowIndex row, ColumnIndex column) {
    const std::string cell = "[." + columnLetters(column) + std::to_string(std::uint64_t{row} + 1) + "]";
    const auto argument = [&](std::string_view name) -> std::optional<std::string> {
        auto inner = callArguments(value, name);
        if (!inner) return std::nullopt;
        return bareExpression(*inner);
    };
    if (auto text = argument("contains-text")) return "NOT(ISERROR(SEARCH(" + *text + ";" + cell + ")))";
    if (auto text = argument("not-contains-text")) return "ISERROR(SEARCH(" + *text + ";" + cell + "))";
    if (auto text = argument("begins-with")) return "LEFT(" + cell + ";LEN(" + *text + "))=" + *text;
    if (auto text = argument("ends-with")) return "RIGHT(" + cell + ";LEN(" + *text + "))=" + *text;
    if (trim(value) == "error") return "ISERROR(" + cell + ")";
    if (trim(value) == "no-error") return "NOT(ISERROR(" + cell + "))";
    return std::nullopt;
}

// Why a condition of the table's list has no Excel 97 rule.
const char* reasonFor(std::string_view value) {
    value = trim(value);
    if (value == "duplicate" || value == "unique") return "duplicate or unique values, which Excel 97 cannot mark";
    if (value.starts_with("top-") || value.starts_with("bottom-")) return "top or bottom ranks, which Excel 97 cannot mark";
    if (value.ends_with("-average")) return "values above or below the average, which Excel 97 cannot mark";
    return kUnknownCondition;
}

// An OpenDocument style name as it stands in a style:name attribute: the
// characters a name cannot hold are written as _xx_ with their code.
std::string encodedStyleName(std::string_view displayName) {
    static const char* const kHex = "0123456789abcdef";
    std::string name;
    for (unsigned char c : displayName) {
        if (std::isalnum(c) || c == '_' || c == '-' || c == '.' || c >= 0x80) {
            name += static_cast<char>(c);
        } else {
            name += '_';
            name += kHex[c >> 4];
            name += kHex[c & 0xF];
            name += '_';
        }
    }
    return name;
}

}  // namespace

std::optional<std::vector<CellRange>> parseRangeList(std::string_view text) {
    std::vector<CellRange> ranges;
    for (std::string_view item : splitArguments(trim(text), ' ')) {
        item = trim(item);
        if (item.empty()) continue;
        const auto ends = splitArguments(item, ':');
        if (ends.size() > 2) return std::nullopt;
        const auto first = parseCellAddress(ends.front());
        const auto last = parseCellAddress(ends.back());
        if (!first || !last) return std::nullopt;
        ranges.push_back({std::min(first->row, last->row), std::min(first->column, last->column),
                          std::max(first->row, last->row), std::max(first->column, last->column)});
    }
    if (ranges.empty()) return std::nullopt;
    return ranges;
}

std::vector<CellRange> joinRuns(std::vector<CellRange> runs) {
    std::sort(runs.begin(), runs.end(), [](const CellRange& a, const CellRange& b) {
        return std::tie(a.firstColumn, a.lastColumn, a.firstRow) < std::tie(b.firstColumn, b.lastColumn, b.firstRow);
    });
    std::vector<CellRange> joined;
    for (const CellRange& run : runs) {
        if (!joined.empty()) {
            CellRange& last = joined.back();
            if (last.firstColumn == run.firstColumn && last.lastColumn == run.lastColumn &&
                std::uint64_t{run.firstRow} <= std::uint64_t{last.lastRow} + 1) {
                last.lastRow = std::max(last.lastRow, run.lastRow);
                continue;
            }
        }
        joined.push_back(run);
    }
    std::sort(joined.begin(), joined.end(), [](const CellRange& a, const CellRange& b) {
        return std::tie(a.firstRow, a.firstColumn) < std::tie(b.firstRow, b.firstColumn);
    });
    return joined;
}

void ConditionalFormatReader::addStyledRun(std::string_view styleName, RowIndex row, std::uint32_t rows,
                                           ColumnIndex column, std::uint32_t columns) {
    if (rows == 0 || columns == 0) return;
    const CellRange run{row, column, row + rows - 1, column + columns - 1};
    auto it = styledRuns_.find(std::string(styleName));
    if (it == styledRuns_.end()) {
        styleOrder_.emplace_back(styleName);
        it = styledRuns_.emplace(std::string(styleName), std::vector<CellRange>{}).first;
    }
    std::vector<CellRange>& runs = it->second;
    // The cell to the right of the last run, in the same rows, extends it.
    if (!runs.empty()) {
        CellRange& last = runs.back();
        if (last.firstRow == run.firstRow && last.lastRow == run.lastRow && std::uint64_t{last.lastColumn} + 1 == run.firstColumn) {
            last.lastColumn = run.lastColumn;
            return;
        }
    }
    runs.push_back(run);
}

void ConditionalFormatReader::readFormats(XmlReader& xml) {
    hasList_ = true;
    while (xml.nextChild()) {
        if (xml.is(Ns::Calcext, "conditional-format")) readFormat(xml);
        else xml.skipElement();
    }
}

void ConditionalFormatReader::readFormat(XmlReader& xml) {
    const auto ranges = parseRangeList(xml.attribute(Ns::Calcext, "target-range-address").value_or(""));
    std::vector<ConditionalRule> rules;
    while (xml.nextChild()) {
        if (!ranges) {
            lose("a range Excel 97 cannot address");
            xml.skipElement();
            continue;
        }
        const std::string_view local = xml.local();
        if (xml.ns() != Ns::Calcext) {
            xml.skipElement();
            continue;
        }
        if (local == "color-scale") lose("colour scales, which Excel 97 cannot show");
        else if (local == "data-bar") lose("data bars, which Excel 97 cannot show");
        else if (local == "icon-set") lose("icon sets, which Excel 97 cannot show");
        else if (local == "date-is") lose("conditions on dates relative to today, which Excel 97 cannot evaluate");
        if (local != "condition") {
            xml.skipElement();
            continue;
        }
        const std::string value(xml.attribute(Ns::Calcext, "value").value_or(""));
        const std::string style(xml.attribute(Ns::Calcext, "apply-style-name").value_or(""));
        const auto base = parseCellAddress(xml.attribute(Ns::Calcext, "base-cell-address").value_or(""));
        xml.skipElement();

        ConditionalRule rule;
        rule.baseRow = base ? base->row : ranges->front().firstRow;
        rule.baseColumn = base ? base->column : ranges->front().firstColumn;
        if (auto inner = callArguments(value, "between")) {
            auto bounds = twoArguments(*inner);
            if (!bounds) { lose(kUnknownCondition); continue; }
            rule.comparison = ComparisonOperator::Between;
            std::tie(rule.formula1, rule.formula2) = *bounds;
        } else if (auto inner = callArguments(value, "not-between")) {
            auto bounds = twoArguments(*inner);
            if (!bounds) { lose(kUnknownCondition); continue; }
            rule.comparison = ComparisonOperator::NotBetween;
            std::tie(rule.formula1, rule.formula2) = *bounds;
        } else if (auto inner = callArguments(value, "formula-is")) {
            rule.isFormula = true;
            rule.formula1 = bareExpression(*inner);
        } else if (auto formula = textFormula(value, rule.baseRow, rule.baseColumn)) {
            rule.isFormula = true;
            rule.formula1 = *formula;
        } else if (auto compared = comparison(value)) {
            rule.comparison = compared->first;
            rule.formula1 = bareExpression(compared->second);
        } else {
            lose(reasonFor(value));
            continue;
        }
        if (rule.formula1.empty()) {
            lose(kUnknownCondition);
            continue;
        }
        rule.format = differentialFormat(style);
        rules.push_back(std::move(rule));
    }
    if (ranges) keep(*ranges, std::move(rules));
}

std::optional<ConditionalRule> ConditionalFormatReader::ruleFromStyle(const StyleCondition& condition,
                                                                      const CellRange& topLeft) {
    ConditionalRule rule;
    const auto base = parseCellAddress(condition.baseCell);
    rule.baseRow = base ? base->row : topLeft.firstRow;
    rule.baseColumn = base ? base->column : topLeft.firstColumn;
    const std::string_view text = trim(condition.condition);
    std::optional<std::pair<std::string, std::string>> bounds;
    if (text.starts_with("cell-content()")) {
        auto compared = comparison(text.substr(std::string_view("cell-content()").size()));
        if (!compared) return std::nullopt;
        rule.comparison = compared->first;
        rule.formula1 = bareExpression(compared->second);
    } else if (auto inner = callArguments(text, "cell-content-is-between"); inner && (bounds = twoArguments(*inner))) {
        rule.comparison = ComparisonOperator::Between;
        std::tie(rule.formula1, rule.formula2) = *bounds;
    } else if (auto inner = callArguments(text, "cell-content-is-not-between"); inner && (bounds = twoArguments(*inner))) {
        rule.comparison = ComparisonOperator::NotBetween;
        std::tie(rule.formula1, rule.formula2) = *bounds;
    } else if (auto inner = callArguments(text, "is-true-formula")) {
        rule.isFormula = true;
        rule.formula1 = bareExpression(*inner);
    } else {
        return std::nullopt;
    }
    if (rule.formula1.empty()) return std::nullopt;
    rule.format = differentialFormat(condition.applyStyle);
    return rule;
}

DifferentialFormat ConditionalFormatReader::differentialFormat(std::string_view styleName) const {
    // The list names styles by their display name, the styles' conditions by their name.
    std::string name(styleName);
    if (!styles_.hasCellStyle(name)) name = encodedStyleName(styleName);
    DifferentialFormat format;
    if (!styles_.hasCellStyle(name)) return format;
    // The applied style takes the place of the cell's; what it sets beyond
    // the document's default is what the rule changes.
    const CellFormat applied = styles_.flatten(name, ValueKind::Plain);
    const CellFormat plain = styles_.flatten("", ValueKind::Plain);
    if (applied.font.color && applied.font.color != plain.font.color) format.fontColor = applied.font.color;
    if (applied.font.bold != plain.font.bold) format.bold = applied.font.bold;
    if (applied.font.italic != plain.font.italic) format.italic = applied.font.italic;
    if (applied.font.strikeout != plain.font.strikeout) format.strikeout = applied.font.strikeout;
    if (applied.font.underline != plain.font.underline) format.underline = applied.font.underline;
    const auto side = [](const BorderLine& a, const BorderLine& p, std::optional<BorderLine>& out) {
        if (a != p) out = a;
    };
    side(applied.borders.left, plain.borders.left, format.left);
    side(applied.borders.right, plain.borders.right, format.right);
    side(applied.borders.top, plain.borders.top, format.top);
    side(applied.borders.bottom, plain.borders.bottom, format.bottom);
    if (applied.background && applied.background != plain.background) format.fill = applied.background;
    return format;
}

void ConditionalFormatReader::keep(std::vector<CellRange> ranges, std::vector<ConditionalRule> rules) {
    if (rules.size() > kMaxConditionalRules) {
        lose("rules beyond the three Excel 97 keeps on one range", static_cast<int>(rules.size() - kMaxConditionalRules));
        rules.resize(kMaxConditionalRules);
    }
    if (rules.empty()) return;
    formats_.push_back({std::move(ranges), std::move(rules)});
}

void ConditionalFormatReader::finish(Sheet& sheet, Warnings& warnings) {
    if (!hasList_) {
        for (const std::string& style : styleOrder_) {
            const std::vector<StyleCondition>* conditions = styles_.conditions(style);
            if (!conditions) continue;
            std::vector<CellRange> ranges = joinRuns(std::move(styledRuns_[style]));
            std::vector<ConditionalRule> rules;
            for (const StyleCondition& condition : *conditions) {
                if (auto rule = ruleFromStyle(condition, ranges.front())) rules.push_back(std::move(*rule));
                else lose(kUnknownCondition);
            }
            keep(std::move(ranges), std::move(rules));
        }
    }
    styledRuns_.clear();
    styleOrder_.clear();
    sheet.conditionalFormats = std::move(formats_);
    formats_.clear();
    for (const auto& [reason, count] : lost_) {
        warnings.push_back(sheet.name + ": " + std::to_string(count) + " conditional format rule" + (count == 1 ? "" : "s") +
                           " not converted: " + reason);
    }
    lost_.clear();
}

}  // namespace brindlemoor::office::ods
