// The Workbook stream as one growing byte buffer: little-endian writers, BIFF
// record framing and back-patching of fields whose value is known only later
// (stream offsets, record lengths). A large stream can spill its older bytes
// to a file as it grows, so memory stays bounded whatever the workbook's size.
#pragma once

#include "office/model/conversion_error.h"

#include <sys/mman.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <span>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace brindlemoor::office::xls {

// Largest record body BIFF8 readers accept; longer data goes on in CONTINUE records.
constexpr std::size_t kMaxRecordData = 8224;

class BiffStream {
public:
    // Offsets are always counted from the start of the whole stream.
    std::size_t size() const { return spilled_ + bytes_.size(); }
    // The bytes still held in memory: the whole stream unless it spills.
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    void reserve(std::size_t n) {
        bytes_.reserve(n);
        adviseHugePages();
    }

    // From now on, whenever more than `threshold` bytes are held, they go to
    // `file` (empty, open for update, owned by the caller) at the next record.
    void spillTo(std::FILE* file, std::size_t threshold) {
        spill_ = file;
        spillThreshold_ = threshold;
    }
    // Hands the whole stream to `sink` in slices of at most `slice` bytes.
    template <typename Sink>
    void copyTo(Sink&& sink, std::size_t slice = std::size_t{1} << 20) const {
        if (spilled_ > 0) {
            if (std::fflush(spill_) != 0 || std::fseek(spill_, 0, SEEK_SET) != 0) spillFailed();
            std::vector<std::uint8_t> buffer(slice);
            for (std::size_t left = spilled_; left > 0;) {
                const std::size_t n = std::fread(buffer.data(), 1, std::min(slice, left), spill_);
                if (n == 0) spillFailed();
                sink(std::span<const std::uint8_t>(buffer.data(), n));
                left -= n;
            }
        }
        for (std::size_t at = 0; at < bytes_.size(); at += slice) {
            sink(std::span<const std::uint8_t>(bytes_.data() + at, std::min(slice, bytes_.size() - at)));
        }
    }

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
        const std::uint8_t b[2]{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)};
        patch(at, b, sizeof b);
    }
    void patch32(std::size_t at, std::uint32_t v) {
        const std::uint8_t b[4]{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                                static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
        patch(at, b, sizeof b);
    }

    // A 32-bit field that holds a position in this stream (an INDEX's
    // pointers). It is remembered, so that a stream written apart from what
    // will precede it in the file can have its positions moved by placeAfter.
    void patchPosition(std::size_t at, std::size_t position) {
        patch32(at, static_cast<std::uint32_t>(position));
        positionFields_.push_back({at, position});
    }
    // Moves every position patched in so far by `offset`: the bytes of this
    // stream will follow `offset` bytes of another.
    void placeAfter(std::size_t offset) {
        for (const PositionField& field : positionFields_) patch32(field.at, static_cast<std::uint32_t>(field.position + offset));
    }

    // Starts a record and returns its stream offset; the length is filled in
    // by endRecord.
    std::size_t beginRecord(std::uint16_t id) {
        // Spilling between records keeps every record being written in memory.
        if (spill_ && bytes_.size() > spillThreshold_) spill();
        const auto start = size();
        u16(id);
        u16(0);
        return start;
    }
    void endRecord(std::size_t start) {
        const auto length = size() - start - 4;
        if (length > kMaxRecordData) throw std::logic_error("BIFF record longer than 8224 bytes");
        patch16(start + 2, static_cast<std::uint16_t>(length));
    }

    // A whole record in one append: header and a body of at most
    // kMaxRecordData bytes. The cells of a large sheet go this way.
    void record(std::uint16_t id, const std::uint8_t* body, std::size_t length) {
        if (length > kMaxRecordData) throw std::logic_error("BIFF record longer than 8224 bytes");
        if (spill_ && bytes_.size() > spillThreshold_) spill();
        const std::uint8_t header[4]{static_cast<std::uint8_t>(id), static_cast<std::uint8_t>(id >> 8),
                                     static_cast<std::uint8_t>(length), static_cast<std::uint8_t>(length >> 8)};
        raw(header, sizeof header);
        raw(body, length);
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
    // A large buffer is touched page by page as records go in; huge pages
    // take one fault where small ones take 512. Only advice: the kernel may
    // decline, and nothing changes but the count of faults.
    void adviseHugePages() {
        constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
        if (bytes_.capacity() < 2 * kHugePage) return;
        const auto begin = reinterpret_cast<std::uintptr_t>(bytes_.data());
        const std::uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1);
        const std::uintptr_t last = (begin + bytes_.capacity()) & ~(kHugePage - 1);
        if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
    }

    void patch(std::size_t at, const std::uint8_t* b, std::size_t n) {
        if (at >= spilled_) {
            std::memcpy(bytes_.data() + (at - spilled_), b, n);
            return;
        }
        // A field that has already gone to the file (a sheet's position, an index).
        if (at + n > spilled_ || std::fseek(spill_, static_cast<long>(at), SEEK_SET) != 0 ||
            std::fwrite(b, 1, n, spill_) != n || std::fseek(spill_, 0, SEEK_END) != 0) {
            spillFailed();
        }
    }
    void spill() {
        if (std::fwrite(bytes_.data(), 1, bytes_.size(), spill_) != bytes_.size()) spillFailed();
        spilled_ += bytes_.size();
        bytes_.clear();
    }
    [[noreturn]] static void spillFailed() {
        throw ConversionError("the workbook is too large for the free space in the temporary folder");
    }

    struct PositionField {
        std::size_t at;
        std::size_t position;
    };

    std::vector<std::uint8_t> bytes_;
    std::vector<PositionField> positionFields_;
    std::FILE* spill_ = nullptr;
    std::size_t spillThreshold_ = 0;
    std::size_t spilled_ = 0;  // bytes already in the spill file
};

}  // namespace brindlemoor::office::xls
