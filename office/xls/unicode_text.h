// Text as BIFF8 stores it: UTF-16 code units, written "compressed" (one byte
// per character) when every character is below U+0100.
#pragma once

#include "office/xls/biff_stream.h"

#include <string>
#include <string_view>

namespace brindlemoor::office::xls {

// Decodes UTF-8; malformed sequences become U+FFFD, characters beyond the
// BMP become surrogate pairs.
std::u16string toUtf16(std::string_view utf8);

std::string toUtf8(std::u16string_view utf16);

bool fitsOneByte(std::u16string_view text);

// Cuts `text` to at most `maxUnits` code units without splitting a surrogate pair.
std::u16string_view cutUtf16(std::u16string_view text, std::size_t maxUnits);

// The flags byte and the characters (no length prefix).
void writeCharacters(BiffStream& out, std::u16string_view text);

// XLUnicodeString: 16-bit character count, flags, characters.
void writeUnicodeString(BiffStream& out, std::u16string_view text);

// ShortXLUnicodeString: 8-bit character count, flags, characters (at most 255).
void writeShortUnicodeString(BiffStream& out, std::u16string_view text);

}  // namespace brindlemoor::office::xls
