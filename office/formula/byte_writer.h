// Little-endian byte output for formula tokens and records, and the two
// forms of Excel's Unicode strings.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brindlemoor::office::formula {

using Bytes = std::vector<std::uint8_t>;

void putU8(Bytes& out, std::uint8_t value);
void putU16(Bytes& out, std::uint16_t value);
void putU32(Bytes& out, std::uint32_t value);
void putF64(Bytes& out, double value);
void patchU16(Bytes& out, std::size_t at, std::uint16_t value);

// UTF-8 to UTF-16 code units; malformed bytes become U+FFFD.
std::u16string toUtf16(std::string_view utf8);

// Flags byte and characters, one byte each when every character fits
// (Excel's compressed form), else UTF-16LE.
void putStringBody(Bytes& out, const std::u16string& text);

// Length (one or two bytes), flags and characters.
void putString8(Bytes& out, const std::u16string& text);
void putString16(Bytes& out, const std::u16string& text);

// A whole BIFF record: id, length, data.
void putRecord(Bytes& out, std::uint16_t id, const Bytes& data);

}  // namespace brindlemoor::office::formula
