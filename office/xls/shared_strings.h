// The shared string table (SST) with its CONTINUE records, and the EXTSST
// index that points into it.
//
// Splitting rules readers depend on: a string's 3-byte header (character
// count, flags) is never split; character data is split only between
// characters (even byte counts for UTF-16); each continued piece of a string
// starts with a fresh flags byte in the CONTINUE record. A text in several
// fonts lists its runs after its characters: four bytes each (first
// character, FONT index), never split, and a CONTINUE that starts among them
// has no flags byte.
#pragma once

#include "office/xls/biff_stream.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace brindlemoor::office::xls {

// From character `start` on, a text shows in FONT `font` (an index as
// readers count them: there is no font 4).
struct FormattingRun {
    std::uint16_t start = 0;
    std::uint16_t font = 0;
    friend bool operator==(const FormattingRun&, const FormattingRun&) = default;
};
// The runs of the texts that have any, by index into the table, in order of start.
using StringRuns = std::unordered_map<std::uint32_t, std::vector<FormattingRun>>;

// Writes SST, its CONTINUE records and EXTSST at the end of `out`.
// `references` is the number of cells that refer to the table. Runs that
// start at or beyond the end of their text (cut to fit) are left out.
void writeSharedStrings(BiffStream& out, const std::vector<std::u16string>& strings, std::uint32_t references,
                        const StringRuns& runs = {});

// Strings per EXTSST bucket for a table of `count` strings.
std::uint16_t extSstBucketSize(std::size_t count);

}  // namespace brindlemoor::office::xls
