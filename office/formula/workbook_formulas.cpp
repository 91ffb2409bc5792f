#include "office/formula/workbook_formulas.h"

#include "office/formula/formula_error.h"
#include "office/formula/parser.h"

#include <algorithm>
#include <cctype>

namespace brindlemoor::office::formula {
namespace {

constexpr std::uint16_t kNameRecord = 0x0018;
constexpr std::uint32_t kExcelRows = 65536;
constexpr std::uint32_t kExcelColumns = 256;
constexpr std::size_t kListedCells = 5;

std::vector<std::string> sheetNames(const Workbook& workbook)
{
    std::vector<std::string> names;
    for (const auto& sheet : workbook.sheets)
        names.push_back(sheet.name);
    return names;
}

Node parseDefinition(const DefinedName& name)
{
    std::string_view text = name.text;
    if (text.starts_with("of:") || text.starts_with("oooc:") || text.starts_with("="))
        return parseFormula(text);
    if (!name.isExpression && !text.starts_with("["))
        return parseExpression("[" + std::string(text) + "]");
    return parseExpression(text);
}

Bytes nameRecord(const std::string& name, std::uint32_t scope, const CompiledFormula& formula)
{
    auto wide = toUtf16(name);
    Bytes data;
    putU16(data, 0);  // options: an ordinary visible name
    putU8(data, 0);   // no keyboard shortcut
    putU8(data, static_cast<std::uint8_t>(wide.size()));
    putU16(data, static_cast<std::uint16_t>(formula.tokens.size()));
    putU16(data, 0);
    putU16(data, static_cast<std::uint16_t>(scope == kWorkbookScope ? 0 : scope + 1));
    putU32(data, 0);  // no menu, description, help or status texts
    putStringBody(data, wide);
    data.insert(data.end(), formula.tokens.begin(), formula.tokens.end());
    data.insert(data.end(), formula.extra.begin(), formula.extra.end());
    Bytes record;
    putRecord(record, kNameRecord, data);
    return record;
}

bool looksLikeCellAddress(std::string_view name)
{
    std::size_t letters = 0;
    while (letters < name.size() && std::isalpha(static_cast<unsigned char>(name[letters])))
        ++letters;
    std::size_t digits = letters;
    while (digits < name.size() && std::isdigit(static_cast<unsigned char>(name[digits])))
        ++digits;
    if (digits != name.size() || digits == letters)
        return false;
    if (letters == 0 || letters > 2)
        return false;
    std::uint32_t column = 0;
    for (std::size_t i = 0; i < letters; ++i)
        column = column * 26 + static_cast<std::uint32_t>(std::toupper(static_cast<unsigned char>(name[i])) - 'A' + 1);
    return column <= 256 && name.size() - letters <= 5 && std::stoul(std::string(name.substr(letters))) <= 65536;
}

bool looksLikeR1C1(std::string_view name)
{
    auto upper = [](char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); };
    std::size_t i = 0;
    auto part = [&](char letter) {
        if (i < name.size() && upper(name[i]) == letter) {
            ++i;
            while (i < name.size() && std::isdigit(static_cast<unsigned char>(name[i])))
                ++i;
            return true;
        }
        return false;
    };
    bool row = part('R');
    bool column = part('C');
    return (row || column) && i == name.size();
}

}  // namespace

std::string cellAddress(std::uint32_t row, std::uint32_t column)
{
    std::string letters;
    for (std::uint64_t c = static_cast<std::uint64_t>(column) + 1; c > 0; c = (c - 1) / 26)
        letters.insert(letters.begin(), static_cast<char>('A' + (c - 1) % 26));
    return letters + std::to_string(static_cast<std::uint64_t>(row) + 1);
}

bool isValidExcelName(std::string_view name)
{
    auto wide = toUtf16(name);
    if (wide.empty() || wide.size() > 255)
        return false;
    auto isLetter = [](char16_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 0x80; };
    auto isDigit = [](char16_t c) { return c >= '0' && c <= '9'; };
    if (!isLetter(wide[0]) && wide[0] != '_' && wide[0] != '\\')
        return false;
    for (char16_t c : wide)
        if (!isLetter(c) && !isDigit(c) && c != '_' && c != '.' && c != '\\' && c != '?')
            return false;
    return !looksLikeCellAddress(name) && !looksLikeR1C1(name);
}

WorkbookFormulas::WorkbookFormulas(const Workbook& workbook, Warnings& warnings)
    : links_(sheetNames(workbook))
{
    compileNames(workbook, warnings);
    compileCells(workbook, warnings);
    globalRecords_ = links_.externalReferenceRecords(!names_.empty());
    for (const auto& name : names_) {
        Bytes record = nameRecord(name.name, name.scope, name.formula);
        globalRecords_.insert(globalRecords_.end(), record.begin(), record.end());
    }
}

void WorkbookFormulas::compileNames(const Workbook& workbook, Warnings& warnings)
{
    struct Candidate {
        const DefinedName* source;
        std::uint32_t scope;
        Node tree;
    };
    std::vector<Candidate> candidates;
    auto leaveOut = [&](const DefinedName& name, const std::string& why) {
        warnings.push_back("Name '" + name.name + "' left out: " + why);
    };
    for (const auto& name : workbook.names) {
        std::uint32_t scope = name.sheet < workbook.sheets.size() ? name.sheet : kWorkbookScope;
        if (!isValidExcelName(name.name)) {
            leaveOut(name, "Excel 97 does not accept it as a name");
            continue;
        }
        bool duplicate = std::any_of(candidates.begin(), candidates.end(), [&](const Candidate& c) {
            return c.scope == scope && equalsIgnoringCase(c.source->name, name.name);
        });
        if (duplicate) {
            leaveOut(name, "defined twice");
            continue;
        }
        try {
            candidates.push_back({&name, scope, parseDefinition(name)});
        } catch (const FormulaError& e) {
            leaveOut(name, e.what());
        }
    }
    // Names may use each other: when one cannot be translated, those that
    // use it cannot either, so repeat until every remaining one translates.
    for (;;) {
        std::vector<std::pair<std::string, std::uint32_t>> order;
        for (const auto& c : candidates)
            order.emplace_back(c.source->name, c.scope);
        links_.setNames(order);
        names_.clear();
        std::vector<std::size_t> failed;
        for (std::size_t i = 0; i < candidates.size(); ++i) {
            try {
                names_.push_back({candidates[i].source->name, candidates[i].scope,
                                  compileFormula(candidates[i].tree, FormulaPlace::Name, candidates[i].scope, links_)});
            } catch (const FormulaError& e) {
                leaveOut(*candidates[i].source, e.what());
                failed.push_back(i);
            }
        }
        if (failed.empty())
            return;
        for (auto it = failed.rbegin(); it != failed.rend(); ++it)
            candidates.erase(candidates.begin() + static_cast<std::ptrdiff_t>(*it));
    }
}

void WorkbookFormulas::compileCells(const Workbook& workbook, Warnings& warnings)
{
    // Cells that keep their value, grouped by sheet and reason so that a
    // thousand copies of one formula make one warning.
    struct Kept {
        std::uint32_t sheet;
        std::string reason;
        std::vector<std::string> cells;
        std::size_t count = 0;
    };
    std::vector<Kept> kept;
    auto keep = [&](std::uint32_t sheet, const std::string& reason, std::string cell) {
        auto it = std::find_if(kept.begin(), kept.end(),
                               [&](const Kept& k) { return k.sheet == sheet && k.reason == reason; });
        if (it == kept.end())
            it = kept.insert(kept.end(), Kept{sheet, reason, {}, 0});
        if (it->cells.size() < kListedCells)
            it->cells.push_back(std::move(cell));
        ++it->count;
    };

    for (std::uint32_t s = 0; s < workbook.sheets.size(); ++s) {
        const Sheet& sheet = workbook.sheets[s];
        for (const Row& row : sheet.rows) {
            if (row.index >= kExcelRows)
                break;  // the writer reports what lies beyond the grid
            for (const Cell& cell : row.cells) {
                if (cell.column >= kExcelColumns)
                    break;
                if (cell.formula == kNone || cell.formula >= workbook.formulas.size())
                    continue;
                auto key = std::pair(s, cell.formula);
                if (cells_.contains(key))
                    continue;
                const Formula& source = workbook.formulas[cell.formula];
                try {
                    const CellRange& range = source.arrayRange;
                    if (source.isArray && (range.lastRow >= kExcelRows || range.lastColumn >= kExcelColumns ||
                                           range.firstRow > range.lastRow || range.firstColumn > range.lastColumn))
                        throw FormulaError("its matrix range does not fit Excel 97's grid");
                    Node tree = parseFormula(source.text);
                    cells_[key] = compileFormula(tree, source.isArray ? FormulaPlace::ArrayCell : FormulaPlace::Cell, s,
                                                 links_);
                } catch (const FormulaError& e) {
                    cells_[key] = std::nullopt;
                    keep(s, e.what(), cellAddress(row.index, cell.column));
                }
            }
        }
    }

    for (const Kept& k : kept) {
        const std::string& sheet = workbook.sheets[k.sheet].name;
        if (k.count == 1) {
            warnings.push_back(sheet + "!" + k.cells.front() + ": formula kept as its value (" + k.reason + ")");
            continue;
        }
        std::string cells;
        for (const auto& c : k.cells)
            cells += (cells.empty() ? "" : ", ") + c;
        if (k.count > k.cells.size())
            cells += ", ...";
        warnings.push_back(sheet + ": " + std::to_string(k.count) + " formulas kept as their values (" + k.reason +
                           "): " + cells);
    }
}

const CompiledFormula* WorkbookFormulas::cellFormula(std::uint32_t sheet, std::uint32_t formulaIndex) const
{
    auto it = cells_.find({sheet, formulaIndex});
    return it != cells_.end() && it->second ? &*it->second : nullptr;
}

}  // namespace brindlemoor::office::formula
