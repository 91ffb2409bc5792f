#include "office/xls/shared_strings.h"

#include "biff_records.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace brindlemoor::office::xls {
namespace {

using test::Record;
using test::splitRecords;

constexpr std::uint16_t kSst = 0x00FC, kContinue = 0x003C, kExtSst = 0x00FF;

// Reads the table back by the rules a strict reader follows: headers are
// whole, each CONTINUE that carries on a string's characters starts with a
// flags byte, formatting runs are whole and carry on without one.
struct ReadTable {
    std::uint32_t references = 0;
    std::vector<std::u16string> strings;
    std::vector<std::size_t> headerOffsets;  // stream offset of each string's header
    std::map<std::size_t, std::vector<FormattingRun>> runs;  // of the strings that have any
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
        const std::uint8_t flags = records[r].data[at + 2];
        EXPECT_EQ(flags & ~0x09, 0) << "string " << i;
        bool wide = flags & 1;
        at += 3;
        std::uint16_t runCount = 0;
        if (flags & 0x08) {
            EXPECT_LE(at + 2, records[r].data.size()) << "run count of string " << i << " split from its header";
            runCount = records[r].u16(at);
            EXPECT_GT(runCount, 0) << "string " << i;
            at += 2;
        }
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
        for (std::uint16_t k = 0; k < runCount; ++k) {
            if (at == records[r].data.size()) {
                ++r;  // runs go on without a flags byte
                EXPECT_EQ(records[r].id, kContinue);
                at = 0;
            }
            EXPECT_LE(at + 4, records[r].data.size()) << "run " << k << " of string " << i << " split";
            table.runs[i].push_back({records[r].u16(at), records[r].u16(at + 2)});
            at += 4;
        }
        table.strings.push_back(std::move(text));
    }
    EXPECT_EQ(at, records[r].data.size());
    EXPECT_EQ(records[r + 1].id, kExtSst);
    return table;
}

std::vector<Record> write(BiffStream& out, const std::vector<std::u16string>& strings, std::size_t lead = 0,
                          const StringRuns& runs = {}) {
    out.zeros(lead);  // the table does not start at offset 0 in a real stream
    writeSharedStrings(out, strings, 77, runs);
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

TEST(SharedStrings, TextWithRunsListsThemAfterItsCharacters) {
    BiffStream out;
    const std::vector<std::u16string> strings{u"a bold word", u"plain", u"H\u2082O"};
    const StringRuns runs{{0, {{2, 6}, {6, 0}}}, {2, {{3, 7}, {5, 8}}}};
    const auto records = write(out, strings, 0, runs);
    ASSERT_EQ(records.size(), 2u);
    const auto& data = records[0].data;
    // count, flags (rich, one byte per character), run count, characters, runs
    EXPECT_EQ(records[0].u16(8), 11);
    EXPECT_EQ(data[10], 0x08);
    EXPECT_EQ(records[0].u16(11), 2);
    EXPECT_EQ(std::string(data.begin() + 13, data.begin() + 24), "a bold word");
    EXPECT_EQ(records[0].u16(24), 2);
    EXPECT_EQ(records[0].u16(26), 6);
    EXPECT_EQ(records[0].u16(28), 6);
    EXPECT_EQ(records[0].u16(30), 0);
    EXPECT_EQ(data[32 + 2], 0x00) << "a text without runs keeps the plain form";
    const ReadTable table = readTable(records);
    EXPECT_EQ(table.strings, strings);
    ASSERT_EQ(table.runs.size(), 1u) << "runs from the end of their text on are left out, and so is a list left empty";
    EXPECT_EQ(table.runs.at(0), (std::vector<FormattingRun>{{2, 6}, {6, 0}}));
    EXPECT_EQ(data[32 + 3 + 5 + 2], 0x01) << "wide characters, with only runs past its end: no rich flag";
}

TEST(SharedStrings, RunsStraddleAContinueWholeAndWithoutAFlagsByte) {
    // 8 + (3 + 8,192) + (5 + 10) leaves 6 bytes: the first run fits, the
    // second would be split, so it and the third open the CONTINUE.
    BiffStream out;
    const std::vector<std::u16string> strings{std::u16string(8192, u'x'), u"0123456789", u"after"};
    const StringRuns runs{{1, {{1, 5}, {3, 6}, {5, 7}}}};
    const auto records = write(out, strings, 0, runs);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].data.size(), kMaxRecordData - 2);
    EXPECT_EQ(records[1].id, kContinue);
    EXPECT_EQ(records[1].u16(0), 3) << "the CONTINUE opens with the second run itself";
    EXPECT_EQ(records[1].u16(2), 6);
    const ReadTable table = readTable(records);
    EXPECT_EQ(table.strings, strings);
    EXPECT_EQ(table.runs.at(1), runs.at(1));
}

TEST(SharedStrings, RichHeaderAndFirstCharacterMoveTogether) {
    // 8 + 3 + 8,207 leaves 6 bytes: enough for a plain header and one
    // character, not for a rich header (5) and one wide character (2).
    BiffStream out;
    const std::vector<std::u16string> strings{std::u16string(8207, u'x'), u"\u03bbx"};
    const StringRuns runs{{1, {{1, 5}}}};
    const auto records = write(out, strings, 0, runs);
    EXPECT_EQ(records[0].data.size(), kMaxRecordData - 6);
    EXPECT_EQ(records[1].u16(0), 2);
    EXPECT_EQ(records[1].data[2], 0x09);
    const ReadTable table = readTable(records);
    EXPECT_EQ(table.runs.at(1), runs.at(1));
}

TEST(SharedStrings, RichTextSplitInItsCharactersContinuesWithPlainFlagsThenItsRuns) {
    BiffStream out;
    const std::vector<std::u16string> strings{std::u16string(8000, u'x'), std::u16string(700, u'y')};
    StringRuns runs;
    for (std::uint16_t k = 0; k < 600; ++k) runs[1].push_back({k, static_cast<std::uint16_t>(5 + k % 2)});
    const auto records = write(out, strings, 0, runs);
    ASSERT_EQ(records[1].id, kContinue);
    EXPECT_EQ(records[1].data[0], 0x00) << "a continued piece's flags say nothing of runs";
    for (const auto& record : records) EXPECT_LE(record.data.size(), kMaxRecordData);
    const ReadTable table = readTable(records);
    EXPECT_EQ(table.strings, strings);
    EXPECT_EQ(table.runs.at(1), runs.at(1));
}

TEST(SharedStrings, ExtSstStillPointsAtHeadersAmongRichTexts) {
    BiffStream out;
    std::vector<std::u16string> strings;
    StringRuns runs;
    for (std::uint32_t i = 0; i < 4000; ++i) {
        strings.push_back(u"text " + std::u16string(i % 40, u'r'));
        if (i % 3 == 0) runs[i] = {{1, 5}, {3, 6}};
    }
    const std::size_t lead = 99;
    const auto records = write(out, strings, lead, runs);
    const ReadTable table = readTable(records);
    EXPECT_EQ(table.runs.size(), 1334u);
    const Record& ext = records.back();
    const std::uint16_t perBucket = ext.u16(0);
    for (std::size_t b = 0; b * perBucket < strings.size(); ++b) {
        EXPECT_EQ(ext.u32(2 + 8 * b), table.headerOffsets[b * perBucket] + lead) << "bucket " << b;
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
