#include "office/xls/unicode_text.h"

#include <algorithm>

namespace brindlemoor::office::xls {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

}  // namespace

std::u16string toUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    const auto* s = reinterpret_cast<const unsigned char*>(utf8.data());
    const std::size_t n = utf8.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char c = s[i];
        if (c < 0x80) {
            out.push_back(c);
            ++i;
            continue;
        }
        std::size_t length = 0;
        char32_t cp = 0;
        char32_t minimum = 0;
        if ((c & 0xE0) == 0xC0) { length = 2; cp = c & 0x1F; minimum = 0x80; }
        else if ((c & 0xF0) == 0xE0) { length = 3; cp = c & 0x0F; minimum = 0x800; }
        else if ((c & 0xF8) == 0xF0) { length = 4; cp = c & 0x07; minimum = 0x10000; }
        std::size_t used = 1;
        bool valid = length != 0;
        while (valid && used < length) {
            if (i + used >= n || !isContinuation(s[i + used])) { valid = false; break; }
            cp = (cp << 6) | (s[i + used] & 0x3F);
            ++used;
        }
        // Overlong forms, surrogates encoded directly and values past U+10FFFF are malformed too.
        if (valid && (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) valid = false;
        if (!valid) {
            out.push_back(kReplacement);
            i += used;  // skip the bad lead byte and the continuation bytes it claimed
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += used;
    }
    return out;
}

std::string toUtf8(std::u16string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

bool fitsOneByte(std::u16string_view text) {
    return std::all_of(text.begin(), text.end(), [](char16_t c) { return c < 0x100; });
}

std::u16string_view cutUtf16(std::u16string_view text, std::size_t maxUnits) {
    if (text.size() <= maxUnits) return text;
    std::size_t length = maxUnits;
    if (length > 0 && text[length - 1] >= 0xD800 && text[length - 1] <= 0xDBFF) --length;
    return text.substr(0, length);
}

void writeCharacters(BiffStream& out, std::u16string_view text) {
    if (fitsOneByte(text)) {
        out.u8(0x00);
        for (char16_t c : text) out.u8(static_cast<std::uint8_t>(c));
    } else {
        out.u8(0x01);
        for (char16_t c : text) out.u16(c);
    }
}

void writeUnicodeString(BiffStream& out, std::u16string_view text) {
    out.u16(static_cast<std::uint16_t>(text.size()));
    writeCharacters(out, text);
}

void writeShortUnicodeString(BiffStream& out, std::u16string_view text) {
    text = cutUtf16(text, 255);
    out.u8(static_cast<std::uint8_t>(text.size()));
    writeCharacters(out, text);
}

}  // namespace brindlemoor::office::xls
