// Test helper: splits a BIFF stream into its records.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace brindlemoor::office::xls::test {

struct Record {
    std::size_t offset;  // of the record header in the stream
    std::uint16_t id;
    std::span<const std::uint8_t> data;

    std::uint16_t u16(std::size_t at) const { return static_cast<std::uint16_t>(data[at] | data[at + 1] << 8); }
    std::uint32_t u32(std::size_t at) const { return u16(at) | static_cast<std::uint32_t>(u16(at + 2)) << 16; }
};

inline std::vector<Record> splitRecords(std::span<const std::uint8_t> stream) {
    std::vector<Record> records;
    std::size_t at = 0;
    while (at + 4 <= stream.size()) {
        const auto id = static_cast<std::uint16_t>(stream[at] | stream[at + 1] << 8);
        const auto length = static_cast<std::size_t>(stream[at + 2] | stream[at + 3] << 8);
        if (at + 4 + length > stream.size()) break;
        records.push_back({at, id, stream.subspan(at + 4, length)});
        at += 4 + length;
    }
    return records;
}

}  // namespace brindlemoor::office::xls::test
