#include "office/formula/parser.h"

#include "office/formula/formula_error.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <string>

namespace brindlemoor::office::formula {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
// Letters of other scripts arrive as UTF-8 bytes >= 0x80 and may stand in names.
bool isNameChar(char c)
{
    return isLetter(c) || isDigit(c) || c == '_' || c == '.' || c == '\\' || c == '?' ||
           static_cast<unsigned char>(c) >= 0x80;
}

constexpr std::array<std::pair<std::string_view, ErrorCode>, 7> kErrors{{
    {"#NULL!", ErrorCode::Null},
    {"#DIV/0!", ErrorCode::Div0},
    {"#VALUE!", ErrorCode::Value},
    {"#REF!", ErrorCode::Ref},
    {"#NAME?", ErrorCode::Name},
    {"#NUM!", ErrorCode::Num},
    {"#N/A", ErrorCode::NA},
}};

bool startsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(text[i])) !=
            std::toupper(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

bool equalsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && startsWithNoCase(a, b);
}

// Far beyond what fits in Excel 97's token limit; keeps hostile input cheap.
constexpr std::size_t kMaxFormulaLength = 16384;

[[noreturn]] void fail(const std::string& what) { throw FormulaError(what); }

// ---- references: the text between '[' and ']' ----

class ReferenceReader {
public:
    explicit ReferenceReader(std::string_view text) : text_(text) {}

    Reference read()
    {
        Reference ref;
        if (text_.find("#REF!") != std::string_view::npos) {
            ref.invalid = true;
            // What is left of the reference's flags: LibreOffice counts the
            // deleted row as absolute and keeps the column's '$'.
            std::size_t at = text_.find("#REF!");
            ref.first.columnAbsolute = at > 0 && text_[at - 1] == '$';
            ref.first.rowAbsolute = true;
            if (text_.find(':') != std::string_view::npos)
                ref.last = ref.first;
            // The sheet may still be known: "$Sheet1.#REF!".
            try {
                if (!text_.starts_with("#") && !text_.starts_with("$#") && readDocumentPart() == std::nullopt)
                    ref.sheet = readSheetPart();
            } catch (const FormulaError&) {
                ref.sheet.reset();
            }
            return ref;
        }
        ref.document = readDocumentPart();
        ref.sheet = readSheetPart();
        if (ref.document && !ref.sheet)
            fail("no sheet named in the link [" + std::string(text_) + "]");
        ref.first = readPoint();
        if (pos_ < text_.size() && text_[pos_] == ':') {
            ++pos_;
            auto document = readDocumentPart();
            if (document && document != ref.document)
                fail("a range across files in [" + std::string(text_) + "]");
            auto sheet = readSheetPart();
            if (sheet && (!ref.sheet || *sheet != *ref.sheet))
                ref.lastSheet = sheet;
            ref.last = readPoint();
        }
        if (pos_ != text_.size())
            fail("cannot read the reference [" + std::string(text_) + "]");
        bool firstIsColumn = !ref.first.row, firstIsRow = !ref.first.column;
        if (!ref.last && (firstIsColumn || firstIsRow))
            fail("cannot read the reference [" + std::string(text_) + "]");
        if (ref.last && (firstIsColumn != !ref.last->row || firstIsRow != !ref.last->column))
            fail("cannot read the reference [" + std::string(text_) + "]");
        return ref;
    }

private:
    // A source document other than this one: 'file:///x.ods'#$Sheet1.A1.
    // Returns its URL and leaves the position behind the '#'.
    std::optional<std::string> readDocumentPart()
    {
        if (pos_ >= text_.size() || text_[pos_] != '\'')
            return std::nullopt;
        std::string url;
        for (std::size_t i = pos_ + 1; i < text_.size(); ++i) {
            if (text_[i] != '\'') {
                url += text_[i];
                continue;
            }
            if (i + 1 < text_.size() && text_[i + 1] == '\'') {
                url += '\'';
                ++i;
                continue;
            }
            if (i + 1 < text_.size() && text_[i + 1] == '#') {
                pos_ = i + 2;
                return url;
            }
            return std::nullopt;  // a quoted sheet name
        }
        return std::nullopt;
    }

    // Optional "$Sheet" or "'my sheet'" followed by the '.' that every
    // reference part starts with.
    std::optional<std::string> readSheetPart()
    {
        std::optional<std::string> sheet;
        if (pos_ < text_.size() && text_[pos_] == '$')
            ++pos_;
        if (pos_ < text_.size() && text_[pos_] == '\'') {
            std::string name;
            ++pos_;
            for (;;) {
                if (pos_ >= text_.size())
                    fail("unterminated sheet name in [" + std::string(text_) + "]");
                char c = text_[pos_++];
                if (c == '\'') {
                    if (pos_ < text_.size() && text_[pos_] == '\'') {
                        name += '\'';
                        ++pos_;
                        continue;
                    }
                    break;
                }
                name += c;
            }
            sheet = std::move(name);
        } else {
            std::size_t dot = text_.find('.', pos_);
            if (dot == std::string_view::npos)
                fail("cannot read the reference [" + std::string(text_) + "]");
            if (dot > pos_)
                sheet = std::string(text_.substr(pos_, dot - pos_));
            pos_ = dot;
        }
        if (pos_ >= text_.size() || text_[pos_] != '.')
            fail("cannot read the reference [" + std::string(text_) + "]");
        ++pos_;
        return sheet;
    }

    CellPoint readPoint()
    {
        CellPoint point;
        bool absolute = pos_ < text_.size() && text_[pos_] == '$';
        std::size_t start = pos_ + (absolute ? 1 : 0);
        std::size_t end = start;
        while (end < text_.size() && isLetter(text_[end]))
            ++end;
        if (end > start) {
            auto column = columnFromLettersAnyWidth(text_.substr(start, end - start));
            if (!column)
                fail("column out of range in [" + std::string(text_) + "]");
            point.column = *column;
            point.columnAbsolute = absolute;
            pos_ = end;
            absolute = pos_ < text_.size() && text_[pos_] == '$';
            start = pos_ + (absolute ? 1 : 0);
        }
        end = start;
        while (end < text_.size() && isDigit(text_[end]))
            ++end;
        if (end > start) {
            std::uint64_t row = 0;
            auto [ptr, ec] = std::from_chars(text_.data() + start, text_.data() + end, row);
            if (ec != std::errc{} || ptr != text_.data() + end || row == 0 || row > 0xFFFFFFFFu)
                fail("row out of range in [" + std::string(text_) + "]");
            point.row = static_cast<std::uint32_t>(row - 1);
            point.rowAbsolute = absolute;
            pos_ = end;
        }
        if (!point.row && !point.column)
            fail("cannot read the reference [" + std::string(text_) + "]");
        return point;
    }

    // Columns of larger sheets than Excel's (up to XFD) still parse, so the
    // compiler can say the reference is out of Excel's range.
    static std::optional<std::uint32_t> columnFromLettersAnyWidth(std::string_view letters)
    {
        if (letters.empty() || letters.size() > 3)
            return std::nullopt;
        std::uint32_t value = 0;
        for (char c : letters)
            value = value * 26 + static_cast<std::uint32_t>(std::toupper(static_cast<unsigned char>(c)) - 'A' + 1);
        return value - 1;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

// ---- tokens ----

enum class TokenKind {
    End, Number, String, Reference, Identifier, Error, Operator,
    LeftParen, RightParen, Separator, LeftBrace, RightBrace, RowSeparator,
};

struct Token {
    TokenKind kind = TokenKind::End;
    std::string text;
    double number = 0;
    ErrorCode error = ErrorCode::NA;
};

class Lexer {
public:
    explicit Lexer(std::string_view text) : text_(text) {}

    Token next()
    {
        while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_])))
            ++pos_;
        if (pos_ >= text_.size())
            return {};
        char c = text_[pos_];
        if (isDigit(c) || (c == '.' && pos_ + 1 < text_.size() && isDigit(text_[pos_ + 1])))
            return number();
        if (c == '"')
            return string();
        if (c == '[')
            return reference();
        if (c == '#')
            return error();
        if (isNameChar(c) || c == '$' || c == '\'')
            return identifier();
        ++pos_;
        switch (c) {
        case '(': return {TokenKind::LeftParen, "("};
        case ')': return {TokenKind::RightParen, ")"};
        case ';': return {TokenKind::Separator, ";"};
        case '{': return {TokenKind::LeftBrace, "{"};
        case '}': return {TokenKind::RightBrace, "}"};
        case '|': return {TokenKind::RowSeparator, "|"};
        case '<':
            if (pos_ < text_.size() && (text_[pos_] == '=' || text_[pos_] == '>'))
                return {TokenKind::Operator, std::string{c, text_[pos_++]}};
            return {TokenKind::Operator, "<"};
        case '>':
            if (pos_ < text_.size() && text_[pos_] == '=')
                return {TokenKind::Operator, std::string{c, text_[pos_++]}};
            return {TokenKind::Operator, ">"};
        case '+': case '-': case '*': case '/': case '^': case '&': case '=':
        case '%': case '!': case '~': case ':':
            return {TokenKind::Operator, std::string(1, c)};
        default:
            fail(std::string("unexpected character '") + c + "'");
        }
    }

private:
    Token number()
    {
        std::size_t start = pos_;
        while (pos_ < text_.size() && (isDigit(text_[pos_]) || text_[pos_] == '.'))
            ++pos_;
        if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
            std::size_t exp = pos_ + 1;
            if (exp < text_.size() && (text_[exp] == '+' || text_[exp] == '-'))
                ++exp;
            if (exp < text_.size() && isDigit(text_[exp])) {
                pos_ = exp;
                while (pos_ < text_.size() && isDigit(text_[pos_]))
                    ++pos_;
            }
        }
        std::string literal(text_.substr(start, pos_ - start));
        Token token{TokenKind::Number, literal};
        char* end = nullptr;
        token.number = std::strtod(literal.c_str(), &end);
        if (end != literal.c_str() + literal.size())
            fail("cannot read the number " + literal);
        return token;
    }

    Token string()
    {
        std::string value;
        ++pos_;
        for (;;) {
            if (pos_ >= text_.size())
                fail("unterminated string");
            char c = text_[pos_++];
            if (c == '"') {
                if (pos_ < text_.size() && text_[pos_] == '"') {
                    value += '"';
                    ++pos_;
                    continue;
                }
                return {TokenKind::String, value};
            }
            value += c;
        }
    }

    Token reference()
    {
        std::size_t start = ++pos_;
        bool quoted = false;
        while (pos_ < text_.size() && (quoted || text_[pos_] != ']')) {
            if (text_[pos_] == '\'')
                quoted = !quoted;  // a doubled quote toggles twice
            ++pos_;
        }
        if (pos_ >= text_.size())
            fail("unterminated reference");
        Token token{TokenKind::Reference, std::string(text_.substr(start, pos_ - start))};
        ++pos_;
        return token;
    }

    Token error()
    {
        for (const auto& [name, code] : kErrors) {
            if (startsWithNoCase(text_.substr(pos_), name)) {
                pos_ += name.size();
                Token token{TokenKind::Error, std::string(name)};
                token.error = code;
                return token;
            }
        }
        fail("unknown error constant");
    }

    Token identifier()
    {
        std::size_t start = pos_;
        // "$$Name" and "$Name" are how some documents write names.
        while (pos_ < text_.size() && text_[pos_] == '$')
            ++pos_;
        if (pos_ < text_.size() && text_[pos_] == '\'')
            fail("quoted names are not supported");
        std::size_t nameStart = pos_;
        while (pos_ < text_.size() && isNameChar(text_[pos_]))
            ++pos_;
        if (pos_ == nameStart)
            fail("unexpected character '" + std::string(text_.substr(start, 1)) + "'");
        return {TokenKind::Identifier, std::string(text_.substr(nameStart, pos_ - nameStart))};
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

// ---- expressions, lowest precedence first ----

class Parser {
public:
    explicit Parser(std::string_view text) : lexer_(text) { advance(); }

    Node parseAll()
    {
        Node root = comparison();
        if (token_.kind != TokenKind::End)
            fail("unexpected '" + token_.text + "'");
        return root;
    }

private:
    void advance() { token_ = lexer_.next(); }

    bool atOperator(std::initializer_list<std::string_view> ops) const
    {
        if (token_.kind != TokenKind::Operator)
            return false;
        for (auto op : ops)
            if (token_.text == op)
                return true;
        return false;
    }

    static Node binary(std::string op, Node left, Node right)
    {
        Node node;
        node.kind = NodeKind::Binary;
        node.text = std::move(op);
        node.children.push_back(std::move(left));
        node.children.push_back(std::move(right));
        return node;
    }

    template <typename Next>
    Node leftAssociative(std::initializer_list<std::string_view> ops, Next next)
    {
        Node left = (this->*next)();
        while (atOperator(ops)) {
            std::string op = token_.text;
            advance();
            left = binary(op, std::move(left), (this->*next)());
        }
        return left;
    }

    Node comparison() { return leftAssociative({"=", "<>", "<", "<=", ">", ">="}, &Parser::concatenation); }
    Node concatenation() { return leftAssociative({"&"}, &Parser::additive); }
    Node additive() { return leftAssociative({"+", "-"}, &Parser::multiplicative); }
    Node multiplicative() { return leftAssociative({"*", "/"}, &Parser::power); }
    Node power() { return leftAssociative({"^"}, &Parser::prefix); }

    // Sign binds tighter than '^': -2^2 is 4.
    Node prefix()
    {
        if (atOperator({"-", "+"})) {
            if (++depth_ > kMaxDepth)
                fail("the formula is nested too deeply");
            Node node;
            node.kind = NodeKind::Prefix;
            node.text = token_.text;
            advance();
            node.children.push_back(prefix());
            --depth_;
            return node;
        }
        return postfix();
    }

    Node postfix()
    {
        Node node = unionOf();
        while (atOperator({"%"})) {
            advance();
            Node percent;
            percent.kind = NodeKind::Postfix;
            percent.text = "%";
            percent.children.push_back(std::move(node));
            node = std::move(percent);
        }
        return node;
    }

    Node unionOf() { return leftAssociative({"~"}, &Parser::intersection); }
    Node intersection() { return leftAssociative({"!"}, &Parser::range); }
    Node range() { return leftAssociative({":"}, &Parser::primary); }

    Node primary()
    {
        if (++depth_ > kMaxDepth)
            fail("the formula is nested too deeply");
        Node node = primaryUnguarded();
        --depth_;
        return node;
    }

    Node primaryUnguarded()
    {
        Node node;
        switch (token_.kind) {
        case TokenKind::Number:
            node.kind = NodeKind::Number;
            node.number = token_.number;
            advance();
            return node;
        case TokenKind::String:
            node.kind = NodeKind::String;
            node.text = token_.text;
            advance();
            return node;
        case TokenKind::Error:
            node.kind = NodeKind::Error;
            node.error = token_.error;
            advance();
            return node;
        case TokenKind::Reference:
            node.kind = NodeKind::Reference;
            node.reference = ReferenceReader(token_.text).read();
            advance();
            return node;
        case TokenKind::LeftParen: {
            advance();
            node.kind = NodeKind::Paren;
            node.children.push_back(comparison());
            expect(TokenKind::RightParen, ")");
            return node;
        }
        case TokenKind::LeftBrace:
            return array();
        case TokenKind::Identifier: {
            std::string name = token_.text;
            advance();
            if (token_.kind == TokenKind::LeftParen)
                return call(std::move(name));
            if (equalsNoCase(name, "TRUE") || equalsNoCase(name, "FALSE")) {
                node.kind = NodeKind::Boolean;
                node.boolean = equalsNoCase(name, "TRUE");
                return node;
            }
            node.kind = NodeKind::Name;
            node.text = std::move(name);
            return node;
        }
        case TokenKind::End:
            fail("the formula ends too early");
        default:
            fail("unexpected '" + token_.text + "'");
        }
    }

    Node call(std::string name)
    {
        Node node;
        node.kind = NodeKind::Function;
        node.text = std::move(name);
        advance();  // '('
        if (token_.kind == TokenKind::RightParen) {
            advance();
            return node;
        }
        for (;;) {
            if (token_.kind == TokenKind::Separator || token_.kind == TokenKind::RightParen)
                node.children.push_back(Node{});  // missing argument
            else
                node.children.push_back(comparison());
            if (token_.kind == TokenKind::Separator) {
                advance();
                continue;
            }
            expect(TokenKind::RightParen, ")");
            return node;
        }
    }

    Node array()
    {
        Node node;
        node.kind = NodeKind::Array;
        advance();  // '{'
        node.rows.emplace_back();
        for (;;) {
            node.rows.back().push_back(arrayElement());
            if (token_.kind == TokenKind::Separator) {
                advance();
            } else if (token_.kind == TokenKind::RowSeparator) {
                advance();
                node.rows.emplace_back();
            } else {
                expect(TokenKind::RightBrace, "}");
                break;
            }
        }
        for (const auto& row : node.rows)
            if (row.size() != node.rows.front().size())
                fail("the rows of an inline array differ in length");
        return node;
    }

    ArrayElement arrayElement()
    {
        bool negative = false;
        if (atOperator({"-", "+"})) {
            negative = token_.text == "-";
            advance();
            if (token_.kind != TokenKind::Number)
                fail("a sign in an inline array must precede a number");
        }
        ArrayElement element;
        switch (token_.kind) {
        case TokenKind::Number:
            element.value = negative ? -token_.number : token_.number;
            break;
        case TokenKind::String:
            element.value = token_.text;
            break;
        case TokenKind::Error:
            element.value = token_.error;
            break;
        case TokenKind::Identifier:
            if (equalsNoCase(token_.text, "TRUE") || equalsNoCase(token_.text, "FALSE")) {
                element.value = equalsNoCase(token_.text, "TRUE");
                break;
            }
            [[fallthrough]];
        default:
            fail("an inline array holds only constants");
        }
        advance();
        return element;
    }

    void expect(TokenKind kind, const char* what)
    {
        if (token_.kind != kind)
            fail(std::string("expected '") + what + "'");
        advance();
    }

    static constexpr int kMaxDepth = 200;  // guards the stack against hostile input
    Lexer lexer_;
    Token token_;
    int depth_ = 0;
};

}  // namespace

Node parseExpression(std::string_view text)
{
    if (text.size() > kMaxFormulaLength)
        fail("the formula is longer than Excel 97 allows");
    return Parser(text).parseAll();
}

namespace {

// Before OpenFormula, FDIST and FINV were the right-tailed functions that
// OpenFormula calls LEGACY.FDIST and LEGACY.FINV.
void nameLegacyFunctions(Node& node)
{
    if (node.kind == NodeKind::Function && (equalsNoCase(node.text, "FDIST") || equalsNoCase(node.text, "FINV")))
        node.text = "LEGACY." + node.text;
    for (Node& child : node.children)
        nameLegacyFunctions(child);
}

}  // namespace

Node parseFormula(std::string_view text)
{
    bool openFormula = startsWithNoCase(text, "of:");
    for (std::string_view prefix : {"of:", "oooc:"}) {
        if (startsWithNoCase(text, prefix)) {
            text.remove_prefix(prefix.size());
            break;
        }
    }
    if (text.empty() || text.front() != '=')
        fail("unknown formula syntax");
    text.remove_prefix(1);
    Node root = parseExpression(text);
    if (!openFormula)
        nameLegacyFunctions(root);
    return root;
}

}  // namespace brindlemoor::office::formula
