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

#include <array>
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
    bool legacy() const { return legacySeen_; }
    std::optional<std::string_view> attribute(Ns ns, std::string_view local) const;

    // The current Text event.
    std::string_view text() const { return current().text; }

    const std::string& part() const { return part_; }
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
    };

    const Event& current() const { return slots_[currentSlot_]; }
    Event& pushEvent(XmlEvent type);
    void flushText();
    bool fill();
    bool startElement(const char* name, const char** attributes);
    void stop(std::string problem);

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

    // A ring of events: the current one and those pending. The parser is
    // resumed only when nothing is pending, and one resumption yields at most
    // three events (text, then the start and end of an empty element).
    std::array<Event, 8> slots_;
    std::size_t pendingHead_ = 0;
    std::size_t pendingCount_ = 0;
    std::size_t currentSlot_ = slots_.size() - 1;
    std::string textBuffer_;
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
