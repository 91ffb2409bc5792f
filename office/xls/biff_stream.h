// The Workbook stream as one growing byte buffer: little-endian writers, BIFF
// record framing and back-patching of fields whose value is known only later
// (stream offsets, record lengths).
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace brindlemoor::office::xls {

// Largest record body BIFF8 readers accept; longer data goes on in CONTINUE records.
constexpr std::size_t kMaxRecordData = 8224;

class BiffStream {
public:
    std::size_t size() const { return bytes_.size(); }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    void reserve(std::size_t n) { bytes_.reserve(n); }

    void u8(std::uint8_t v) { bytes_.push_back(v); }
    // Multi-byte values go in with one insert each: a stream of a million
    // cells is mostly these, and byte-wise appends cost a capacity check each.
    void u16(std::uint16_t v) {
        const std::uint8_t b[2]{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)};
        raw(b, sizeof b);
    }
    void u32(std::uint32_t v) {
        const std::uint8_t b[4]{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                                static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
        raw(b, sizeof b);
    }
    void f64(double v) {
        const auto bits = std::bit_cast<std::uint64_t>(v);
        std::uint8_t b[8];
        for (int i = 0; i < 8; ++i) b[i] = static_cast<std::uint8_t>(bits >> (8 * i));
        raw(b, sizeof b);
    }
    void raw(const void* data, std::size_t n) {
        const auto* p = static_cast<const std::uint8_t*>(data);
        bytes_.insert(bytes_.end(), p, p + n);
    }
    void zeros(std::size_t n) { bytes_.insert(bytes_.end(), n, 0); }

    void patch16(std::size_t at, std::uint16_t v) {
        bytes_[at] = static_cast<std::uint8_t>(v);
        bytes_[at + 1] = static_cast<std::uint8_t>(v >> 8);
    }
    void patch32(std::size_t at, std::uint32_t v) {
        patch16(at, static_cast<std::uint16_t>(v));
        patch16(at + 2, static_cast<std::uint16_t>(v >> 16));
    }

    // Starts a record and returns its stream offset; the length is filled in
    // by endRecord.
    std::size_t beginRecord(std::uint16_t id) {
        const auto start = bytes_.size();
        u16(id);
        u16(0);
        return start;
    }
    void endRecord(std::size_t start) {
        const auto length = bytes_.size() - start - 4;
        if (length > kMaxRecordData) throw std::logic_error("BIFF record longer than 8224 bytes");
        patch16(start + 2, static_cast<std::uint16_t>(length));
    }

    // A record with a fixed body given as bytes.
    void record(std::uint16_t id, std::initializer_list<std::uint8_t> body) {
        const auto start = beginRecord(id);
        bytes_.insert(bytes_.end(), body);
        endRecord(start);
    }

    // A record whose whole body is one 16-bit value (CODEPAGE, WINDOWPROTECT, ...).
    void record16(std::uint16_t id, std::uint16_t value) {
        const auto start = beginRecord(id);
        u16(value);
        endRecord(start);
    }

private:
    std::vector<std::uint8_t> bytes_;
};

}  // namespace brindlemoor::office::xls
