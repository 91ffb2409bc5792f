#include "office/xls/hyperlink_records.h"

#include "office/xls/excel_limits.h"
#include "office/xls/unicode_text.h"

#include <algorithm>
#include <array>

namespace brindlemoor::office::xls {

namespace {

constexpr std::uint16_t kHlink = 0x01B8;

// {79EAC9D0-BAF9-11CE-8C82-00AA004BA90B}: the standard hyperlink object.
constexpr std::array<std::uint8_t, 16> kHyperlinkClsid = {0xD0, 0xC9, 0xEA, 0x79, 0xF9, 0xBA, 0xCE, 0x11,
                                                          0x8C, 0x82, 0x00, 0xAA, 0x00, 0x4B, 0xA9, 0x0B};
// {79EAC9E0-BAF9-11CE-8C82-00AA004BA90B}: URL moniker.
constexpr std::array<std::uint8_t, 16> kUrlMonikerClsid = {0xE0, 0xC9, 0xEA, 0x79, 0xF9, 0xBA, 0xCE, 0x11,
                                                           0x8C, 0x82, 0x00, 0xAA, 0x00, 0x4B, 0xA9, 0x0B};
constexpr std::uint32_t kHasMoniker = 0x01;
constexpr std::uint32_t kIsAbsolute = 0x02;
constexpr std::uint32_t kHasLocation = 0x08;

// Room for the fixed parts; the rest of the record holds the text.
constexpr std::size_t kMaxLinkText = (kMaxRecordData - 80) / 2;

// HyperlinkString: character count including the terminating zero, UTF-16 text, zero.
void hyperlinkString(BiffStream& out, std::u16string_view text) {
    out.u32(static_cast<std::uint32_t>(text.size() + 1));
    for (char16_t c : text) out.u16(c);
    out.u16(0);
}

std::string unquoted(std::string name) {
    if (name.size() >= 2 && name.front() == '\'' && name.back() == '\'') {
        name = name.substr(1, name.size() - 2);
        std::string out;
        for (std::size_t i = 0; i < name.size(); ++i) {
            out += name[i];
            if (name[i] == '\'' && i + 1 < name.size() && name[i + 1] == '\'') ++i;
        }
        return out;
    }
    return name;
}

// A name like "A1" would read as a cell; one with a character other than a
// letter, digit or underscore would not read as a name at all.
bool needsQuotes(const std::u16string& name) {
    const auto letter = [](char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); };
    const auto digit = [](char16_t c) { return c >= u'0' && c <= u'9'; };
    if (name.empty() || digit(name[0])) return true;
    if (!std::all_of(name.begin(), name.end(), [&](char16_t c) { return letter(c) || digit(c) || c == u'_' || c > 0x7F; })) return true;
    std::size_t letters = 0;
    while (letters < name.size() && letter(name[letters])) ++letters;
    const bool cellLike = letters > 0 && letters <= 3 && letters < name.size() &&
                          std::all_of(name.begin() + static_cast<std::ptrdiff_t>(letters), name.end(), digit);
    return cellLike;
}

std::u16string quotedSheet(const std::u16string& name) {
    if (!needsQuotes(name)) return name;
    std::u16string out = u"'";
    for (char16_t c : name) {
        out += c;
        if (c == u'\'') out += c;
    }
    return out + u"'";
}

}  // namespace

std::u16string workbookLocation(const std::string& target, const Workbook& workbook,
                                const std::vector<std::u16string>& sheetNames) {
    std::string place = target.substr(target.starts_with('#') ? 1 : 0);
    // The cell part follows the last dot outside quotes.
    std::size_t dot = std::string::npos;
    bool inQuotes = false;
    for (std::size_t i = 0; i < place.size(); ++i) {
        if (place[i] == '\'') inQuotes = !inQuotes;
        else if (place[i] == '.' && !inQuotes) dot = i;
    }
    if (dot == std::string::npos) return toUtf16(place);  // a named range, or a bare sheet
    std::string sheet = unquoted(place.substr(0, dot));
    if (!sheet.empty() && sheet.front() == '$') sheet.erase(0, 1);
    std::string cell = place.substr(dot + 1);
    cell.erase(std::remove(cell.begin(), cell.end(), '$'), cell.end());
    std::u16string written = toUtf16(sheet);
    for (std::size_t i = 0; i < workbook.sheets.size() && i < sheetNames.size(); ++i) {
        if (workbook.sheets[i].name == sheet) written = sheetNames[i];
    }
    return quotedSheet(written) + u"!" + toUtf16(cell.empty() ? std::string("A1") : cell);
}

std::string escapedUrl(std::string_view url) {
    constexpr std::string_view kUnsafe = " \"<>\\^`{|}";
    std::string out;
    out.reserve(url.size());
    for (const char c : url) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || kUnsafe.find(c) != std::string_view::npos) {
            constexpr char kHex[] = "0123456789ABCDEF";
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0F];
        } else {
            out += c;
        }
    }
    return out;
}

void writeHyperlinks(BiffStream& out, const Sheet& sheet, const Workbook& workbook,
                     const std::vector<std::u16string>& sheetNames, const std::string& sheetName, Warnings& warnings) {
    std::size_t dropped = 0;
    for (const Hyperlink& link : sheet.hyperlinks) {
        const CellRange& r = link.range;
        if (r.firstRow >= kMaxRows || r.firstColumn >= kMaxColumns || link.target.empty()) { ++dropped; continue; }
        const bool inWorkbook = link.target.starts_with('#');
        const std::u16string text = inWorkbook ? workbookLocation(link.target, workbook, sheetNames) : toUtf16(escapedUrl(link.target));
        if (text.size() > kMaxLinkText) { ++dropped; continue; }

        // HLINK: cell range (first row, last row, first column, last column),
        // hyperlink object CLSID, stream version 2, flags, then the URL
        // moniker (CLSID, byte length, zero-terminated UTF-16) or the location.
        const auto start = out.beginRecord(kHlink);
        out.u16(static_cast<std::uint16_t>(r.firstRow));
        out.u16(static_cast<std::uint16_t>(std::min(r.lastRow, kMaxRows - 1)));
        out.u16(static_cast<std::uint16_t>(r.firstColumn));
        out.u16(static_cast<std::uint16_t>(std::min(r.lastColumn, kMaxColumns - 1)));
        out.raw(kHyperlinkClsid.data(), kHyperlinkClsid.size());
        out.u32(2);
        if (inWorkbook) {
            out.u32(kHasLocation);
            hyperlinkString(out, text);
        } else {
            out.u32(kHasMoniker | kIsAbsolute);
            out.raw(kUrlMonikerClsid.data(), kUrlMonikerClsid.size());
            out.u32(static_cast<std::uint32_t>(2 * (text.size() + 1)));
            for (char16_t c : text) out.u16(c);
            out.u16(0);
        }
        out.endRecord(start);
    }
    if (dropped > 0) {
        warnings.push_back("Sheet \"" + sheetName + "\": " + std::to_string(dropped) +
                           " hyperlink(s) outside the grid or too long for Excel 97 were left out");
    }
}

}  // namespace brindlemoor::office::xls
