// Cell records byte for byte: every field of every compact form, and runs
// that reach the longest record a reader accepts.
#include "office/xls/cell_records.h"

#include "biff_records.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace brindlemoor::office::xls {
namespace {

using test::splitRecords;

constexpr std::uint16_t kRk = 0x027E, kNumber = 0x0203, kLabelSst = 0x00FD, kBoolErr = 0x0205, kBlank = 0x0201,
                        kMulRk = 0x00BD, kMulBlank = 0x00BE;

std::vector<std::uint8_t> written(std::span<const CellItem> cells, std::uint16_t row = 0x0102) {
    Workbook workbook;
    FormulaSite site{workbook, 0, 0, {}, nullptr};
    BiffStream out;
    writeCells(out, row, cells, site);
    return out.bytes();
}

std::vector<std::uint8_t> le(std::initializer_list<std::uint64_t> values, std::initializer_list<int> widths) {
    std::vector<std::uint8_t> bytes;
    auto width = widths.begin();
    for (std::uint64_t v : values) {
        for (int i = 0; i < *width; ++i) bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        ++width;
    }
    return bytes;
}

TEST(CellRecords, EachSingleFormIsLaidOutFieldByField) {
    const double third = 1.0 / 3;
    const std::vector<CellItem> cells{
        {3, 21, CellKind::Rk, 0x3FF00000, 0, nullptr},
        {5, 22, CellKind::Number, 0, third, nullptr},
        {7, 23, CellKind::Label, 0x00012345, 0, nullptr},
        {9, 24, CellKind::Boolean, 1, 0, nullptr},
        {11, 25, CellKind::Error, 0x07, 0, nullptr},
        {13, 26, CellKind::Blank, 0, 0, nullptr},
    };
    std::vector<std::uint8_t> expected;
    const auto add = [&](std::vector<std::uint8_t> part) { expected.insert(expected.end(), part.begin(), part.end()); };
    add(le({kRk, 10, 0x0102, 3, 21, 0x3FF00000}, {2, 2, 2, 2, 2, 4}));
    add(le({kNumber, 14, 0x0102, 5, 22, std::bit_cast<std::uint64_t>(third)}, {2, 2, 2, 2, 2, 8}));
    add(le({kLabelSst, 10, 0x0102, 7, 23, 0x00012345}, {2, 2, 2, 2, 2, 4}));
    add(le({kBoolErr, 8, 0x0102, 9, 24, 1, 0}, {2, 2, 2, 2, 2, 1, 1}));
    add(le({kBoolErr, 8, 0x0102, 11, 25, 0x07, 1}, {2, 2, 2, 2, 2, 1, 1}));
    add(le({kBlank, 6, 0x0102, 13, 26}, {2, 2, 2, 2, 2}));
    EXPECT_EQ(written(cells), expected);
}

TEST(CellRecords, AdjacentNumbersAndBlanksShareOneRecord) {
    const std::vector<CellItem> cells{
        {0, 15, CellKind::Rk, 0x00000006, 0, nullptr},
        {1, 16, CellKind::Rk, 0x0000000A, 0, nullptr},
        {2, 17, CellKind::Blank, 0, 0, nullptr},
        {3, 18, CellKind::Blank, 0, 0, nullptr},
        {5, 19, CellKind::Rk, 0x0000000E, 0, nullptr},  // a gap ends the run
    };
    std::vector<std::uint8_t> expected;
    const auto add = [&](std::vector<std::uint8_t> part) { expected.insert(expected.end(), part.begin(), part.end()); };
    add(le({kMulRk, 18, 7, 0, 15, 6, 16, 10, 1}, {2, 2, 2, 2, 2, 4, 2, 4, 2}));
    add(le({kMulBlank, 10, 7, 2, 17, 18, 3}, {2, 2, 2, 2, 2, 2, 2}));
    add(le({kRk, 10, 7, 5, 19, 14}, {2, 2, 2, 2, 2, 4}));
    EXPECT_EQ(written(cells, 7), expected);
}

TEST(CellRecords, LongRunsAreSplitAtTheLongestRecordAReaderAccepts) {
    // Columns beyond Excel's grid never reach here; the split is about record
    // length alone, so long runs are made up directly.
    const auto run = [](CellKind kind, std::size_t n) {
        std::vector<CellItem> cells;
        for (std::size_t i = 0; i < n; ++i) cells.push_back({static_cast<std::uint16_t>(i), 15, kind, static_cast<std::uint32_t>(i), 0, nullptr});
        return cells;
    };
    for (const auto& [kind, id, perCell, total] : {std::tuple{CellKind::Rk, kMulRk, 6u, 3000u},
                                                   std::tuple{CellKind::Blank, kMulBlank, 2u, 9000u}}) {
        const auto cells = run(kind, total);
        const auto bytes = written(cells);
        std::size_t covered = 0;
        std::uint16_t nextColumn = 0;
        std::size_t longest = 0;
        for (const auto& record : splitRecords(bytes)) {
            ASSERT_EQ(record.id, id);
            ASSERT_LE(record.data.size(), kMaxRecordData);
            const std::size_t n = (record.data.size() - 6) / perCell;
            EXPECT_EQ(record.u16(2), nextColumn);
            EXPECT_EQ(record.u16(record.data.size() - 2), nextColumn + n - 1);
            if (kind == CellKind::Rk) EXPECT_EQ(record.u32(6), nextColumn);  // the first cell's value
            nextColumn = static_cast<std::uint16_t>(nextColumn + n);
            covered += n;
            longest = std::max(longest, record.data.size());
        }
        EXPECT_EQ(covered, total);
        EXPECT_GT(longest, kMaxRecordData - perCell);  // records are filled, not cut short
    }
}

TEST(CellRecords, AWholeRecordOverTheLimitIsRefusedAndLeavesTheStreamAsItWas) {
    BiffStream out;
    const std::vector<std::uint8_t> body(kMaxRecordData + 1, 0xAB);
    EXPECT_THROW(out.record(0x0203, body.data(), body.size()), std::logic_error);
    EXPECT_EQ(out.size(), 0u);
    out.record(0x0203, body.data(), kMaxRecordData);
    ASSERT_EQ(out.size(), 4 + kMaxRecordData);
    const auto records = splitRecords(out.bytes());
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].data.size(), kMaxRecordData);
}

}  // namespace
}  // namespace brindlemoor::office::xls
