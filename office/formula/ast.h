// The parsed form of an OpenDocument formula: a tree that keeps the
// parentheses the author wrote, so the formula shows the same text again.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace brindlemoor::office::formula {

// Excel's error codes, the values of error constants and cached errors.
enum class ErrorCode : std::uint8_t {
    Null = 0x00,
    Div0 = 0x07,
    Value = 0x0F,
    Ref = 0x17,
    Name = 0x1D,
    Num = 0x24,
    NA = 0x2A,
};

// One corner of a reference. A whole column leaves `row` unset, a whole row
// leaves `column` unset.
struct CellPoint {
    std::optional<std::uint32_t> row;     // 0-based
    std::optional<std::uint32_t> column;  // 0-based
    bool rowAbsolute = false;
    bool columnAbsolute = false;
};

struct Reference {
    std::optional<std::string> sheet;      // unset: the sheet the formula stands on
    std::optional<std::string> lastSheet;  // set for a range across sheets
    CellPoint first;
    std::optional<CellPoint> last;         // set for an area
    bool invalid = false;                  // a reference the document marks #REF!
    std::optional<std::string> document;   // set when it points into another file: that file's URL
};

struct ArrayElement {
    std::variant<double, std::string, bool, ErrorCode> value;
};

enum class NodeKind : std::uint8_t {
    Number,
    String,
    Boolean,     // a bare TRUE/FALSE (TRUE() is a function call)
    Error,
    Missing,     // an empty function argument
    Reference,
    Name,        // a named range or expression
    Array,       // inline array constant
    Prefix,      // unary + or -
    Postfix,     // %
    Binary,
    Paren,
    Function,
};

struct Node {
    NodeKind kind = NodeKind::Missing;
    double number = 0;
    bool boolean = false;
    ErrorCode error = ErrorCode::NA;
    std::string text;  // string constant, name, function name or operator
    Reference reference;
    std::vector<std::vector<ArrayElement>> rows;  // Array
    std::vector<Node> children;                   // operands or arguments
};

}  // namespace brindlemoor::office::formula
