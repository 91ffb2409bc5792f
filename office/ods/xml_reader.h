// A pull reader over expat: the document is parsed piece by piece as the
// caller asks for events, so a part of any size is read without holding it
// in memory. Readers are written as one function per nesting level:
//
//     while (xml.nextChild()) {
//         if (xml.is(Ns::Table, "table-row")) readRow(xml);
//         else xml.skipElement();
//     }
//
// A large part is parsed on a thread of its own, a few batches of events
// ahead of the caller, so that tokenising and the caller's work share the
// machine's cores; a large part with table rows by several parsers at once
// (segmented_parse.h). What the caller sees is the same either way, faults
// included, each raised where it was found in the document.
#pragma once

#include "office/ods/batch_queue.h"
#include "office/ods/namespaces.h"
#include "office/ods/segmented_parse.h"
#include "office/ods/xml_event_parser.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace brindlemoor::office::ods {

// When and how a part is parsed on other threads.
struct XmlReaderShape {
    // A part still going after this much input is parsed ahead.
    std::uint64_t bytesBeforeParsingAhead = 256 * 1024;
    // A part with table rows is then parsed in segments, several at once.
    bool segmented = true;
    SegmentShape segments;
};

class XmlReader {
public:
    // `part` names the document part in error messages ("content.xml").
    XmlReader(std::string part, ChunkSource source, XmlReaderShape shape = {});
    ~XmlReader();
    XmlReader(const XmlReader&) = delete;
    XmlReader& operator=(const XmlReader&) = delete;

    XmlEvent next();

    // From a Start event (or after a child was read to its end): moves to the
    // next child element and returns true, or consumes the end of the
    // current element and returns false. Text between children is skipped.
    bool nextChild();
    // From a Start event: consumes everything up to the matching End.
    void skipElement();
    // From a Start event: the concatenated text of the element, to its End.
    std::string readText();

    // The current Start or End event.
    Ns ns() const { return current().ns; }
    std::string_view local() const { return current().local; }
    bool is(Ns ns, std::string_view local) const { return current().ns == ns && current().local == local; }
    bool legacy() const { return current().legacySeen; }
    std::optional<std::string_view> attribute(Ns ns, std::string_view local) const;

    // The current Text event.
    std::string_view text() const;

    const std::string& part() const { return part_; }
    // The segmented parse, once the part is read that way.
    const SegmentedParse* segmented() const { return segmented_.get(); }
    // The line of the current event.
    int line() const;
    [[noreturn]] void fail(const std::string& what) const;

private:
    const XmlEventRecord& current() const { return *current_; }
    // The batch to take events from next, parsed here or taken from the
    // thread parsing ahead.
    XmlBatch& nextBatch();
    void parseAhead();
    [[noreturn]] void failAt(int line, const std::string& what) const;

    std::string part_;
    XmlReaderShape shape_;
    std::unique_ptr<XmlEventParser> parser_;

    // Parsed here: two batches in turn, so that the events of the batch
    // before stay valid while the next is filled.
    std::array<XmlBatch, 2> ownBatches_;
    // Parsed ahead, once the part proves large.
    std::unique_ptr<BatchQueue<XmlBatch>> queue_;
    std::thread ahead_;
    // Or parsed in segments (destroyed before the parser it drives).
    std::unique_ptr<SegmentedParse> segmented_;

    XmlBatch* batch_ = nullptr;     // events handed out from here
    XmlBatch* previous_ = nullptr;  // the batch before, kept until the next is done
    std::size_t next_ = 0;
    const XmlEventRecord* current_ = nullptr;
    XmlEventRecord eof_;
};

}  // namespace brindlemoor::office::ods
