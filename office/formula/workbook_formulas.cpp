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

Bytes nameRecord(const std::string& name, std::uint32_t scope, const CompiledFormula& formula, std::uint8_t builtIn)
{
    auto wide = builtIn ? std::u16string(1, static_cast<char16_t>(builtIn)) : toUtf16(name);
    Bytes data;
    putU16(data, builtIn ? 0x0020 : 0);  // options: an ordinary visible name, or a built-in one
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

// A name defined as #NAME?: for calls of a function Excel 97 lacks, a hidden
// function macro, as later versions of Excel write the functions new to
// them; else a name the document uses without defining it.
Bytes addedNameRecord(const std::string& name, bool function)
{
    constexpr std::uint16_t kHiddenFunctionMacro = 0x000B;  // hidden, function, macro
    const Bytes definition{0x1C, 0x1D};                     // tErr #NAME?
    auto wide = toUtf16(name);
    Bytes data;
    putU16(data, function ? kHiddenFunctionMacro : 0);
    putU8(data, 0);
    putU8(data, static_cast<std::uint8_t>(wide.size()));
    putU16(data, static_cast<std::uint16_t>(definition.size()));
    putU16(data, 0);
    putU16(data, 0);  // the workbook's scope
    putU32(data, 0);
    putStringBody(data, wide);
    data.insert(data.end(), definition.begin(), definition.end());
    Bytes record;
    putRecord(record, kNameRecord, data);
    return record;
}

// "A1:B2 'my sheet'.C3": ranges apart by spaces outside quoted sheet names.
std::vector<std::string> splitRangeList(std::string_view list)
{
    std::vector<std::string> ranges;
    std::string current;
    bool quoted = false;
    for (char c : list) {
        if (c == '\'')
            quoted = !quoted;
        if (c == ' ' && !quoted) {
            if (!current.empty())
                ranges.push_back(std::move(current));
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty())
        ranges.push_back(std::move(current));
    return ranges;
}

NameBase nameBase(const DefinedName& name, const LinkTable& links)
{
    NameBase base;
    if (name.baseCell.empty())
        return base;
    Node cell = parseExpression("[" + name.baseCell + "]");
    const Reference& ref = cell.reference;
    if (cell.kind != NodeKind::Reference || ref.last || ref.document || ref.invalid)
        throw FormulaError("cannot read its base cell " + name.baseCell);
    if (ref.sheet) {
        base.sheet = links.findSheet(*ref.sheet);
        if (!base.sheet)
            throw FormulaError("its base cell lies on the unknown sheet '" + *ref.sheet + "'");
    }
    base.row = ref.first.row.value_or(0);
    base.column = ref.first.column.value_or(0);
    return base;
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
    if (column > 256 || name.size() - letters > 5)
        return false;
    // Rows count from 1: "A0" names no cell, and Excel takes it as a name.
    const unsigned long row = std::stoul(std::string(name.substr(letters)));
    return row >= 1 && row <= 65536;
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
    cacheLinkedSheets(workbook, warnings);
    compilePrintNames(workbook, warnings);
    compileControlReferences(workbook, warnings);
    linkChartSheets(workbook);
    const auto& added = links_.addedNames();
    globalRecords_ = links_.externalReferenceRecords(!names_.empty() || !added.empty());
    auto put = [this](const Bytes& record) { globalRecords_.insert(globalRecords_.end(), record.begin(), record.end()); };
    // Formulas count on this order: defined names, then the names added for them.
    for (const auto& name : names_)
        if (!name.builtIn)
            put(nameRecord(name.name, name.scope, name.formula, 0));
    for (const auto& name : added)
        put(addedNameRecord(name.name, name.function));
    for (const auto& name : names_)
        if (name.builtIn)
            put(nameRecord(name.name, name.scope, name.formula, name.builtIn));
}

void WorkbookFormulas::compileNames(const Workbook& workbook, Warnings& warnings)
{
    struct Candidate {
        const DefinedName* source;
        std::uint32_t scope;
        Node tree;
        NameBase base;
    };
    std::vector<Candidate> candidates;
    std::vector<std::string> documentNames;
    for (const auto& name : workbook.names)
        documentNames.push_back(name.name);
    links_.setDocumentNames(std::move(documentNames));
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
            candidates.push_back({&name, scope, parseDefinition(name), nameBase(name, links_)});
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
                                  compileFormula(candidates[i].tree, FormulaPlace::Name, candidates[i].scope, links_,
                                                 candidates[i].base)});
            } catch (const FormulaError& e) {
                leaveOut(*candidates[i].source, e.what());
                failed.push_back(i);
            }
        }
        if (failed.empty()) {
            for (const auto& name : names_)
                for (const auto& note : name.formula.notes)
                    warnings.push_back("Name '" + name.name + "': Excel 97 shows #NAME? for it when it recalculates (" +
                                       note + ")");
            return;
        }
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
    std::vector<Kept> kept, written;
    auto add = [](std::vector<Kept>& list, std::uint32_t sheet, const std::string& reason, std::string cell) {
        auto it = std::find_if(list.begin(), list.end(),
                               [&](const Kept& k) { return k.sheet == sheet && k.reason == reason; });
        if (it == list.end())
            it = list.insert(list.end(), Kept{sheet, reason, {}, 0});
        if (it->cells.size() < kListedCells)
            it->cells.push_back(std::move(cell));
        ++it->count;
    };
    auto keep = [&](std::uint32_t sheet, const std::string& reason, std::string cell) {
        add(kept, sheet, reason, std::move(cell));
    };
    auto noted = [&](std::uint32_t sheet, const std::string& note, std::string cell) {
        add(written, sheet, note, std::move(cell));
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
                    for (const std::string& note : cells_[key]->notes)
                        noted(s, note, cellAddress(row.index, cell.column));
                } catch (const FormulaError& e) {
                    cells_[key] = std::nullopt;
                    keep(s, e.what(), cellAddress(row.index, cell.column));
                }
            }
        }
    }

    auto report = [&](const std::vector<Kept>& list, const std::string& one, const std::string& many) {
        for (const Kept& k : list) {
            const std::string& sheet = workbook.sheets[k.sheet].name;
            if (k.count == 1) {
                warnings.push_back(sheet + "!" + k.cells.front() + ": " + one + " (" + k.reason + ")");
                continue;
            }
            std::string cells;
            for (const auto& c : k.cells)
                cells += (cells.empty() ? "" : ", ") + c;
            if (k.count > k.cells.size())
                cells += ", ...";
            warnings.push_back(sheet + ": " + std::to_string(k.count) + " " + many + " (" + k.reason + "): " + cells);
        }
    };
    report(kept, "formula kept as its value", "formulas kept as their values");
    report(written, "formula that Excel 97 shows as #NAME? when it recalculates",
           "formulas that Excel 97 shows as #NAME? when they recalculate");
}

// The values of other files' sheets as the document last saw them, for the
// links that formulas made into those sheets.
void WorkbookFormulas::cacheLinkedSheets(const Workbook& workbook, Warnings& warnings)
{
    constexpr std::size_t kMaxCachedCells = 200000;
    std::size_t total = 0;
    for (const Sheet& linked : workbook.linkedSheets) {
        // "'file:///data.ods'#Sheet1", quotes inside the URL doubled.
        std::string url;
        std::size_t i = 1;
        for (; i < linked.name.size(); ++i) {
            if (linked.name[i] != '\'')
                url += linked.name[i];
            else if (i + 1 < linked.name.size() && linked.name[i + 1] == '\'')
                url += '\'', ++i;
            else
                break;
        }
        if (i + 1 >= linked.name.size() || linked.name[i + 1] != '#')
            continue;
        std::string sheet = linked.name.substr(i + 2);
        std::vector<LinkTable::CachedCell> cells;
        for (const Row& row : linked.rows) {
            for (std::uint32_t r = row.index; r < row.index + row.repeat && r < kExcelRows; ++r) {
                for (const Cell& cell : row.cells) {
                    for (std::uint32_t c = cell.column; c < cell.column + cell.repeat && c < kExcelColumns; ++c) {
                        LinkTable::CachedCell cached{r, c, {}};
                        switch (cell.type) {
                        case CellType::Empty: continue;
                        case CellType::Number: cached.value = cell.number; break;
                        case CellType::Boolean: cached.value = cell.number != 0; break;
                        case CellType::Error: cached.value = static_cast<ErrorCode>(cell.number); break;
                        case CellType::Text:
                            cached.value = cell.text < workbook.strings.size() ? std::string(workbook.strings.at(cell.text))
                                                                               : std::string();
                            break;
                        }
                        if (++total > kMaxCachedCells) {
                            warnings.push_back("Linked values of " + linked.name +
                                               " and further files left out: more than Excel 97 workbooks usually keep");
                            return;
                        }
                        cells.push_back(std::move(cached));
                    }
                }
            }
        }
        links_.setExternalCache(url, sheet, std::move(cells));
    }
}

// Print ranges and repeated rows and columns become Excel's built-in names
// Print_Area and Print_Titles, of the sheet's own scope.
void WorkbookFormulas::linkChartSheets(const Workbook& workbook)
{
    auto link = [&](const std::optional<ChartRange>& range) {
        if (!range || range->sheet >= workbook.sheets.size() || chartSheets_.count(range->sheet))
            return;
        try {
            chartSheets_[range->sheet] = links_.externSheet(range->sheet, range->sheet);
        } catch (const FormulaError&) {
            // The link table is full: the chart keeps the series without its cells.
        }
    };
    for (const Sheet& sheet : workbook.sheets) {
        for (const Drawing& drawing : sheet.drawings) {
            if (!drawing.chart)
                continue;
            for (const ChartSeries& series : drawing.chart->series) {
                link(series.values);
                link(series.categories);
                link(series.nameCell);
            }
        }
    }
}

std::optional<std::uint16_t> WorkbookFormulas::chartSheet(std::uint32_t sheet) const
{
    auto found = chartSheets_.find(sheet);
    if (found == chartSheets_.end())
        return std::nullopt;
    return found->second;
}

void WorkbookFormulas::compilePrintNames(const Workbook& workbook, Warnings& warnings)
{
    constexpr std::uint8_t kPrintArea = 0x06, kPrintTitles = 0x07;
    auto area = [](std::uint16_t externSheet, std::uint32_t firstRow, std::uint32_t lastRow, std::uint32_t firstColumn,
                   std::uint32_t lastColumn, Bytes& out) {
        putU8(out, 0x3B);  // tArea3d, reference class
        putU16(out, externSheet);
        putU16(out, static_cast<std::uint16_t>(firstRow));
        putU16(out, static_cast<std::uint16_t>(std::min(lastRow, kExcelRows - 1)));
        putU16(out, static_cast<std::uint16_t>(firstColumn));
        putU16(out, static_cast<std::uint16_t>(std::min(lastColumn, kExcelColumns - 1)));
    };
    // Several areas: their union, announced with its size as Excel writes it.
    auto named = [&](std::uint32_t sheet, std::uint8_t code, const std::vector<Bytes>& areas) {
        CompiledName name{"", sheet, {}, code};
        Bytes& tokens = name.formula.tokens;
        if (areas.size() > 1) {
            std::size_t size = areas.size() * 11 + (areas.size() - 1);
            putU8(tokens, 0x29);  // tMemFunc
            putU16(tokens, static_cast<std::uint16_t>(size));
        }
        for (std::size_t i = 0; i < areas.size(); ++i) {
            tokens.insert(tokens.end(), areas[i].begin(), areas[i].end());
            if (i > 0)
                putU8(tokens, 0x10);  // tUnion
        }
        names_.push_back(std::move(name));
    };

    for (std::uint32_t s = 0; s < workbook.sheets.size(); ++s) {
        const Sheet& sheet = workbook.sheets[s];
        if (!sheet.printRanges.empty()) {
            std::vector<Bytes> areas;
            for (const std::string& one : splitRangeList(sheet.printRanges)) {
                if (areas.size() >= 100)
                    break;
                try {
                    Node node = parseExpression("[" + std::string(one) + "]");
                    const Reference& ref = node.reference;
                    if (node.kind != NodeKind::Reference || ref.document || ref.invalid || ref.lastSheet ||
                        (ref.sheet && links_.findSheet(*ref.sheet) != s))
                        throw FormulaError("it is not a range of this sheet");
                    CellPoint first = ref.first, last = ref.last.value_or(ref.first);
                    std::uint32_t top = std::min(first.row.value_or(0), last.row.value_or(0));
                    std::uint32_t bottom = std::max(first.row.value_or(kExcelRows - 1), last.row.value_or(kExcelRows - 1));
                    std::uint32_t left = std::min(first.column.value_or(0), last.column.value_or(0));
                    std::uint32_t right =
                        std::max(first.column.value_or(kExcelColumns - 1), last.column.value_or(kExcelColumns - 1));
                    if (top >= kExcelRows || left >= kExcelColumns)
                        throw FormulaError("it lies beyond Excel 97's grid");
                    Bytes bytes;
                    area(links_.externSheet(s, s), top, bottom, left, right, bytes);
                    areas.push_back(std::move(bytes));
                } catch (const FormulaError& e) {
                    warnings.push_back(sheet.name + ": print range " + one + " left out (" + e.what() + ")");
                }
            }
            if (!areas.empty())
                named(s, kPrintArea, areas);
        }
        std::vector<Bytes> titles;
        if (sheet.titleRows && sheet.titleRows->first < kExcelRows) {
            Bytes bytes;
            area(links_.externSheet(s, s), sheet.titleRows->first, sheet.titleRows->last, 0, kExcelColumns - 1, bytes);
            titles.push_back(std::move(bytes));
        }
        if (sheet.titleColumns && sheet.titleColumns->first < kExcelColumns) {
            Bytes bytes;
            area(links_.externSheet(s, s), 0, kExcelRows - 1, sheet.titleColumns->first, sheet.titleColumns->last, bytes);
            titles.push_back(std::move(bytes));
        }
        if (!titles.empty())
            named(s, kPrintTitles, titles);
    }
}

void WorkbookFormulas::compileControlReferences(const Workbook& workbook, Warnings& warnings)
{
    auto compile = [&](std::uint32_t s, const std::string& address) {
        if (address.empty() || controlReferences_.count({s, address}))
            return;
        try {
            Node node = parseExpression("[" + address + "]");
            const Reference& ref = node.reference;
            if (node.kind != NodeKind::Reference || ref.document || ref.invalid || ref.lastSheet)
                throw FormulaError("it is not a cell or range of this workbook");
            std::uint32_t sheet = s;
            if (ref.sheet) {
                auto found = links_.findSheet(*ref.sheet);
                if (!found)
                    throw FormulaError("its sheet is not in the workbook");
                sheet = *found;
            }
            CellPoint first = ref.first, last = ref.last.value_or(ref.first);
            std::uint32_t top = std::min(first.row.value_or(0), last.row.value_or(0));
            std::uint32_t bottom = std::max(first.row.value_or(kExcelRows - 1), last.row.value_or(kExcelRows - 1));
            std::uint32_t left = std::min(first.column.value_or(0), last.column.value_or(0));
            std::uint32_t right = std::max(first.column.value_or(kExcelColumns - 1), last.column.value_or(kExcelColumns - 1));
            if (bottom >= kExcelRows || right >= kExcelColumns)
                throw FormulaError("it lies beyond Excel 97's grid");
            ControlReference compiled;
            const std::uint16_t externSheet = links_.externSheet(sheet, sheet);
            if (!ref.last) {
                putU8(compiled.tokens, 0x3A);  // tRef3d, reference class, absolute
                putU16(compiled.tokens, externSheet);
                putU16(compiled.tokens, static_cast<std::uint16_t>(top));
                putU16(compiled.tokens, static_cast<std::uint16_t>(left));
            } else {
                putU8(compiled.tokens, 0x3B);  // tArea3d
                putU16(compiled.tokens, externSheet);
                putU16(compiled.tokens, static_cast<std::uint16_t>(top));
                putU16(compiled.tokens, static_cast<std::uint16_t>(bottom));
                putU16(compiled.tokens, static_cast<std::uint16_t>(left));
                putU16(compiled.tokens, static_cast<std::uint16_t>(right));
            }
            compiled.cells = (bottom - top + 1) * (right - left + 1);
            controlReferences_[{s, address}] = std::move(compiled);
        } catch (const FormulaError& e) {
            warnings.push_back(workbook.sheets[s].name + ": a form control's link to " + address + " left out (" +
                               e.what() + ")");
        }
    };
    for (std::uint32_t s = 0; s < workbook.sheets.size(); ++s) {
        for (const Drawing& drawing : workbook.sheets[s].drawings) {
            if (drawing.control) {
                compile(s, drawing.control->linkedCell);
                compile(s, drawing.control->sourceRange);
            }
        }
    }
}

const WorkbookFormulas::ControlReference* WorkbookFormulas::controlReference(std::uint32_t sheet,
                                                                           const std::string& address) const
{
    auto it = controlReferences_.find({sheet, address});
    return it != controlReferences_.end() ? &it->second : nullptr;
}

const CompiledFormula* WorkbookFormulas::cellFormula(std::uint32_t sheet, std::uint32_t formulaIndex) const
{
    auto it = cells_.find({sheet, formulaIndex});
    return it != cells_.end() && it->second ? &*it->second : nullptr;
}

}  // namespace brindlemoor::office::formula
