#include "office/ods/xml_reader.h"

#include "office/model/conversion_error.h"

#include <expat.h>

namespace brindlemoor::office::ods {
namespace {

constexpr int kChunkSize = 64 * 1024;
// Readers of nested content recurse; no real document comes near this depth,
// and refusing deeper ones keeps every reader's stack bounded.
constexpr int kMaxDepth = 1000;
// The parser holds a whole tag (with its attribute values) before it reports
// it: a tag larger than this is refused instead of buffered.
constexpr std::uint64_t kMaxMarkupBytes = 16u << 20;
// Long text goes to the caller in pieces of about this size, so text that a
// reader skips is never held whole.
constexpr std::size_t kTextPiece = 1u << 20;

XML_Parser asParser(void* parser) { return static_cast<XML_Parser>(parser); }

}  // namespace

void XmlReader::ParserDeleter::operator()(void* parser) const { XML_ParserFree(asParser(parser)); }

XmlReader::XmlReader(std::string part, ChunkSource source)
    : part_(std::move(part)), source_(std::move(source)),
      parser_(XML_ParserCreate(nullptr)) {
    if (!parser_) throw ConversionError("out of memory while reading " + part_);
    XML_Parser p = asParser(parser_.get());
    XML_SetUserData(p, this);
    XML_SetElementHandler(p, &XmlReader::onStart, &XmlReader::onEnd);
    XML_SetCharacterDataHandler(p, &XmlReader::onText);
    XML_SetEntityDeclHandler(p, &XmlReader::onEntity);
    XML_SetStartDoctypeDeclHandler(p, &XmlReader::onDoctype);
    XML_SetParamEntityParsing(p, XML_PARAM_ENTITY_PARSING_NEVER);
    events_.resize(1);
}

XmlReader::~XmlReader() = default;

int XmlReader::line() const {
    if (current().line > 0) return current().line;
    return static_cast<int>(XML_GetCurrentLineNumber(asParser(parser_.get())));
}

void XmlReader::fail(const std::string& what) const { failAt(line(), what); }

void XmlReader::failAt(int line, const std::string& what) const {
    throw ConversionError(part_ + " (line " + std::to_string(line) + "): " + what);
}

std::optional<std::string_view> XmlReader::attribute(Ns ns, std::string_view local) const {
    const Event& event = current();
    for (std::size_t i = 0; i < event.attributeCount; ++i) {
        const Attribute& a = event.attributes[i];
        if (a.ns == ns && a.local == local) return std::string_view(a.value);
    }
    return std::nullopt;
}

XmlReader::Event& XmlReader::pushEvent(XmlEvent type) {
    if (eventCount_ == events_.size()) events_.emplace_back();
    Event& event = events_[eventCount_++];
    event.type = type;
    event.line = static_cast<int>(XML_GetCurrentLineNumber(asParser(parser_.get())));
    event.legacySeen = legacySeen_;
    return event;
}

void XmlReader::flushText() {
    if (textBuffer_.empty()) return;
    Event& event = pushEvent(XmlEvent::Text);
    event.line = textLine_;
    event.text.swap(textBuffer_);
    textBuffer_.clear();
}

namespace {

// Why a name the namespace scope could not resolve is wrong.
std::string unresolvable(std::string_view name) {
    const auto colon = name.find(':');
    if (colon == 0 || colon + 1 == name.size() || name.find(':', colon + 1) != std::string_view::npos) {
        return "\"" + std::string(name) + "\" is not a well-formed qualified name";
    }
    return "unbound prefix \"" + std::string(name.substr(0, colon)) + "\"";
}

}  // namespace

void XmlReader::stop(std::string problem) {
    namespaceProblem_ = std::move(problem);
    XML_StopParser(asParser(parser_.get()), XML_FALSE);
}

bool XmlReader::startElement(const char* name, const char** attributes) {
    if (std::string problem = scope_.enter(attributes); !problem.empty()) {
        stop(std::move(problem));
        return false;
    }
    const auto element = scope_.element(name);
    if (!element) {
        stop(unresolvable(name));
        return false;
    }
    ElementName resolved{element->info.ns, element->local};
    if (element->info.legacy) {
        legacySeen_ = true;
        normaliseLegacyName(resolved.ns, resolved.local, {});
    }
    Event& event = pushEvent(XmlEvent::Start);
    event.ns = resolved.ns;
    event.local = resolved.local;
    std::size_t count = 0;
    for (const char** a = attributes; *a; a += 2) {
        if (a[0][0] == 'x' && NamespaceScope::isDeclaration(a[0])) continue;
        const auto attribute = scope_.attribute(a[0]);
        if (!attribute) {
            stop(unresolvable(a[0]));
            return false;
        }
        Ns ns = attribute->info.ns;
        std::string_view local = attribute->local;
        // Attributes are renamed against the element's name as written.
        if (attribute->info.legacy) normaliseLegacyName(ns, local, element->local);
        if (event.attributes.size() <= count) event.attributes.emplace_back();
        Attribute& slot = event.attributes[count++];
        slot.ns = ns;
        slot.local = local;
        slot.value.assign(a[1]);
    }
    event.attributeCount = count;
    open_.push_back(resolved);
    return true;
}

void XmlReader::onStart(void* self, const char* name, const char** attributes) {
    auto& reader = *static_cast<XmlReader*>(self);
    if (reader.depth_ >= kMaxDepth) {
        reader.tooDeep_ = true;
        XML_StopParser(asParser(reader.parser_.get()), XML_FALSE);
        return;
    }
    reader.fedSinceEvent_ = 0;
    reader.flushText();
    if (!reader.startElement(name, attributes)) return;
    ++reader.depth_;
}

void XmlReader::onEnd(void* self, const char*) {
    auto& reader = *static_cast<XmlReader*>(self);
    reader.fedSinceEvent_ = 0;
    reader.flushText();
    Event& event = reader.pushEvent(XmlEvent::End);
    // The parser has checked that the end matches its start.
    if (!reader.open_.empty()) {
        event.ns = reader.open_.back().ns;
        event.local = reader.open_.back().local;
        reader.open_.pop_back();
    }
    event.attributeCount = 0;
    reader.scope_.leave();
    --reader.depth_;
}

void XmlReader::onText(void* self, const char* text, int length) {
    auto& reader = *static_cast<XmlReader*>(self);
    reader.fedSinceEvent_ = 0;
    if (reader.depth_ == 0) return;
    if (reader.textBuffer_.empty()) reader.textLine_ = static_cast<int>(XML_GetCurrentLineNumber(asParser(reader.parser_.get())));
    reader.textBuffer_.append(text, static_cast<std::size_t>(length));
    if (reader.textBuffer_.size() >= kTextPiece) reader.flushText();
}

// Documents of OpenOffice 1.x name an external document type, which is never
// loaded. A document type of the document's own (an internal subset) can
// declare entities, or attribute defaults that would change what the document
// says: no real spreadsheet carries one, so it is refused.
void XmlReader::onDoctype(void* self, const char*, const char*, const char*, int hasInternalSubset) {
    if (!hasInternalSubset) return;
    auto& reader = *static_cast<XmlReader*>(self);
    reader.refusedDoctype_ = true;
    XML_StopParser(asParser(reader.parser_.get()), XML_FALSE);
}

void XmlReader::onEntity(void* self, const char*, int, const char*, int, const char*, const char*,
                         const char*, const char*) {
    auto& reader = *static_cast<XmlReader*>(self);
    reader.refusedEntity_ = true;
    XML_StopParser(asParser(reader.parser_.get()), XML_FALSE);
}

bool XmlReader::fill() {
    XML_Parser p = asParser(parser_.get());
    eventCount_ = 0;
    next_ = 0;
    while (eventCount_ == 0) {
        if (!pendingFailure_.empty()) failAt(pendingFailureLine_, pendingFailure_);
        if (finished_) return false;
        void* buffer = XML_GetBuffer(p, kChunkSize);
        if (!buffer) throw ConversionError("out of memory while reading " + part_);
        const std::size_t got = source_(static_cast<char*>(buffer), kChunkSize);
        fedSinceEvent_ += got;
        const XML_Status result = XML_ParseBuffer(p, static_cast<int>(got), got == 0);
        if (result == XML_STATUS_ERROR) {
            pendingFailureLine_ = static_cast<int>(XML_GetCurrentLineNumber(p));
            if (refusedDoctype_) {
                pendingFailure_ = "the document brings its own document type definition (entities or rules), which is refused";
            } else if (refusedEntity_) {
                pendingFailure_ = "the document declares XML entities, which are refused";
            } else if (!namespaceProblem_.empty()) {
                pendingFailure_ = "malformed XML: " + namespaceProblem_;
            } else if (tooDeep_) {
                pendingFailure_ = "elements are nested more than " + std::to_string(kMaxDepth) + " levels deep; the document is refused";
            } else {
                pendingFailure_ = std::string("malformed XML: ") + XML_ErrorString(XML_GetErrorCode(p));
            }
        } else if (fedSinceEvent_ > kMaxMarkupBytes) {
            pendingFailureLine_ = static_cast<int>(XML_GetCurrentLineNumber(p));
            pendingFailure_ = "a single tag or comment is longer than " + std::to_string(kMaxMarkupBytes >> 20) +
                              " MiB; the document is refused";
        } else if (got == 0) {
            finished_ = true;
        }
    }
    return true;
}

XmlEvent XmlReader::next() {
    if (next_ == eventCount_ && !fill()) {
        Event& end = events_.front();
        end.type = XmlEvent::Eof;
        end.attributeCount = 0;
        end.line = 0;  // the parser's own position, at the end
        current_ = 0;
        return XmlEvent::Eof;
    }
    current_ = next_++;
    return events_[current_].type;
}

bool XmlReader::nextChild() {
    for (;;) {
        switch (next()) {
        case XmlEvent::Start: return true;
        case XmlEvent::End: return false;
        case XmlEvent::Text: break;
        case XmlEvent::Eof: fail("the document ends unexpectedly");
        }
    }
}

void XmlReader::skipElement() {
    int depth = 1;
    while (depth > 0) {
        switch (next()) {
        case XmlEvent::Start: ++depth; break;
        case XmlEvent::End: --depth; break;
        case XmlEvent::Text: break;
        case XmlEvent::Eof: fail("the document ends unexpectedly");
        }
    }
}

std::string XmlReader::readText() {
    std::string result;
    int depth = 1;
    while (depth > 0) {
        switch (next()) {
        case XmlEvent::Start: ++depth; break;
        case XmlEvent::End: --depth; break;
        case XmlEvent::Text: result += text(); break;
        case XmlEvent::Eof: fail("the document ends unexpectedly");
        }
    }
    return result;
}

}  // namespace brindlemoor::office::ods
