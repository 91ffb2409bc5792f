#include "office/xls/shared_strings.h"

#include "office/xls/unicode_text.h"

#include <algorithm>

namespace brindlemoor::office::xls {

namespace {

constexpr std::uint16_t kSst = 0x00FC;
constexpr std::uint16_t kContinue = 0x003C;
constexpr std::uint16_t kExtSst = 0x00FF;
constexpr std::size_t kStringHeader = 3;  // character count (2) + flags (1)
constexpr std::size_t kRunCount = 2;      // after the flags of a text with runs
constexpr std::size_t kRunSize = 4;       // first character (2) + FONT index (2)
constexpr std::uint8_t kWideFlag = 0x01;
constexpr std::uint8_t kRichFlag = 0x08;
constexpr std::size_t kMaxBuckets = 128;

struct Bucket {
    std::uint32_t streamOffset;  // where the string's header starts
    std::uint16_t recordOffset;  // the same, from the start of its SST or CONTINUE record
};

// Writes a record body that may overflow into CONTINUE records.
class ContinuedRecord {
public:
    ContinuedRecord(BiffStream& out, std::uint16_t id) : out_(out), start_(out.beginRecord(id)) {}

    std::size_t room() const { return kMaxRecordData - (out_.size() - start_ - 4); }
    std::size_t recordStart() const { return start_; }

    void continueRecord() {
        out_.endRecord(start_);
        start_ = out_.beginRecord(kContinue);
    }
    void finish() { out_.endRecord(start_); }

private:
    BiffStream& out_;
    std::size_t start_;
};

}  // namespace

std::uint16_t extSstBucketSize(std::size_t count) {
    const std::size_t perBucket = (count + kMaxBuckets - 1) / kMaxBuckets;
    return static_cast<std::uint16_t>(std::max<std::size_t>(8, perBucket));
}

void writeSharedStrings(BiffStream& out, const std::vector<std::u16string>& strings, std::uint32_t references,
                        const StringRuns& runs) {
    const std::uint16_t bucketSize = extSstBucketSize(strings.size());
    std::vector<Bucket> buckets;
    buckets.reserve(strings.size() / bucketSize + 1);

    ContinuedRecord record(out, kSst);
    out.u32(references);
    out.u32(static_cast<std::uint32_t>(strings.size()));

    std::vector<FormattingRun> textRuns;
    for (std::size_t i = 0; i < strings.size(); ++i) {
        const std::u16string_view text = strings[i];
        const bool wide = !fitsOneByte(text);
        const std::size_t charSize = wide ? 2 : 1;
        textRuns.clear();
        if (!runs.empty()) {
            if (auto it = runs.find(static_cast<std::uint32_t>(i)); it != runs.end()) {
                for (const FormattingRun& run : it->second) {
                    if (run.start < text.size()) textRuns.push_back(run);
                }
            }
        }
        const std::size_t header = kStringHeader + (textRuns.empty() ? 0 : kRunCount);

        // The header and at least the first character stay together.
        if (record.room() < header + (text.empty() ? 0 : charSize)) record.continueRecord();
        if (i % bucketSize == 0) {
            buckets.push_back({static_cast<std::uint32_t>(out.size()),
                               static_cast<std::uint16_t>(out.size() - record.recordStart())});
        }
        out.u16(static_cast<std::uint16_t>(text.size()));
        out.u8((wide ? kWideFlag : 0) | (textRuns.empty() ? 0 : kRichFlag));
        if (!textRuns.empty()) out.u16(static_cast<std::uint16_t>(textRuns.size()));

        std::size_t done = 0;
        while (true) {
            const std::size_t count = std::min(text.size() - done, record.room() / charSize);
            for (std::size_t k = done; k < done + count; ++k) {
                if (wide) out.u16(text[k]); else out.u8(static_cast<std::uint8_t>(text[k]));
            }
            done += count;
            if (done == text.size()) break;
            record.continueRecord();
            out.u8(wide ? kWideFlag : 0);
        }
        for (const FormattingRun& run : textRuns) {
            if (record.room() < kRunSize) record.continueRecord();
            out.u16(run.start);
            out.u16(run.font);
        }
    }
    record.finish();

    const auto ext = out.beginRecord(kExtSst);
    out.u16(bucketSize);
    for (const auto& bucket : buckets) {
        out.u32(bucket.streamOffset);
        out.u16(bucket.recordOffset);
        out.u16(0);
    }
    out.endRecord(ext);
}

}  // namespace brindlemoor::office::xls
