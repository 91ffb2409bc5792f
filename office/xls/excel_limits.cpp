#include "office/xls/excel_limits.h"

#include "office/xls/unicode_text.h"

#include <algorithm>
#include <string_view>

namespace brindlemoor::office::xls {

namespace {

constexpr std::u16string_view kForbidden = u"[]:*?/\\";

// Simple case folding for the scripts whose case pairs are a fixed offset
// apart (Latin, Latin-1, Greek, Cyrillic); enough to catch the clashes Excel
// would refuse.
char16_t foldCase(char16_t c) {
    if (c >= u'A' && c <= u'Z') return c + 0x20;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 0x20;
    if (c >= 0x410 && c <= 0x42F) return c + 0x20;
    if (c >= 0x400 && c <= 0x40F) return c + 0x50;
    if (c >= 0x100 && c <= 0x17F && c % 2 == 0 && c != 0x130 && c != 0x138) return c + 1;
    return c;
}

std::u16string folded(std::u16string_view text) {
    std::u16string out(text);
    std::transform(out.begin(), out.end(), out.begin(), foldCase);
    return out;
}

std::u16string cleanName(std::u16string name) {
    std::replace_if(name.begin(), name.end(), [](char16_t c) { return kForbidden.find(c) != std::u16string_view::npos; }, u'_');
    // Control characters have no place in a tab label either.
    std::replace_if(name.begin(), name.end(), [](char16_t c) { return c < 0x20; }, u' ');
    while (!name.empty() && name.front() == u'\'') name.erase(name.begin());
    name = std::u16string(cutUtf16(name, kMaxSheetNameLength));
    while (!name.empty() && name.back() == u'\'') name.pop_back();
    return name;
}

std::u16string withSuffix(std::u16string_view base, int number) {
    const std::u16string suffix = toUtf16(" (" + std::to_string(number) + ")");
    std::u16string head(cutUtf16(base, kMaxSheetNameLength - suffix.size()));
    while (!head.empty() && head.back() == u'\'') head.pop_back();
    return head + suffix;
}

std::string quoted(std::string_view name) { return "\"" + std::string(name) + "\""; }

}  // namespace

std::vector<std::u16string> fitSheetNames(const std::vector<std::string>& names, Warnings& warnings) {
    std::vector<std::u16string> result;
    std::vector<std::u16string> taken;  // folded
    for (std::size_t i = 0; i < names.size(); ++i) {
        std::u16string name = cleanName(toUtf16(names[i]));
        if (name.empty()) name = toUtf16("Sheet" + std::to_string(i + 1));
        const auto clashes = [&](const std::u16string& candidate) {
            return std::find(taken.begin(), taken.end(), folded(candidate)) != taken.end();
        };
        if (clashes(name)) {
            std::u16string candidate;
            for (int n = 2; clashes(candidate = withSuffix(name, n)); ++n) {}
            name = candidate;
        }
        taken.push_back(folded(name));
        const std::string fixed = toUtf8(name);
        if (fixed != names[i]) {
            warnings.push_back("Sheet " + quoted(names[i]) + " renamed to " + quoted(fixed) +
                               ": Excel 97 sheet names have at most 31 characters, none of []:*?/\\, "
                               "and differ regardless of case");
        }
        result.push_back(std::move(name));
    }
    return result;
}

std::string cellAddress(std::uint64_t row, std::uint64_t column) {
    std::string letters;
    for (std::uint64_t n = column + 1; n > 0; n = (n - 1) / 26) letters.insert(letters.begin(), static_cast<char>('A' + (n - 1) % 26));
    return letters + std::to_string(row + 1);
}

std::vector<CellRange> fitMerges(const std::vector<CellRange>& merges, const std::string& sheetName,
                                 Warnings& warnings) {
    std::vector<CellRange> result;
    std::size_t dropped = 0, clipped = 0;
    for (CellRange range : merges) {
        if (range.lastRow < range.firstRow || range.lastColumn < range.firstColumn) { ++dropped; continue; }
        if (range.firstRow >= kMaxRows || range.firstColumn >= kMaxColumns) { ++dropped; continue; }
        if (range.lastRow >= kMaxRows || range.lastColumn >= kMaxColumns) {
            range.lastRow = std::min(range.lastRow, kMaxRows - 1);
            range.lastColumn = std::min(range.lastColumn, kMaxColumns - 1);
            ++clipped;
            if (range.firstRow == range.lastRow && range.firstColumn == range.lastColumn) continue;
        }
        if (range.firstRow == range.lastRow && range.firstColumn == range.lastColumn) continue;
        result.push_back(range);
    }
    if (clipped > 0) {
        warnings.push_back("Sheet " + quoted(sheetName) + ": " + std::to_string(clipped) +
                           " merged range(s) reaching beyond row 65,536 or column IV were cut at the edge");
    }
    if (dropped > 0) {
        warnings.push_back("Sheet " + quoted(sheetName) + ": " + std::to_string(dropped) +
                           " merged range(s) outside Excel 97's 65,536 rows and 256 columns were left out");
    }
    return result;
}

void SheetCuts::cellBeyondGrid(std::uint64_t row, std::uint64_t column, std::uint64_t count) {
    if (cellsBeyond_ == 0) firstBeyond_ = cellAddress(row, column);
    cellsBeyond_ += count;
}

void SheetCuts::textCut(std::uint32_t row, std::uint32_t column) {
    constexpr std::size_t kListed = 5;
    if (textCutAt_.size() < kListed) textCutAt_.push_back(cellAddress(row, column));
    ++textsCut_;
}

void SheetCuts::report(const std::string& sheetName, Warnings& warnings) const {
    if (cellsBeyond_ > 0) {
        warnings.push_back("Sheet " + quoted(sheetName) + ": " + std::to_string(cellsBeyond_) +
                           " cell(s) beyond Excel 97's 65,536 rows and 256 columns were cut (first at " +
                           firstBeyond_ + ")");
    }
    if (textsCut_ > 0) {
        std::string where;
        for (const auto& address : textCutAt_) where += (where.empty() ? "" : ", ") + address;
        if (textsCut_ > textCutAt_.size()) where += ", ...";
        warnings.push_back("Sheet " + quoted(sheetName) + ": " + std::to_string(textsCut_) +
                           " text(s) longer than 32,767 characters were cut (" + where + ")");
    }
}

}  // namespace brindlemoor::office::xls
