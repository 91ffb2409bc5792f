// The producing half of the pull reader: expat over the input, a chunk at a
// time, with names resolved through the namespace scope and each chunk's
// events written into a batch. It runs on the reader's thread for small
// parts, and on a thread of its own ahead of the reader for large ones.
//
// Entity declarations and document types of the document's own are refused
// outright: no entity is ever expanded, and no external document type is ever
// loaded. Tags larger than a bound are refused, and long text comes in pieces,
// so memory stays bounded whatever the input.
#pragma once

#include "office/ods/line_counter.h"
#include "office/ods/namespace_scope.h"
#include "office/ods/namespaces.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace brindlemoor::office::ods {

// Fills the buffer with up to `size` bytes; returns 0 at the end.
using ChunkSource = std::function<std::size_t(char* buffer, std::size_t size)>;

enum class XmlEvent { Start, End, Text, Eof };

// Names are views into the namespace scope's table, which lives as long as
// the parser: they stay valid while the batch is recycled and refilled.
// Values and texts are spans of the batch's characters.
struct XmlAttribute {
    Ns ns = Ns::None;
    std::string_view local;
    std::uint32_t valueAt = 0;
    std::uint32_t valueSize = 0;
};

struct XmlEventRecord {
    XmlEvent type = XmlEvent::Eof;
    Ns ns = Ns::None;
    std::string_view local;
    std::uint32_t firstAttribute = 0;  // in the batch's attributes
    std::uint32_t attributeCount = 0;
    std::uint32_t textAt = 0;          // in the batch's characters
    std::uint32_t textSize = 0;
    int line = 0;
    bool legacySeen = false;  // an older vocabulary's name seen up to here
};

// The events of one chunk of input, and how the input goes on after them:
// more to come, its end, or a fault found right after the last event. Every
// event's attributes and every value and text lie side by side in a few
// buffers, written and read in order, which keep their room from one round
// to the next.
struct XmlBatch {
    std::vector<XmlEventRecord> events;
    std::vector<XmlAttribute> attributes;
    std::string chars;         // attribute values and texts
    bool last = false;         // nothing follows this batch
    bool handover = false;     // the parser stopped at a verified cut: another one goes on from there
    std::string failure;       // with last: the document is refused for this
    int failureLine = 0;
    std::exception_ptr error;  // with last: the source (or memory) failed
    int endLine = 0;           // with last: the parser's line at the end

    std::string_view span(std::uint32_t at, std::uint32_t size) const {
        return size == 0 ? std::string_view() : std::string_view(chars).substr(at, size);
    }
};

// Where a parser stands between two elements: the elements open around it,
// each by its name as written with the namespaces it declared, and whether an
// older vocabulary was seen before. A parser started from this state (primed)
// reads what follows exactly as one that read everything before.
struct ParserState {
    struct Open {
        std::string qualified;
        std::vector<std::pair<std::string, std::string>> declarations;  // prefix, namespace
        bool operator==(const Open&) const = default;
    };
    std::vector<Open> open;
    bool legacySeen = false;
    bool operator==(const ParserState&) const = default;

    // The open elements as start tags, on one line.
    std::string primingText() const;
};

class XmlEventParser {
public:
    // `part` names the document part in error messages ("content.xml").
    XmlEventParser(const std::string& part, ChunkSource source);
    ~XmlEventParser();
    XmlEventParser(const XmlEventParser&) = delete;
    XmlEventParser& operator=(const XmlEventParser&) = delete;

    // Input is asked for in chunks of this size unless the caller says
    // otherwise.
    static constexpr std::size_t kChunkSize = 64 * 1024;

    // Parses input `chunk` bytes at a time until the batch holds at least
    // `events` events (one or more) or is the last. Never throws: whatever
    // goes wrong is recorded in the batch. Once a last batch has been filled
    // the parser must not be asked again. A batch holds the events of about
    // `chunk` bytes or more, and its buffers grow to that, so a small part
    // read in small chunks touches little memory.
    void fill(XmlBatch& batch, std::size_t events = 1, std::size_t chunk = kChunkSize);

    // Input taken from the source so far.
    std::uint64_t consumed() const { return consumed_; }
    // Line ends in that input, and whether it ends in a carriage return.
    std::uint64_t lineEnds() const { return lines_.lineEnds(); }
    bool endsInReturn() const { return lines_.endsInReturn(); }

    // Further input comes from `source`; returns the one used before.
    ChunkSource swapSource(ChunkSource source) { return std::exchange(source_, std::move(source)); }

    // A document in UTF-8 without a document type of its own can be split
    // into pieces that each parser reads from a primed state. The state and
    // tag ("<table:table-row" as this document writes it) before the first
    // table row, once one is seen; empty otherwise.
    void watchRows() { watchRows_ = true; }
    const std::optional<ParserState>& rowState() const { return rowState_; }
    const std::string& rowTag() const { return rowTag_; }

    // Starts a fresh parser where another stood in `state`, and counts lines
    // from after `lineEnds` ends. The priming elements give no events.
    void prime(const ParserState& state, std::uint64_t lineEnds);
    // The input at `offset` (counted from this parser's first byte, priming
    // included) should be the start tag that another parser, primed with
    // `expected`, reads on from (`id` names that parser). If this parser
    // finds that tag there with the same state, it hands over: the batch ends
    // there with `handover` and the parser stops. Otherwise the guess was
    // wrong and it reads on. Cuts are settled in the order of their offsets.
    void expectCut(std::uint64_t offset, const ParserState* expected, std::size_t id);
    // The cuts found wrong since last asked.
    std::vector<std::size_t> takeFailedCuts() { return std::exchange(failedCuts_, {}); }
    // With a batch that hands over: to whom.
    std::size_t handedTo() const { return handedTo_; }

private:
    void parse(XmlBatch& batch, std::size_t events, std::size_t chunk);
    XmlEventRecord& pushEvent(XmlEvent type);
    void flushText();
    bool startElement(const char* name, const char** attributes);
    void stop(std::string problem);
    int currentLine();
    std::uint64_t currentOffset();
    ParserState state() const;
    // Whether the event at `offset` settles the cut expected; true when the
    // parser hands over there.
    bool atCut(std::uint64_t offset, bool startTag);

    static void onStart(void* self, const char* name, const char** attributes);
    static void onEnd(void* self, const char* name);
    static void onText(void* self, const char* text, int length);
    static void onEntity(void* self, const char*, int, const char*, int, const char*, const char*,
                         const char*, const char*);
    static void onDoctype(void* self, const char*, const char*, const char*, int hasInternalSubset);
    static void onDeclaration(void* self, const char*, const char* encoding, int);

    std::string part_;
    ChunkSource source_;
    struct ParserDeleter { void operator()(void* parser) const; };
    std::unique_ptr<void, ParserDeleter> parser_;

    XmlBatch* batch_ = nullptr;  // being filled
    // Text goes straight into the batch's characters, from textAt_ on, until
    // an element starts or ends; text still open when the batch is handed
    // over waits in carriedText_ for the next one.
    bool textOpen_ = false;
    std::uint32_t textAt_ = 0;
    std::string carriedText_;
    int textLine_ = 0;
    bool refusedEntity_ = false;
    bool refusedDoctype_ = false;
    std::uint64_t consumed_ = 0;
    std::uint64_t fedSinceEvent_ = 0;  // input given to the parser since it last reported anything
    bool tooDeep_ = false;
    std::string namespaceProblem_;
    bool legacySeen_ = false;
    int depth_ = 0;
    NamespaceScope scope_;
    LineCounter lines_;
    struct ElementName {
        Ns ns = Ns::None;
        std::string_view local;
        std::string_view qualified;
    };
    bool splittable_ = true;  // UTF-8 and no document type
    bool watchRows_ = false;
    std::optional<ParserState> rowState_;
    std::string rowTag_;
    int lineBase_ = 0;
    struct Cut {
        std::uint64_t offset = 0;
        const ParserState* expected = nullptr;
        std::size_t id = 0;
    };
    std::deque<Cut> cuts_;  // expected, not yet settled
    std::vector<std::size_t> failedCuts_;
    bool handedOver_ = false;
    std::size_t handedTo_ = 0;
    std::vector<ElementName> open_;  // names of the enclosing elements, for their ends
};

}  // namespace brindlemoor::office::ods
