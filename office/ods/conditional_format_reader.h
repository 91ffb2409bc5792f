// Conditional formats of one table, in both forms a document may hold them:
// conditions (style:map) of cell styles, which apply wherever a cell has the
// style, and the table's own list (calcext:conditional-formats) with its
// ranges. What Excel 97 cannot show is counted by reason for the warnings.
#pragma once

#include "office/model/conversion_error.h"
#include "office/model/workbook.h"
#include "office/ods/style_sheet.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace brindlemoor::office::ods {

class XmlReader;

// Excel 97 keeps up to three rules per format.
constexpr std::size_t kMaxConditionalRules = 3;

class ConditionalFormatReader {
public:
    explicit ConditionalFormatReader(const StyleSheet& styles) : styles_(styles) {}

    // A run of cells (`rows` x `columns` from `row`, `column`) whose style
    // has conditions; runs are joined into ranges.
    void addStyledRun(std::string_view styleName, RowIndex row, std::uint32_t rows, ColumnIndex column,
                      std::uint32_t columns);

    // Reads the calcext:conditional-formats element the reader stands on.
    // When a table has this list, it holds every conditional format of the
    // table and the styles' conditions are its older copy.
    void readFormats(XmlReader& xml);

    // Moves what can be kept into `sheet` and lists the rest in `warnings`.
    void finish(Sheet& sheet, Warnings& warnings);

private:
    std::optional<ConditionalRule> ruleFromStyle(const StyleCondition& condition, const CellRange& topLeft);
    void readFormat(XmlReader& xml);
    void keep(std::vector<CellRange> ranges, std::vector<ConditionalRule> rules);
    DifferentialFormat differentialFormat(std::string_view styleName) const;
    void lose(const std::string& reason, int count = 1) { lost_[reason] += count; }

    const StyleSheet& styles_;
    std::unordered_map<std::string, std::vector<CellRange>> styledRuns_;
    std::vector<std::string> styleOrder_;  // styles in the order first met, for a stable output
    bool hasList_ = false;
    std::vector<ConditionalFormat> formats_;
    std::map<std::string, int> lost_;  // reason -> rules
};

// The cell ranges of an address list such as "Sheet1.A1:Sheet1.B5 Sheet1.D2"
// or "'My sheet'.$A$1:.$C$3"; unset when any of them is not a cell range.
std::optional<std::vector<CellRange>> parseRangeList(std::string_view text);

// Joins runs of cells into fewer ranges: neighbours in a row, then equal
// column spans in consecutive rows.
std::vector<CellRange> joinRuns(std::vector<CellRange> runs);

}  // namespace brindlemoor::office::ods
