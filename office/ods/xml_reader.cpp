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
}

XmlReader::~XmlReader() = default;

int XmlReader::line() const { return static_cast<int>(XML_GetCurrentLineNumber(asParser(parser_.get()))); }

void XmlReader::fail(const std::string& what) const {
    throw ConversionError(part_ + " (line " + std::to_string(line()) + "): " + what);
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
    if (pendingCount_ + 1 >= slots_.size()) fail("internal error: too many pending XML events");
    Event& event = slots_[(pendingHead_ + pendingCount_++) % slots_.size()];
    event.type = type;
    return event;
}

void XmlReader::flushText() {
    if (textBuffer_.empty()) return;
    Event& event = pushEvent(XmlEvent::Text);
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
    XML_StopParser(asParser(reader.parser_.get()), XML_TRUE);
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
    XML_StopParser(asParser(reader.parser_.get()), XML_TRUE);
}

void XmlReader::onText(void* self, const char* text, int length) {
    auto& reader = *static_cast<XmlReader*>(self);
    reader.fedSinceEvent_ = 0;
    if (reader.depth_ == 0) return;
    reader.textBuffer_.append(text, static_cast<std::size_t>(length));
    if (reader.textBuffer_.size() >= kTextPiece) {
        reader.flushText();
        XML_StopParser(asParser(reader.parser_.get()), XML_TRUE);
    }
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
    while (pendingCount_ == 0) {
        if (finished_) return false;
        XML_ParsingStatus status;
        XML_GetParsingStatus(p, &status);
        XML_Status result;
        if (status.parsing == XML_FINISHED) {
            finished_ = true;
            continue;
        }
        if (status.parsing == XML_SUSPENDED) {
            result = XML_ResumeParser(p);
        } else {
            void* buffer = XML_GetBuffer(p, kChunkSize);
            if (!buffer) throw ConversionError("out of memory while reading " + part_);
            const std::size_t got = source_(static_cast<char*>(buffer), kChunkSize);
            fedSinceEvent_ += got;
            result = XML_ParseBuffer(p, static_cast<int>(got), got == 0);
        }
        if (result != XML_STATUS_ERROR && fedSinceEvent_ > kMaxMarkupBytes) {
            fail("a single tag or comment is longer than " + std::to_string(kMaxMarkupBytes >> 20) +
                 " MiB; the document is refused");
        }
        if (result == XML_STATUS_ERROR) {
            if (refusedDoctype_) {
                fail("the document brings its own document type definition (entities or rules), which is refused");
            }
            if (refusedEntity_) {
                fail("the document declares XML entities, which are refused");
            }
            if (!namespaceProblem_.empty()) fail("malformed XML: " + namespaceProblem_);
            if (tooDeep_) {
                fail("elements are nested more than " + std::to_string(kMaxDepth) + " levels deep; the document is refused");
            }
            const XML_Error code = XML_GetErrorCode(p);
            fail(std::string("malformed XML: ") + XML_ErrorString(code));
        }
    }
    return true;
}

XmlEvent XmlReader::next() {
    if (!fill()) {
        slots_[currentSlot_].type = XmlEvent::Eof;
        return XmlEvent::Eof;
    }
    currentSlot_ = pendingHead_;
    pendingHead_ = (pendingHead_ + 1) % slots_.size();
    --pendingCount_;
    return slots_[currentSlot_].type;
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
