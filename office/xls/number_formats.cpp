#include "office/xls/number_formats.h"

#include "office/xls/unicode_text.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace brindlemoor::office::xls {

namespace {

constexpr std::uint16_t kFormatRecord = 0x041E;
constexpr std::uint16_t kFirstCustomFormat = 164;

struct BuiltIn {
    std::uint16_t index;
    const char* code;
};

// Built-ins that display the same whatever the reader's locale.
constexpr BuiltIn kImplicit[] = {
    {1, "0"}, {2, "0.00"}, {3, "#,##0"}, {4, "#,##0.00"}, {9, "0%"}, {10, "0.00%"},
    {11, "0.00E+00"}, {12, "# ?/?"}, {13, "# ?" "?/??"}, {18, "h:mm AM/PM"}, {19, "h:mm:ss AM/PM"},
    {20, "h:mm"}, {21, "h:mm:ss"}, {45, "mm:ss"}, {46, "[h]:mm:ss"}, {47, "mm:ss.0"},
    {48, "##0.0E+0"}, {49, "@"},
};

// Written as FORMAT records, as Excel does.
constexpr BuiltIn kWritten[] = {
    {5, "\"$\"#,##0_);\\(\"$\"#,##0\\)"},
    {6, "\"$\"#,##0_);[Red]\\(\"$\"#,##0\\)"},
    {7, "\"$\"#,##0.00_);\\(\"$\"#,##0.00\\)"},
    {8, "\"$\"#,##0.00_);[Red]\\(\"$\"#,##0.00\\)"},
    {42, "_(\"$\"* #,##0_);_(\"$\"* \\(#,##0\\);_(\"$\"* \"-\"_);_(@_)"},
    {41, "_(* #,##0_);_(* \\(#,##0\\);_(* \"-\"_);_(@_)"},
    {44, "_(\"$\"* #,##0.00_);_(\"$\"* \\(#,##0.00\\);_(\"$\"* \"-\"?" "?_);_(@_)"},
    {43, "_(* #,##0.00_);_(* \\(#,##0.00\\);_(* \"-\"?" "?_);_(@_)"},
};

bool isGeneral(const std::string& code) {
    return code.empty() || std::equal(code.begin(), code.end(), "general", "general" + 7,
                                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

void writeFormat(BiffStream& out, std::uint16_t index, const std::string& code) {
    const auto start = out.beginRecord(kFormatRecord);
    out.u16(index);
    // A format code is short; the record limit still bounds it.
    writeUnicodeString(out, cutUtf16(toUtf16(code), 255));
    out.endRecord(start);
}

}  // namespace

std::uint16_t NumberFormats::index(const std::string& code) {
    if (isGeneral(code)) return 0;
    for (const auto& builtIn : kImplicit) if (code == builtIn.code) return builtIn.index;
    for (const auto& builtIn : kWritten) if (code == builtIn.code) return builtIn.index;
    if (const auto it = custom_.find(code); it != custom_.end()) return it->second;
    const auto index = static_cast<std::uint16_t>(kFirstCustomFormat + order_.size());
    custom_.emplace(code, index);
    order_.push_back(code);
    return index;
}

void NumberFormats::write(BiffStream& out) const {
    for (const auto& builtIn : kWritten) writeFormat(out, builtIn.index, builtIn.code);
    for (std::size_t i = 0; i < order_.size(); ++i) {
        writeFormat(out, static_cast<std::uint16_t>(kFirstCustomFormat + i), order_[i]);
    }
}

}  // namespace brindlemoor::office::xls
