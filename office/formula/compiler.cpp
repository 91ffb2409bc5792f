#include "office/formula/compiler.h"

#include "office/formula/formula_error.h"
#include "office/formula/function_table.h"
#include "office/formula/workbook_formulas.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <string>

namespace brindlemoor::office::formula {
namespace {

// Token classes, added to a token's reference-class code.
enum class TokenClass : std::uint8_t { Reference = 0x00, Value = 0x20, Array = 0x40 };

namespace ptg {
constexpr std::uint8_t Exp = 0x01, Add = 0x03, Sub = 0x04, Mul = 0x05, Div = 0x06, Power = 0x07,
                       Concat = 0x08, Less = 0x09, LessEqual = 0x0A, Equal = 0x0B, GreaterEqual = 0x0C,
                       Greater = 0x0D, NotEqual = 0x0E, Intersect = 0x0F, Union = 0x10, Range = 0x11,
                       UnaryPlus = 0x12, UnaryMinus = 0x13, Percent = 0x14, Paren = 0x15, MissArg = 0x16,
                       Str = 0x17, Attr = 0x19, Err = 0x1C, Bool = 0x1D, Int = 0x1E, Num = 0x1F;
// Reference-class codes; add a TokenClass for the others.
constexpr std::uint8_t Array = 0x20, Func = 0x21, FuncVar = 0x22, Name = 0x23, Ref = 0x24, Area = 0x25,
                       MemFunc = 0x29, RefErr = 0x2A, AreaErr = 0x2B, NameX = 0x39, Ref3d = 0x3A, Area3d = 0x3B,
                       RefErr3d = 0x3C, AreaErr3d = 0x3D, RefN = 0x2C, AreaN = 0x2D;
}  // namespace ptg

namespace attr {
constexpr std::uint8_t Volatile = 0x01, If = 0x02, Choose = 0x04, Skip = 0x08, Sum = 0x10;
}

constexpr std::uint32_t kExcelRows = 65536;
constexpr std::uint32_t kExcelColumns = 256;
constexpr std::uint32_t kLargeGridLastRow = 1048575;
constexpr std::uint32_t kLargeGridLastColumn = 1023;
constexpr std::uint32_t kWideGridLastColumn = 16383;
constexpr int kMaxFunctionNesting = 8;  // a function and seven levels inside it
constexpr std::size_t kMaxNamedCallArguments = 29;  // the name counts as one more

const std::map<std::string, std::uint8_t, std::less<>> kBinaryTokens{
    {"+", ptg::Add}, {"-", ptg::Sub}, {"*", ptg::Mul}, {"/", ptg::Div}, {"^", ptg::Power},
    {"&", ptg::Concat}, {"<", ptg::Less}, {"<=", ptg::LessEqual}, {"=", ptg::Equal},
    {">=", ptg::GreaterEqual}, {">", ptg::Greater}, {"<>", ptg::NotEqual},
    {"!", ptg::Intersect}, {"~", ptg::Union}, {":", ptg::Range},
};

bool isReferenceOperator(const std::string& op) { return op == "!" || op == "~" || op == ":"; }

std::uint8_t withClass(std::uint8_t code, TokenClass cls) { return static_cast<std::uint8_t>(code + static_cast<std::uint8_t>(cls)); }

class Compiler {
public:
    Compiler(FormulaPlace place, std::uint32_t sheet, LinkTable& links, const NameBase& base)
        : place_(place), sheet_(sheet), links_(links), base_(base)
    {
    }

    CompiledFormula run(const Node& root)
    {
        TokenClass top = place_ == FormulaPlace::Name ? TokenClass::Reference
                         : place_ == FormulaPlace::ArrayCell ? TokenClass::Array
                                                              : TokenClass::Value;
        node(root, top, 0);
        if (result_.isVolatile) {
            Bytes lead{ptg::Attr, attr::Volatile, 0, 0};
            result_.tokens.insert(result_.tokens.begin(), lead.begin(), lead.end());
        }
        if (result_.tokens.size() > kMaxTokenBytes)
            throw FormulaError("the formula is longer than Excel 97 allows");
        return std::move(result_);
    }

private:
    Bytes& out() { return result_.tokens; }

    // The class of values a subexpression delivers where `expected` is asked for.
    TokenClass valueClass(TokenClass expected) const
    {
        return place_ == FormulaPlace::ArrayCell || expected == TokenClass::Array ? TokenClass::Array
                                                                                  : TokenClass::Value;
    }

    void node(const Node& n, TokenClass expected, int nesting)
    {
        switch (n.kind) {
        case NodeKind::Number: number(n.number); return;
        case NodeKind::String:
            putU8(out(), ptg::Str);
            putString8(out(), shortString(n.text));
            return;
        case NodeKind::Boolean:
            putU8(out(), ptg::Bool);
            putU8(out(), n.boolean ? 1 : 0);
            return;
        case NodeKind::Error:
            putU8(out(), ptg::Err);
            putU8(out(), static_cast<std::uint8_t>(n.error));
            return;
        case NodeKind::Missing: putU8(out(), ptg::MissArg); return;
        case NodeKind::Reference: reference(n.reference, expected); return;
        case NodeKind::Name: name(n.text, expected); return;
        case NodeKind::Array: array(n, expected); return;
        case NodeKind::Prefix:
            node(n.children.at(0), valueClass(expected), nesting);
            putU8(out(), n.text == "-" ? ptg::UnaryMinus : ptg::UnaryPlus);
            return;
        case NodeKind::Postfix:
            node(n.children.at(0), valueClass(expected), nesting);
            putU8(out(), ptg::Percent);
            return;
        case NodeKind::Binary: {
            TokenClass operands = isReferenceOperator(n.text) ? TokenClass::Reference : valueClass(expected);
            node(n.children.at(0), operands, nesting);
            node(n.children.at(1), operands, nesting);
            putU8(out(), kBinaryTokens.at(n.text));
            return;
        }
        case NodeKind::Paren:
            node(n.children.at(0), expected, nesting);
            putU8(out(), ptg::Paren);
            return;
        case NodeKind::Function: function(n, expected, nesting + 1); return;
        }
    }

    void number(double value)
    {
        if (!std::isfinite(value))
            throw FormulaError("a number constant is out of range");
        if (value >= 0 && value <= 65535 && value == std::floor(value) && !std::signbit(value)) {
            putU8(out(), ptg::Int);
            putU16(out(), static_cast<std::uint16_t>(value));
        } else {
            putU8(out(), ptg::Num);
            putF64(out(), value);
        }
    }

    static std::u16string shortString(const std::string& text)
    {
        auto wide = toUtf16(text);
        if (wide.size() > 255)
            throw FormulaError("a text constant is longer than the 255 characters Excel 97 allows");
        return wide;
    }

    std::uint32_t sheetIndex(const std::string& name) const
    {
        auto index = links_.findSheet(name);
        if (!index)
            throw FormulaError("refers to the unknown sheet '" + name + "'");
        return *index;
    }

    // A row or column of Excel's grid, with the relative flags of the column word.
    struct Corner {
        std::uint16_t row = 0;
        std::uint16_t column = 0;  // with flags
    };

    static Corner corner(std::optional<std::uint32_t> row, bool rowAbsolute, std::optional<std::uint32_t> column,
                         bool columnAbsolute)
    {
        if (!row || !column)
            throw FormulaError("a whole row or column stands alone");
        if (*row >= kExcelRows || *column >= kExcelColumns)
            throw FormulaError("refers to cells beyond Excel 97's 65,536 rows and 256 columns");
        Corner c;
        c.row = static_cast<std::uint16_t>(*row);
        c.column = static_cast<std::uint16_t>(*column);
        if (!columnAbsolute)
            c.column |= 0x4000;
        if (!rowAbsolute)
            c.column |= 0x8000;
        return c;
    }

    // In a name or a condition, a relative row or column is an offset from
    // the cell that uses it, wrapping around the grid: the offset from the base cell.
    Corner relativeToBase(Corner c) const
    {
        if (place_ != FormulaPlace::Name && place_ != FormulaPlace::Condition)
            return c;
        if (c.column & 0x8000)
            c.row = static_cast<std::uint16_t>(c.row - base_.row);
        if (c.column & 0x4000) {
            // A signed 14-bit offset; its low byte alone reads the same modulo 256.
            int offset = static_cast<int>(c.column & 0xFF) - static_cast<int>(base_.column & 0xFF);
            c.column = static_cast<std::uint16_t>((c.column & 0xC000) | (static_cast<unsigned>(offset) & 0x3FFF));
        }
        return c;
    }

    void reference(const Reference& ref, TokenClass cls)
    {
        if (ref.invalid && place_ == FormulaPlace::Name) {
            // As Excel keeps a name whose cells were deleted: #REF! on its sheet.
            std::uint32_t own = base_.sheet.value_or(sheet_ == kWorkbookScope ? 0 : sheet_);
            std::uint32_t sheet = ref.sheet ? links_.findSheet(*ref.sheet).value_or(own) : own;
            putU8(out(), withClass(ref.last ? ptg::AreaErr3d : ptg::RefErr3d, cls));
            putU16(out(), links_.externSheet(sheet, sheet));
            out().insert(out().end(), ref.last ? 8 : 4, 0);
            return;
        }
        if (ref.invalid) {
            // Excel ignores what follows; readers that show the deleted
            // reference take its relative flags from it.
            std::uint16_t column = static_cast<std::uint16_t>(0x00FF | (ref.first.columnAbsolute ? 0 : 0x4000) |
                                                              (ref.first.rowAbsolute ? 0 : 0x8000));
            putU8(out(), withClass(ref.last ? ptg::AreaErr : ptg::RefErr, cls));
            putU16(out(), 0xFFFF);
            if (ref.last)
                putU16(out(), 0xFFFF);
            putU16(out(), column);
            if (ref.last)
                putU16(out(), column);
            return;
        }
        if (place_ == FormulaPlace::Condition) {
            const bool ownSheet = !ref.document && (!ref.sheet || sheetIndex(*ref.sheet) == sheet_) &&
                                  (!ref.lastSheet || sheetIndex(*ref.lastSheet) == sheet_);
            if (!ownSheet)
                throw FormulaError("refers to another sheet, which a conditional format of Excel 97 cannot");
        }
        const bool offsets = place_ == FormulaPlace::Condition;
        bool threeD = !offsets && (ref.sheet || ref.lastSheet || place_ == FormulaPlace::Name);
        std::uint16_t externSheet = 0;
        if (ref.document) {
            externSheet = links_.externalSheet(*ref.document, ref.sheet.value(), ref.lastSheet.value_or(*ref.sheet));
        } else if (threeD) {
            std::uint32_t own = base_.sheet.value_or(sheet_ == kWorkbookScope ? 0 : sheet_);
            std::uint32_t first = ref.sheet ? sheetIndex(*ref.sheet) : own;
            std::uint32_t last = ref.lastSheet ? sheetIndex(*ref.lastSheet) : first;
            externSheet = links_.externSheet(first, last);
        }
        if (!ref.last) {
            Corner c = relativeToBase(
                corner(ref.first.row, ref.first.rowAbsolute, ref.first.column, ref.first.columnAbsolute));
            putU8(out(), withClass(threeD ? ptg::Ref3d : offsets ? ptg::RefN : ptg::Ref, cls));
            if (threeD)
                putU16(out(), externSheet);
            putU16(out(), c.row);
            putU16(out(), c.column);
            return;
        }
        CellPoint a = ref.first, b = *ref.last;
        // Whole columns or rows: no rows (columns) given, or all of them in
        // the larger grids of the office suites that write OpenDocument.
        auto allRows = [](const CellPoint& p, const CellPoint& q) {
            return !p.row || !q.row || (*p.row == 0 && *q.row == kLargeGridLastRow);
        };
        auto allColumns = [](const CellPoint& p, const CellPoint& q) {
            return !p.column || !q.column ||
                   (*p.column == 0 && (*q.column == kLargeGridLastColumn || *q.column == kWideGridLastColumn));
        };
        if (allRows(a, b)) {
            a.row = 0, b.row = kExcelRows - 1;
            a.rowAbsolute = b.rowAbsolute = true;
        }
        if (allColumns(a, b)) {
            a.column = 0, b.column = kExcelColumns - 1;
            a.columnAbsolute = b.columnAbsolute = true;
        }
        if (a.row.value() > b.row.value())
            std::swap(a.row, b.row), std::swap(a.rowAbsolute, b.rowAbsolute);
        if (a.column.value() > b.column.value())
            std::swap(a.column, b.column), std::swap(a.columnAbsolute, b.columnAbsolute);
        Corner first = relativeToBase(corner(a.row, a.rowAbsolute, a.column, a.columnAbsolute));
        Corner last = relativeToBase(corner(b.row, b.rowAbsolute, b.column, b.columnAbsolute));
        putU8(out(), withClass(threeD ? ptg::Area3d : offsets ? ptg::AreaN : ptg::Area, cls));
        if (threeD)
            putU16(out(), externSheet);
        putU16(out(), first.row);
        putU16(out(), last.row);
        putU16(out(), first.column);
        putU16(out(), last.column);
    }

    void name(const std::string& text, TokenClass cls)
    {
        if (place_ == FormulaPlace::Condition)
            throw FormulaError("uses the name '" + text + "', which a conditional format here cannot");
        auto index = links_.findName(text, sheet_);
        if (!index && place_ != FormulaPlace::Name && !links_.documentDefines(text) && isValidExcelName(text)) {
            index = links_.undefinedName(unknownName(text));
            note("uses the name '" + text + "' that the document does not define; it is written defined as #NAME?");
        }
        if (!index)
            throw FormulaError("uses the name '" + text + "' that Excel 97 does not know");
        putU8(out(), withClass(ptg::Name, cls));
        putU16(out(), *index);
        putU16(out(), 0);
    }

    void array(const Node& n, TokenClass expected)
    {
        std::size_t columns = n.rows.front().size(), rows = n.rows.size();
        if (columns > kExcelColumns || rows > kExcelRows)
            throw FormulaError("an inline array is larger than Excel 97 allows");
        TokenClass cls = expected == TokenClass::Value && place_ != FormulaPlace::ArrayCell ? TokenClass::Value
                                                                                              : TokenClass::Array;
        putU8(out(), withClass(ptg::Array, cls));
        out().insert(out().end(), 7, 0);
        Bytes& data = result_.extra;
        putU8(data, static_cast<std::uint8_t>(columns - 1));
        putU16(data, static_cast<std::uint16_t>(rows - 1));
        for (const auto& row : n.rows) {
            for (const auto& element : row) {
                if (auto number = std::get_if<double>(&element.value)) {
                    putU8(data, 0x01);
                    putF64(data, *number);
                } else if (auto text = std::get_if<std::string>(&element.value)) {
                    putU8(data, 0x02);
                    putString16(data, shortString(*text));
                } else if (auto boolean = std::get_if<bool>(&element.value)) {
                    putU8(data, 0x04);
                    putU8(data, *boolean ? 1 : 0);
                    data.insert(data.end(), 7, 0);
                } else {
                    putU8(data, 0x10);
                    putU8(data, static_cast<std::uint8_t>(std::get<ErrorCode>(element.value)));
                    data.insert(data.end(), 7, 0);
                }
            }
        }
    }

    // A union as an argument keeps parentheses of its own: without them it
    // would read as two arguments.
    // The union is announced as a reference subexpression (tMemFunc with its
    // size), as Excel writes it.
    void argument(const Node& n, TokenClass cls, int nesting)
    {
        if (!(n.kind == NodeKind::Binary && n.text == "~")) {
            node(n, cls, nesting);
            return;
        }
        putU8(out(), ptg::MemFunc);
        std::size_t size = out().size();
        putU16(out(), 0);
        node(n, cls, nesting);
        patchU16(out(), size, static_cast<std::uint16_t>(out().size() - (size + 2)));
        putU8(out(), ptg::Paren);
    }

    TokenClass argumentClass(char wanted, TokenClass call)
    {
        switch (wanted) {
        case 'R': return TokenClass::Reference;
        case 'A': return TokenClass::Array;
        case 'P': return call;
        default: return valueClass(call);
        }
    }

    // A name that neither Excel nor the document knows, in lower case as
    // LibreOffice shows such names (and Excel ignores case in them).
    static std::string unknownName(std::string name)
    {
        for (char& c : name)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return name;
    }

    // A function Excel 97 lacks, called through a hidden function name as
    // later versions of Excel call theirs ("_xlfn.IFERROR") and as calls of
    // user-defined functions are written: tName, the arguments as references,
    // tFuncVar with the add-in function number. Excel 97 shows #NAME? for it
    // when it recalculates; the cached result stays until then.
    void namedCall(const Node& n, TokenClass expected, int nesting)
    {
        std::string plain = plainFunctionName(n.text);
        std::string later = laterFunctionName(n.text);
        if (later.empty())
            return callThroughName(n, expected, nesting, unknownName(plain),
                                   "function " + plain + " is not known to Excel: written as a call of a user-defined function");
        callThroughName(n, expected, nesting, later, laterNote(later));
    }

    static std::string laterNote(const std::string& later)
    {
        return "function " + later.substr(later.find('.') + 1) +
               " is not available in Excel 97: written as later versions of Excel write it";
    }

    // `order` lists the arguments in the order the called function takes them.
    void callThroughName(const Node& n, TokenClass expected, int nesting, const std::string& callName, std::string note,
                         std::vector<std::size_t> order = {})
    {
        std::string plain = plainFunctionName(n.text);
        if (!isValidExcelName(callName))
            throw FormulaError("function " + plain + " is not available in Excel 97");
        std::size_t argc = n.children.size();
        if (argc > kMaxNamedCallArguments)
            throw FormulaError("function " + plain + " is given more arguments than Excel 97 passes");
        if (nesting > kMaxFunctionNesting)
            throw FormulaError("functions are nested deeper than the seven levels Excel 97 allows");
        if (order.empty())
            for (std::size_t i = 0; i < argc; ++i)
                order.push_back(i);
        putU8(out(), withClass(ptg::Name, TokenClass::Reference));
        putU16(out(), links_.functionName(callName));
        putU16(out(), 0);
        for (std::size_t i : order)
            argument(n.children.at(i), TokenClass::Reference, nesting);
        putU8(out(), withClass(ptg::FuncVar, valueClass(expected)));
        putU8(out(), static_cast<std::uint8_t>(argc + 1));
        putU16(out(), kAddInFunction);
        this->note(std::move(note));
    }

    // OpenFormula's distributions with a switch for the cumulative form take
    // more arguments than Excel 97's functions of their names: with the
    // switch they are the later Excel functions that take it.
    bool callWithCumulativeSwitch(const Node& n, TokenClass expected, int nesting)
    {
        struct Form {
            std::string_view name;
            std::size_t argc;
            std::string_view later;
            std::vector<std::size_t> order;
        };
        static const Form kForms[] = {
            {"BETADIST", 6, "_xlfn.BETA.DIST", {0, 1, 2, 5, 3, 4}},  // the switch before the bounds
            {"HYPGEOMDIST", 5, "_xlfn.HYPGEOM.DIST", {}},
            {"LOGNORMDIST", 4, "_xlfn.LOGNORM.DIST", {}},
        };
        std::string plain = plainFunctionName(n.text);
        if (plain.size() != n.text.size())
            return false;  // COM.MICROSOFT.HYPGEOMDIST and the like are Excel's own
        for (const Form& form : kForms) {
            if (plain == form.name && n.children.size() == form.argc) {
                std::string later(form.later);
                callThroughName(n, expected, nesting, later, laterNote(later), form.order);
                return true;
            }
        }
        return false;
    }

    void note(std::string text)
    {
        if (std::find(result_.notes.begin(), result_.notes.end(), text) == result_.notes.end())
            result_.notes.push_back(std::move(text));
    }

    void function(const Node& n, TokenClass expected, int nesting)
    {
        const ExcelFunction* f = findExcelFunction(n.text);
        if (!f)
            return namedCall(n, expected, nesting);
        std::size_t argc = n.children.size();
        if (argc > f->maxArgs && callWithCumulativeSwitch(n, expected, nesting))
            return;
        if (argc < f->minArgs || argc > f->maxArgs)
            throw FormulaError("function " + std::string(f->name) + " is given " + std::to_string(argc) +
                               " arguments; Excel 97 takes " + std::to_string(f->minArgs) +
                               (f->fixedArity() ? "" : " to " + std::to_string(f->maxArgs)));
        if (nesting > kMaxFunctionNesting)
            throw FormulaError("functions are nested deeper than the seven levels Excel 97 allows");
        if (f->isVolatile)
            result_.isVolatile = true;

        TokenClass call = f->result == 'R' ? expected
                          : f->result == 'A' && expected == TokenClass::Value && place_ != FormulaPlace::ArrayCell
                              ? TokenClass::Value
                          : f->result == 'A' ? TokenClass::Array
                                             : valueClass(expected);
        if (f->isAddIn()) {
            // The add-in function is named before its arguments.
            auto [externSheet, name] = links_.addInFunction(f->name);
            putU8(out(), withClass(ptg::NameX, TokenClass::Reference));
            putU16(out(), externSheet);
            putU16(out(), name);
            putU16(out(), 0);
        }
        if (f->name == "IF")
            return conditional(n, *f, call, nesting);
        if (f->name == "CHOOSE")
            return choose(n, *f, call, nesting);
        for (std::size_t i = 0; i < argc; ++i)
            argument(n.children[i], argumentClass(f->argumentClass(i), call), nesting);
        if (f->name == "SUM" && argc == 1) {
            putAttr(attr::Sum, 0);
            return;
        }
        putCall(*f, argc, call);
    }

    void putCall(const ExcelFunction& f, std::size_t argc, TokenClass cls)
    {
        if (f.fixedArity()) {
            putU8(out(), withClass(ptg::Func, cls));
        } else {
            putU8(out(), withClass(ptg::FuncVar, cls));
            putU8(out(), static_cast<std::uint8_t>(f.isAddIn() ? argc + 1 : argc));
        }
        putU16(out(), f.index);
    }

    std::size_t putAttr(std::uint8_t kind, std::uint16_t data)
    {
        std::size_t at = out().size();
        putU8(out(), ptg::Attr);
        putU8(out(), kind);
        putU16(out(), data);
        return at;
    }

    // A skip jumps to just behind the function token; its offset counts from
    // the end of the skip and is one less than the distance.
    void patchSkip(std::size_t skipAt, std::size_t end) { patchU16(out(), skipAt + 2, static_cast<std::uint16_t>(end - (skipAt + 4) - 1)); }

    // IF: condition, tAttrIf (jumps to the else part, or to the function token
    // when there is none), then part, tAttrSkip, [else part, tAttrSkip], tFuncVar.
    void conditional(const Node& n, const ExcelFunction& f, TokenClass call, int nesting)
    {
        const auto& args = n.children;
        argument(args[0], argumentClass(f.argumentClass(0), call), nesting);
        std::size_t ifAt = putAttr(attr::If, 0);
        argument(args[1], argumentClass(f.argumentClass(1), call), nesting);
        std::size_t thenSkip = putAttr(attr::Skip, 0);
        patchU16(out(), ifAt + 2, static_cast<std::uint16_t>(out().size() - (ifAt + 4)));
        std::size_t elseSkip = thenSkip;
        if (args.size() == 3) {
            argument(args[2], argumentClass(f.argumentClass(2), call), nesting);
            elseSkip = putAttr(attr::Skip, 0);
        }
        putCall(f, args.size(), call);
        patchSkip(thenSkip, out().size());
        patchSkip(elseSkip, out().size());
    }

    // CHOOSE: index, tAttrChoose with a jump table (offsets from the table's
    // start to each choice and to the function token), each choice followed
    // by a tAttrSkip, tFuncVar.
    void choose(const Node& n, const ExcelFunction& f, TokenClass call, int nesting)
    {
        const auto& args = n.children;
        std::size_t choices = args.size() - 1;
        argument(args[0], argumentClass(f.argumentClass(0), call), nesting);
        putAttr(attr::Choose, static_cast<std::uint16_t>(choices));
        std::size_t table = out().size();
        out().insert(out().end(), 2 * (choices + 1), 0);
        std::vector<std::size_t> skips;
        for (std::size_t i = 0; i < choices; ++i) {
            patchU16(out(), table + 2 * i, static_cast<std::uint16_t>(out().size() - table));
            argument(args[i + 1], argumentClass(f.argumentClass(i + 1), call), nesting);
            skips.push_back(putAttr(attr::Skip, 0));
        }
        patchU16(out(), table + 2 * choices, static_cast<std::uint16_t>(out().size() - table));
        putCall(f, args.size(), call);
        for (std::size_t skip : skips)
            patchSkip(skip, out().size());
    }

    FormulaPlace place_;
    std::uint32_t sheet_;
    LinkTable& links_;
    NameBase base_;
    CompiledFormula result_;
};

}  // namespace

CompiledFormula compileFormula(const Node& root, FormulaPlace place, std::uint32_t sheet, LinkTable& links,
                               const NameBase& base)
{
    return Compiler(place, sheet, links, base).run(root);
}

}  // namespace brindlemoor::office::formula
