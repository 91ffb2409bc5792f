// Cells typed as numbers, dates, times or booleans whose value is missing or
// does not parse ("INVALID_DATE"). Office suites read such a cell as 0 in
// its format, so that is what a user who opens the document sees; we write
// the same, and the warnings name every such cell with what it held.
#pragma once

#include "office/model/conversion_error.h"
#include "office/model/workbook.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brindlemoor::office::ods {

class UnreadValues {
public:
    // `type` is the cell's value type ("date"); `stored` the value
    // attribute, or nullptr when the attribute is missing; `shown` the
    // cell's text. `cells` counts repeated cells.
    void add(std::string_view type, const std::string_view* stored, std::string_view shown, RowIndex row,
             ColumnIndex column, std::uint64_t cells);

    // One line per sheet: the cell itself when there is one, else the count
    // and the first cells.
    void report(const std::string& sheetName, Warnings& warnings) const;

private:
    struct Listed {
        std::string address;
        std::string what;  // the date "INVALID_DATE"
    };
    std::vector<Listed> first_;
    std::uint64_t count_ = 0;
};

// "A1", "XFD1048576".
std::string cellName(RowIndex row, ColumnIndex column);

}  // namespace brindlemoor::office::ods
