#include "office/xls/shared_strings.h"

#include "biff_records.h"

#include <gtest/gtest.h>

#include <string>

namespace brindlemoor::office::xls {
namespace {

using test::Record;
using test::splitRecords;

constexpr std::uint16_t kSst = 0x00FC, kContinue = 0x003C, kExtSst = 0x00FF;

// Reads the table back by the rules a strict reader follows: headers are
// whole, each CONTINUE that carries on a string starts with a flags byte.
struct ReadTable {
    std::uint32_t references = 0;
    std::vector<std::u16string> strings;
    std::vector<std::size_t> headerOffsets;  // stream offset of each string's header
};

ReadTable readTable(const std::vector<Record>& records) {
    ReadTable table;
    std::size_t r = 0;
    EXPECT_EQ(records[r].id, kSst);
    table.references = records[r].u32(0);
    const std::uint32_t unique = records[r].u32(4);
    std::size_t at = 8;
    for (std::uint32_t i = 0; i < unique; ++i) {
        if (at == records[r].data.size()) { ++r; at = 0; EXPECT_EQ(records[r].id, kContinue); }
        EXPECT_LE(at + 3, records[r].data.size()) << "header of string " << i << " split";
        table.headerOffsets.push_back(records[r].offset + 4 + at);
        const std::uint16_t count = records[r].u16(at);
        bool wide = records[r].data[at + 2] & 1;
        at += 3;
        std::u16string text;
        while (text.size() < count) {
            if (at == records[r].data.size()) {
                ++r;
                EXPECT_EQ(records[r].id, kContinue);
                wide = records[r].data[0] & 1;
                at = 1;
            }
            if (wide) {
                EXPECT_LE(at + 2, records[r].data.size()) << "UTF-16 character split in string " << i;
                text.push_back(static_cast<char16_t>(records[r].u16(at)));
                at += 2;
            } else {
                text.push_back(records[r].data[at]);
                at += 1;
            }
        }
        table.strings.push_back(std::move(text));
    }
    EXPECT_EQ(at, records[r].data.size());
    EXPECT_EQ(records[r + 1].id, kExtSst);
    return table;
}

std::vector<Record> write(BiffStream& out, const std::vector<std::u16string>& strings, std::size_t lead = 0) {
    out.zeros(lead);  // the table does not start at offset 0 in a real stream
    writeSharedStrings(out, strings, 77);
    return splitRecords(std::span(out.bytes()).subspan(lead));
}

TEST(SharedStrings, SmallTableIsOneRecordFollowedByTheIndex) {
    BiffStream out;
    const std::vector<std::u16string> strings{u"", u"a", u"Grüße", u"日本"};
    const auto records = write(out, strings);
    ASSERT_EQ(records.size(), 2u);
    const ReadTable table = readTable(records);
    EXPECT_EQ(table.references, 77u);
    EXPECT_EQ(table.strings, strings);
    // "Grüße" fits in one byte per character, "日本" does not.
    EXPECT_EQ(records[0].data[8 + 3 + 3 + 1 + 2], 0x00);
    EXPECT_EQ(records[0].data[8 + 3 + 3 + 1 + 3 + 5 + 2], 0x01);
}

TEST(SharedStrings, StringStraddlingTheRecordLimitContinuesWithAFreshFlagsByte) {
    // 8 bytes of counts + 3 + 8,000 leaves 213 bytes: the next string's
    // header fits, 210 of its characters, and the rest continue.
    BiffStream out;
    const std::vector<std::u16string> strings{std::u16string(8000, u'x'), std::u16string(500, u'y'), u"after"};
    const auto records = write(out, strings);
    ASSERT_GE(records.size(), 3u);
    EXPECT_EQ(records[0].data.size(), kMaxRecordData);
    EXPECT_EQ(records[1].id, kContinue);
    EXPECT_EQ(records[1].data[0], 0x00);  // flags of the continued piece
    EXPECT_EQ(readTable(records).strings, strings);
}

TEST(SharedStrings, Utf16StringIsSplitAtAnEvenByteCount) {
    // After 8 + 3 + 8,001 bytes, 212 bytes remain: the wide string's header
    // (3) leaves 209, so 104 characters (208 bytes) go first and one byte stays empty.
    BiffStream out;
    const std::vector<std::u16string> strings{std::u16string(8001, u'x'), std::u16string(300, u'λ')};
    const auto records = write(out, strings);
    ASSERT_GE(records.size(), 3u);
    EXPECT_EQ(records[0].data.size(), kMaxRecordData - 1);
    EXPECT_EQ(records[1].data[0], 0x01);
    EXPECT_EQ(records[1].data.size(), 1 + 2 * (300 - 104));
    EXPECT_EQ(readTable(records).strings, strings);
}

TEST(SharedStrings, HeaderThatDoesNotFitMovesWholeToTheNextRecord) {
    // 8 + 3 + 8,212 = 8,223: one byte left, too little for a header.
    BiffStream out;
    const std::vector<std::u16string> strings{std::u16string(8212, u'x'), u"next"};
    const auto records = write(out, strings);
    EXPECT_EQ(records[0].data.size(), kMaxRecordData - 1);
    EXPECT_EQ(records[1].id, kContinue);
    EXPECT_EQ(records[1].u16(0), 4);  // starts with the header, no extra flags byte
    EXPECT_EQ(readTable(records).strings, strings);
}

TEST(SharedStrings, LongTableSpansManyRecordsAndStaysReadable) {
    BiffStream out;
    std::vector<std::u16string> strings;
    for (int i = 0; i < 20000; ++i) {
        strings.push_back(std::u16string(static_cast<std::size_t>(i % 97), static_cast<char16_t>(i % 3 ? u'a' + i % 26 : u'Ж')));
    }
    const auto records = write(out, strings, 1234);
    for (const auto& record : records) EXPECT_LE(record.data.size(), kMaxRecordData);
    EXPECT_EQ(readTable(records).strings, strings);
}

TEST(SharedStrings, ExtSstPointsAtEveryBucketsFirstString) {
    BiffStream out;
    std::vector<std::u16string> strings;
    for (int i = 0; i < 3000; ++i) strings.push_back(u"string number " + std::u16string(static_cast<std::size_t>(i % 50), u'z'));
    const std::size_t lead = 517;
    const auto records = write(out, strings, lead);
    const ReadTable table = readTable(records);

    const Record& ext = records.back();
    ASSERT_EQ(ext.id, kExtSst);
    const std::uint16_t perBucket = ext.u16(0);
    EXPECT_EQ(perBucket, extSstBucketSize(strings.size()));
    const std::size_t buckets = (strings.size() + perBucket - 1) / perBucket;
    ASSERT_EQ(ext.data.size(), 2 + 8 * buckets);
    for (std::size_t b = 0; b < buckets; ++b) {
        const std::uint32_t streamOffset = ext.u32(2 + 8 * b);
        const std::uint16_t inRecord = ext.u16(2 + 8 * b + 4);
        const std::size_t header = table.headerOffsets[b * perBucket];
        EXPECT_EQ(streamOffset, header + lead) << "bucket " << b;
        // The in-record offset counts from the record's own header.
        const auto holder = std::find_if(records.rbegin(), records.rend(), [&](const Record& r) { return r.offset < header; });
        EXPECT_EQ(inRecord, header - holder->offset) << "bucket " << b;
    }
}

TEST(SharedStrings, BucketSizeKeepsTheIndexSmall) {
    EXPECT_EQ(extSstBucketSize(0), 8);
    EXPECT_EQ(extSstBucketSize(1000), 8);
    EXPECT_EQ(extSstBucketSize(1025), 9);
    EXPECT_LE(2 + 8 * ((1000000 + extSstBucketSize(1000000) - 1) / extSstBucketSize(1000000)), kMaxRecordData);
}

}  // namespace
}  // namespace brindlemoor::office::xls
