#include "office/ods/formula_result_format.h"

#include "office/ods/formula_arguments.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

namespace brindlemoor::office::ods {
namespace {

constexpr int kMaxChain = 8;  // formulas handing on formulas handing on ...

struct CellAddress {
    std::size_t sheet;
    RowIndex row;
    ColumnIndex column;
};

std::string_view trim(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

// The expression of an OpenFormula formula, without its namespace and "=".
std::optional<std::string_view> expressionOf(std::string_view formula) {
    if (formula.starts_with("of:")) formula.remove_prefix(3);
    else if (formula.find(':') < formula.find('=')) return std::nullopt;  // another formula language
    if (!formula.starts_with("=")) return std::nullopt;
    return trim(formula.substr(1));
}

// The arguments of `name(...)` when the whole expression is that call,
// split at the top level.
std::optional<std::vector<std::string_view>> callArguments(std::string_view expression, std::string_view name) {
    if (expression.size() < name.size() + 2 || expression.back() != ')') return std::nullopt;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(expression[i])) != name[i]) return std::nullopt;
    }
    std::string_view rest = trim(expression.substr(name.size()));
    if (rest.empty() || rest.front() != '(') return std::nullopt;
    rest = rest.substr(1, rest.size() - 2);
    const TopLevelParts split = splitTopLevel(rest, ';');
    if (!split.balanced) return std::nullopt;  // e.g. the call ends before the expression does
    std::vector<std::string_view> arguments;
    for (std::string_view argument : split.parts) arguments.push_back(trim(argument));
    return arguments;
}

class FormulaResultFormats {
public:
    explicit FormulaResultFormats(Workbook& workbook) : workbook_(workbook) {
        for (std::size_t i = 0; i < workbook.sheets.size(); ++i) sheetIndex_.emplace(workbook.sheets[i].name, i);
    }

    void apply() {
        for (std::size_t s = 0; s < workbook_.sheets.size(); ++s) {
            for (Row& row : workbook_.sheets[s].rows) {
                for (Cell& cell : row.cells) {
                    if (cell.formula == kNone || cell.type != CellType::Number || !isGeneral(cell.format)) continue;
                    const auto shown = shownFormat(cell, s, 0);
                    if (shown && !isGeneral(*shown)) cell.format = withNumberFormat(cell.format, *shown);
                }
            }
        }
    }

private:
    bool isGeneral(std::uint32_t format) const {
        return format >= workbook_.formats.size() || workbook_.formats[format].numberFormat == "General";
    }

    // The format whose number format the result of `cell`'s formula shows in.
    std::optional<std::uint32_t> shownFormat(const Cell& cell, std::size_t sheet, int depth) const {
        if (depth > kMaxChain || cell.formula >= workbook_.formulas.size()) return std::nullopt;
        const Formula& formula = workbook_.formulas[cell.formula];
        if (formula.isArray) return std::nullopt;
        const auto expression = expressionOf(formula.text);
        if (!expression) return std::nullopt;
        if (auto source = handedOn(*expression, sheet)) return formatOf(*source, depth);
        // IF hands on the branch it takes: the one that is a plain reference
        // to a cell holding the result.
        if (auto arguments = callArguments(*expression, "IF"); arguments && arguments->size() >= 2) {
            for (std::size_t i = 1; i < arguments->size() && i < 3; ++i) {
                const auto source = handedOn((*arguments)[i], sheet);
                if (!source) continue;
                const Cell* from = cellAt(*source);
                if (from && from->type == CellType::Number && from->number == cell.number) return formatOf(*source, depth);
            }
        }
        return std::nullopt;
    }

    std::optional<std::uint32_t> formatOf(const CellAddress& address, int depth) const {
        const Cell* cell = cellAt(address);
        if (!cell || cell->type != CellType::Number) return std::nullopt;
        if (!isGeneral(cell->format) || cell->formula == kNone) return cell->format;
        return shownFormat(*cell, address.sheet, depth + 1);
    }

    // The cell a reference such as [.B2] or [$'My sheet'.$B$2] names, when
    // the expression is that reference alone.
    std::optional<CellAddress> handedOn(std::string_view expression, std::size_t sheet) const {
        if (expression.size() < 4 || expression.front() != '[' || expression.back() != ']') return std::nullopt;
        std::string_view reference = expression.substr(1, expression.size() - 2);
        if (reference.find(':') != std::string_view::npos) return std::nullopt;  // a range
        const std::size_t dot = reference.rfind('.');
        if (dot == std::string_view::npos) return std::nullopt;
        std::string_view sheetPart = reference.substr(0, dot);
        if (sheetPart.starts_with("$")) sheetPart.remove_prefix(1);
        CellAddress address{sheet, 0, 0};
        if (!sheetPart.empty()) {
            std::string name;
            if (sheetPart.size() >= 2 && sheetPart.front() == '\'' && sheetPart.back() == '\'') {
                sheetPart = sheetPart.substr(1, sheetPart.size() - 2);
                for (std::size_t i = 0; i < sheetPart.size(); ++i) {
                    name += sheetPart[i];
                    if (sheetPart[i] == '\'' && i + 1 < sheetPart.size() && sheetPart[i + 1] == '\'') ++i;
                }
            } else {
                name = sheetPart;
            }
            const auto it = sheetIndex_.find(name);
            if (it == sheetIndex_.end()) return std::nullopt;
            address.sheet = it->second;
        }
        std::string_view cellPart = reference.substr(dot + 1);
        if (cellPart.starts_with("$")) cellPart.remove_prefix(1);
        std::uint64_t column = 0, row = 0;
        std::size_t i = 0;
        for (; i < cellPart.size() && std::isalpha(static_cast<unsigned char>(cellPart[i])); ++i) {
            column = column * 26 + (std::toupper(static_cast<unsigned char>(cellPart[i])) - 'A' + 1);
            if (column > (1u << 20)) return std::nullopt;
        }
        if (i == 0 || column == 0) return std::nullopt;
        if (i < cellPart.size() && cellPart[i] == '$') ++i;
        const std::size_t digits = i;
        for (; i < cellPart.size() && std::isdigit(static_cast<unsigned char>(cellPart[i])); ++i) {
            row = row * 10 + (cellPart[i] - '0');
            if (row > (1u << 24)) return std::nullopt;
        }
        if (i == digits || i != cellPart.size() || row == 0) return std::nullopt;
        address.row = static_cast<RowIndex>(row - 1);
        address.column = static_cast<ColumnIndex>(column - 1);
        return address;
    }

    const Cell* cellAt(const CellAddress& address) const {
        const auto& rows = workbook_.sheets[address.sheet].rows;
        auto row = std::upper_bound(rows.begin(), rows.end(), address.row,
                                    [](RowIndex index, const Row& r) { return index < r.index; });
        if (row == rows.begin()) return nullptr;
        --row;
        if (address.row - row->index >= std::max<std::uint32_t>(row->repeat, 1)) return nullptr;
        auto cell = std::upper_bound(row->cells.begin(), row->cells.end(), address.column,
                                     [](ColumnIndex column, const Cell& c) { return column < c.column; });
        if (cell == row->cells.begin()) return nullptr;
        --cell;
        if (address.column - cell->column >= std::max<std::uint32_t>(cell->repeat, 1)) return nullptr;
        return &*cell;
    }

    // `format` with the number format of `shown`, added once.
    std::uint32_t withNumberFormat(std::uint32_t format, std::uint32_t shown) {
        const auto key = std::make_pair(format, shown);
        if (auto it = made_.find(key); it != made_.end()) return it->second;
        CellFormat derived = workbook_.formats[format < workbook_.formats.size() ? format : 0];
        derived.numberFormat = workbook_.formats[shown].numberFormat;
        workbook_.formats.push_back(std::move(derived));
        const auto index = static_cast<std::uint32_t>(workbook_.formats.size() - 1);
        made_.emplace(key, index);
        return index;
    }

    Workbook& workbook_;
    std::map<std::string, std::size_t, std::less<>> sheetIndex_;
    std::map<std::pair<std::uint32_t, std::uint32_t>, std::uint32_t> made_;
};

}  // namespace

void applyFormulaResultFormats(Workbook& workbook) { FormulaResultFormats(workbook).apply(); }

}  // namespace brindlemoor::office::ods
