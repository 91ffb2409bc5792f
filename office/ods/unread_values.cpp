#include "office/ods/unread_values.h"

namespace brindlemoor::office::ods {
namespace {

constexpr std::size_t kListed = 5;
constexpr std::size_t kQuoted = 40;  // a stored value longer than this is cut in the message

std::string quoted(std::string_view text) {
    if (text.size() <= kQuoted) return "\"" + std::string(text) + "\"";
    // Cut on a character boundary of UTF-8.
    std::size_t end = kQuoted;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return "\"" + std::string(text.substr(0, end)) + "...\"";
}

std::string describe(std::string_view type, const std::string_view* stored, std::string_view shown) {
    if (!stored) return "the " + std::string(type) + " cell " + quoted(shown) + " holds no value";
    if (type == "date" || type == "time") return "the " + std::string(type) + " " + quoted(*stored) + " is not a " + std::string(type);
    if (type == "boolean") return "the boolean " + quoted(*stored) + " is neither true nor false";
    return "the " + std::string(type) + " " + quoted(*stored) + " is not a number";
}

}  // namespace

std::string cellName(RowIndex row, ColumnIndex column) {
    std::string letters;
    for (std::uint64_t c = std::uint64_t{column} + 1; c > 0; c = (c - 1) / 26) {
        letters.insert(letters.begin(), static_cast<char>('A' + (c - 1) % 26));
    }
    return letters + std::to_string(std::uint64_t{row} + 1);
}

void UnreadValues::add(std::string_view type, const std::string_view* stored, std::string_view shown, RowIndex row,
                       ColumnIndex column, std::uint64_t cells) {
    if (first_.size() < kListed) first_.push_back({cellName(row, column), describe(type, stored, shown)});
    count_ += cells;
}

void UnreadValues::report(const std::string& sheetName, Warnings& warnings) const {
    if (count_ == 0) return;
    if (count_ == 1) {
        warnings.push_back(sheetName + "!" + first_.front().address + ": " + first_.front().what +
                           "; written as 0 as office suites read it");
        return;
    }
    std::string cells;
    for (const Listed& listed : first_) cells += (cells.empty() ? "" : ", ") + listed.address + " (" + listed.what + ")";
    if (count_ > first_.size()) cells += ", ...";
    warnings.push_back(sheetName + ": " + std::to_string(count_) +
                       " cells whose value is missing or does not parse written as 0, as office suites read them: " + cells);
}

}  // namespace brindlemoor::office::ods
