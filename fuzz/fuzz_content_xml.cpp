// The XML layer alone: content.xml bytes read straight into the workbook
// model, without the zip around them.
#include "office/ods/document_reader.h"
#include "office/ods/xml_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

using namespace brindlemoor::office;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::size_t offset = 0;
    // Small chunks so that events straddle buffer boundaries too, and the
    // reading moves to the segmented parse early.
    ods::ChunkSource source = [&](char* buffer, std::size_t capacity) {
        const std::size_t count = std::min({capacity, size - offset, std::size_t{512}});
        std::memcpy(buffer, data + offset, count);
        offset += count;
        return count;
    };
    try {
        Workbook workbook;
        Warnings warnings;
        ods::DocumentReader document(workbook, warnings);
        // Parsed in small segments from the start, so that the parsers that
        // read from cuts meet every kind of input too.
        ods::XmlReaderShape shape;
        shape.bytesBeforeParsingAhead = 1;
        shape.segments.segmentBytes = 64 + size % 1024;
        shape.segments.batchesPerParser = 2;
        shape.segments.eventsPerBatch = 64;
        ods::XmlReader xml("content.xml", source, shape);
        document.readPart(xml);
        document.finish();
    } catch (const ConversionError&) {
    }
    return 0;
}
