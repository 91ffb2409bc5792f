// Runs a chunk source on a thread of its own, a few chunks ahead of the
// reader, so that inflating a large member overlaps with parsing it. Memory
// stays bounded by the ring of chunks. A failure of the source reaches the
// reader at the point in the stream where it happened.
//
// The source must not share unsynchronised state with the reader's thread
// (a zip member is read through an archive handle of its own).
#pragma once

#include "office/ods/xml_reader.h"

#include <cstddef>

namespace brindlemoor::office::ods {

struct ReadAheadShape {
    std::size_t chunkBytes = 256 * 1024;
    std::size_t chunks = 4;
};

ChunkSource readAhead(ChunkSource source, ReadAheadShape shape = {});

}  // namespace brindlemoor::office::ods
