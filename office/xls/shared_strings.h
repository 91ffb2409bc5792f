// The shared string table (SST) with its CONTINUE records, and the EXTSST
// index that points into it.
//
// Splitting rules readers depend on: a string's 3-byte header (character
// count, flags) is never split; character data is split only between
// characters (even byte counts for UTF-16); each continued piece of a string
// starts with a fresh flags byte in the CONTINUE record.
#pragma once

#include "office/xls/biff_stream.h"

#include <cstdint>
#include <string>
#include <vector>

namespace brindlemoor::office::xls {

// Writes SST, its CONTINUE records and EXTSST at the end of `out`.
// `references` is the number of cells that refer to the table.
void writeSharedStrings(BiffStream& out, const std::vector<std::u16string>& strings, std::uint32_t references);

// Strings per EXTSST bucket for a table of `count` strings.
std::uint16_t extSstBucketSize(std::size_t count);

}  // namespace brindlemoor::office::xls
