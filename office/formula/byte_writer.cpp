#include "office/formula/byte_writer.h"

#include <bit>
#include <stdexcept>

namespace brindlemoor::office::formula {

void putU8(Bytes& out, std::uint8_t value) { out.push_back(value); }

void putU16(Bytes& out, std::uint16_t value)
{
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void putU32(Bytes& out, std::uint32_t value)
{
    putU16(out, static_cast<std::uint16_t>(value));
    putU16(out, static_cast<std::uint16_t>(value >> 16));
}

void putF64(Bytes& out, double value)
{
    auto bits = std::bit_cast<std::uint64_t>(value);
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
}

void patchU16(Bytes& out, std::size_t at, std::uint16_t value)
{
    out.at(at) = static_cast<std::uint8_t>(value);
    out.at(at + 1) = static_cast<std::uint8_t>(value >> 8);
}

std::u16string toUtf16(std::string_view utf8)
{
    std::u16string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        auto byte = static_cast<std::uint8_t>(utf8[i]);
        std::uint32_t code = 0xFFFD;
        std::size_t length = 1;
        if (byte < 0x80) {
            code = byte;
        } else if ((byte & 0xE0) == 0xC0) {
            length = 2;
            code = byte & 0x1F;
        } else if ((byte & 0xF0) == 0xE0) {
            length = 3;
            code = byte & 0x0F;
        } else if ((byte & 0xF8) == 0xF0) {
            length = 4;
            code = byte & 0x07;
        } else {
            length = 0;
        }
        bool valid = length > 0 && i + length <= utf8.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            auto next = static_cast<std::uint8_t>(utf8[i + k]);
            if ((next & 0xC0) != 0x80)
                valid = false;
            else
                code = (code << 6) | (next & 0x3F);
        }
        if (!valid || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            out.push_back(0xFFFD);
            i += 1;
            continue;
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(code));
        }
        i += length;
    }
    return out;
}

void putStringBody(Bytes& out, const std::u16string& text)
{
    bool compressed = true;
    for (char16_t c : text)
        if (c > 0xFF)
            compressed = false;
    putU8(out, compressed ? 0x00 : 0x01);
    for (char16_t c : text) {
        if (compressed)
            putU8(out, static_cast<std::uint8_t>(c));
        else
            putU16(out, static_cast<std::uint16_t>(c));
    }
}

void putString8(Bytes& out, const std::u16string& text)
{
    if (text.size() > 0xFF)
        throw std::length_error("string longer than 255 characters");
    putU8(out, static_cast<std::uint8_t>(text.size()));
    putStringBody(out, text);
}

void putString16(Bytes& out, const std::u16string& text)
{
    if (text.size() > 0xFFFF)
        throw std::length_error("string longer than 65535 characters");
    putU16(out, static_cast<std::uint16_t>(text.size()));
    putStringBody(out, text);
}

void putRecord(Bytes& out, std::uint16_t id, const Bytes& data)
{
    if (data.size() > 8224)
        throw std::length_error("record longer than 8224 bytes");
    putU16(out, id);
    putU16(out, static_cast<std::uint16_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
}

}  // namespace brindlemoor::office::formula
