// A pull reader over expat: the document is parsed piece by piece as the
// caller asks for events, so a part of any size is read without holding it
// in memory. Readers are written as one function per nesting level:
//
//     while (xml.nextChild()) {
//         if (xml.is(Ns::Table, "table-row")) readRow(xml);
//         else xml.skipElement();
//     }
//
// Entity declarations and document types of the document's own are refused
// outright: no entity is ever expanded, and no external document type is ever
// loaded. Tags larger than a bound are refused, and long text comes in pieces,
// so memory stays bounded whatever the input.
#pragma once

#include "office/ods/namespace_scope.h"
#include "office/ods/namespaces.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brindlemoor::office::ods {

// Fills the buffer with up to `size` bytes; returns 0 at the end.
using ChunkSource = std::function<std::size_t(char* buffer, std::size_t size)>;

enum class XmlEvent { Start, End, Text, Eof };

class XmlReader {
public:
    // `part` names the document part in error messages ("content.xml").
    XmlReader(std::string part, ChunkSource source);
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
    std::string_view text() const { return current().text; }

    const std::string& part() const { return part_; }
    // The line of the current event.
    int line() const;
    [[noreturn]] void fail(const std::string& what) const;

private:
    // Names are views into the namespace scope's table, which outlives events.
    struct Attribute {
        Ns ns;
        std::string_view local;
        std::string value;
    };
    struct ElementName {
        Ns ns = Ns::None;
        std::string_view local;
    };
    struct Event {
        XmlEvent type = XmlEvent::Eof;
        Ns ns = Ns::None;
        std::string_view local;
        std::vector<Attribute> attributes;
        std::size_t attributeCount = 0;
        std::string text;
        int line = 0;
        bool legacySeen = false;  // an older vocabulary's name seen up to here
    };

    const Event& current() const { return events_[current_]; }
    Event& pushEvent(XmlEvent type);
    void flushText();
    bool fill();
    bool startElement(const char* name, const char** attributes);
    void stop(std::string problem);
    [[noreturn]] void failAt(int line, const std::string& what) const;

    static void onStart(void* self, const char* name, const char** attributes);
    static void onEnd(void* self, const char* name);
    static void onText(void* self, const char* text, int length);
    static void onEntity(void* self, const char*, int, const char*, int, const char*, const char*,
                         const char*, const char*);
    static void onDoctype(void* self, const char*, const char*, const char*, int hasInternalSubset);

    std::string part_;
    ChunkSource source_;
    struct ParserDeleter { void operator()(void* parser) const; };
    std::unique_ptr<void, ParserDeleter> parser_;

    // The events of one chunk of input, parsed in one go (stopping the parser
    // at every event cost a tenth of the parse), handed out in order. The
    // slots and their strings are reused from chunk to chunk, so memory stays
    // bounded by what one chunk can hold. A problem found in the chunk is
    // raised only once the events before it have been handed out.
    std::vector<Event> events_;
    std::size_t eventCount_ = 0;
    std::size_t next_ = 0;
    std::size_t current_ = 0;
    std::string pendingFailure_;
    int pendingFailureLine_ = 0;
    std::string textBuffer_;
    int textLine_ = 0;
    bool finished_ = false;
    bool refusedEntity_ = false;
    bool refusedDoctype_ = false;
    std::uint64_t fedSinceEvent_ = 0;  // input given to the parser since it last reported anything
    bool tooDeep_ = false;
    std::string namespaceProblem_;
    bool legacySeen_ = false;
    int depth_ = 0;
    NamespaceScope scope_;
    std::vector<ElementName> open_;  // names of the enclosing elements, for their ends
};

}  // namespace brindlemoor::office::ods
