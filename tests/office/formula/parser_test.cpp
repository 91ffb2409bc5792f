#include "office/formula/formula_error.h"
#include "office/formula/parser.h"

#include <gtest/gtest.h>

namespace brindlemoor::office::formula {
namespace {

// A compact rendering of the tree: operators in prefix form, references as
// "[sheet!col,row]" with '$' for absolute parts.
std::string show(const Node& n)
{
    auto point = [](const CellPoint& p) {
        std::string s;
        if (p.column)
            s += (p.columnAbsolute ? "$" : "") + std::to_string(*p.column);
        s += ",";
        if (p.row)
            s += (p.rowAbsolute ? "$" : "") + std::to_string(*p.row);
        return s;
    };
    switch (n.kind) {
    case NodeKind::Number: {
        std::string s = std::to_string(n.number);
        s.erase(s.find_last_not_of('0') + 1);
        if (s.back() == '.')
            s.pop_back();
        return s;
    }
    case NodeKind::String: return "\"" + n.text + "\"";
    case NodeKind::Boolean: return n.boolean ? "TRUE" : "FALSE";
    case NodeKind::Error: return "#" + std::to_string(static_cast<int>(n.error));
    case NodeKind::Missing: return "_";
    case NodeKind::Name: return "name:" + n.text;
    case NodeKind::Array: return "{" + std::to_string(n.rows.size()) + "x" + std::to_string(n.rows[0].size()) + "}";
    case NodeKind::Reference: {
        const Reference& r = n.reference;
        if (r.invalid)
            return r.last ? "[#REF!:]" : "[#REF!]";
        std::string s = "[";
        if (r.document)
            s += "<" + *r.document + ">";
        if (r.sheet)
            s += *r.sheet + (r.lastSheet ? ":" + *r.lastSheet : "") + "!";
        s += point(r.first);
        if (r.last)
            s += ":" + point(*r.last);
        return s + "]";
    }
    default: {
        std::string s = "(" + (n.kind == NodeKind::Paren ? std::string("()") : n.text);
        if (n.kind == NodeKind::Prefix)
            s += "u";
        for (const auto& c : n.children)
            s += " " + show(c);
        return s + ")";
    }
    }
}

std::string parsed(const char* text) { return show(parseFormula(text)); }

TEST(Parser, OperatorPrecedence)
{
    EXPECT_EQ(parsed("of:=1+2*3-4"), "(- (+ 1 (* 2 3)) 4)");
    EXPECT_EQ(parsed("of:=-2^2"), "(^ (-u 2) 2)");
    EXPECT_EQ(parsed("of:=2^3^2"), "(^ (^ 2 3) 2)");
    EXPECT_EQ(parsed("of:=-5%"), "(-u (% 5))");
    EXPECT_EQ(parsed("of:=1&2=3&4"), "(= (& 1 2) (& 3 4))");
    EXPECT_EQ(parsed("of:=1+2<3*4"), "(< (+ 1 2) (* 3 4))");
    // Reference operators bind tightest: range, then intersection, then union.
    EXPECT_EQ(parsed("of:=[.A1]~[.B1]![.C1]:[.D1]"), "(~ [0,0] (! [1,0] (: [2,0] [3,0])))");
    EXPECT_EQ(parsed("of:=(1+2)*3"), "(* (() (+ 1 2)) 3)");
}

TEST(Parser, References)
{
    EXPECT_EQ(parsed("of:=[.A1]"), "[0,0]");
    EXPECT_EQ(parsed("of:=[.$B$3:.C$4]"), "[$1,$2:2,$3]");
    EXPECT_EQ(parsed("of:=[$Sheet2.$A$1]"), "[Sheet2!$0,$0]");
    EXPECT_EQ(parsed("of:=['my ''q'' sheet'.A1:.C9]"), "[my 'q' sheet!0,0:2,8]");
    EXPECT_EQ(parsed("of:=[$'a.b'.A1]"), "[a.b!0,0]");
    EXPECT_EQ(parsed("of:=[.A:.$C]"), "[0,:$2,]");
    EXPECT_EQ(parsed("of:=[.1:.$3]"), "[,0:,$2]");
    EXPECT_EQ(parsed("of:=[$S1.A1:$S3.B2]"), "[S1:S3!0,0:1,1]");
    EXPECT_EQ(parsed("of:=[$S1.A1:$S1.B2]"), "[S1!0,0:1,1]");
    EXPECT_EQ(parsed("of:=[.#REF!]"), "[#REF!]");
    EXPECT_EQ(parsed("of:=[$#REF!.A1:.B2]"), "[#REF!:]");
    EXPECT_EQ(parsed("of:=['file:///x.ods'#$Sheet1.A1]"), "[<file:///x.ods>Sheet1!0,0]");
    EXPECT_EQ(parsed("of:=['file:///a''s b.ods'#$'Q 1'.$A$1:.B4]"), "[<file:///a's b.ods>Q 1!$0,$0:1,3]");
    EXPECT_EQ(parsed("of:=['file:///x.ods'#$S1.A1:'file:///x.ods'#$S1.B2]"), "[<file:///x.ods>S1!0,0:1,1]");
    EXPECT_THROW(parsed("of:=['file:///x.ods'#$S1.A1:'file:///y.ods'#$S1.B2]"), FormulaError);
    EXPECT_THROW(parsed("of:=['file:///x.ods'#.A1]"), FormulaError);
    EXPECT_EQ(parsed("of:=[.XFD1048576]"), "[16383,1048575]");
}

TEST(Parser, ConstantsAndCalls)
{
    EXPECT_EQ(parsed("of:=\"a\"\"b\""), "\"a\"b\"");
    EXPECT_EQ(parsed("of:=1.5E3+.5"), "(+ 1500 0.5)");
    EXPECT_EQ(parsed("of:=#DIV/0!"), "#7");
    EXPECT_EQ(parsed("of:=TRUE()"), "(TRUE)");
    EXPECT_EQ(parsed("oooc:=false"), "FALSE");
    EXPECT_EQ(parsed("of:={1;2;3|4;5;6}"), "{2x3}");
    EXPECT_EQ(parsed("of:={-1;\"x\"|TRUE;#N/A}"), "{2x2}");
    EXPECT_EQ(parsed("of:=IF(;1;)"), "(IF _ 1 _)");
    EXPECT_EQ(parsed("of:=COM.MICROSOFT.CEILING( [.A1] ; 2 )"), "(COM.MICROSOFT.CEILING [0,0] 2)");
    EXPECT_EQ(parsed("of:=Tax_Rate*2"), "(* name:Tax_Rate 2)");
    EXPECT_EQ(parsed("=SUM([.A1:.A3])"), "(SUM [0,0:0,2])");
}

TEST(Parser, RejectsWhatItCannotRead)
{
    const char* bad[] = {
        "SUM(1)",          // no '='
        "msoxl:=A1",       // another syntax
        "of:=\"open",      // unterminated string
        "of:=[.A1",        // unterminated reference
        "of:=(1+2",        // unbalanced
        "of:=1+",          // ends early
        "of:=SUM(1;2",     // unclosed call
        "of:={1;2|3}",     // ragged array
        "of:={[.A1]}",     // array of a reference
        "of:=[.A0]",       // row zero
        "of:=[.A:.3]",     // column with row
        "of:=[.A]",        // lone column
        "of:=1 2",         // two operands
        "of:=#WHAT?",
        "of:=@",
    };
    for (const char* text : bad)
        EXPECT_THROW(parseFormula(text), FormulaError) << text;
}

TEST(Parser, SurvivesHostileNesting)
{
    std::string deep = "of:=" + std::string(100000, '(') + "1" + std::string(100000, ')');
    EXPECT_THROW(parseFormula(deep), FormulaError);
    std::string signs = "of:=" + std::string(5000, '-') + "1";
    EXPECT_THROW(parseFormula(signs), FormulaError);
}

}  // namespace
}  // namespace brindlemoor::office::formula
