#include "office/ods/xml_reader.h"

#include "office/model/conversion_error.h"

#include <expat.h>

namespace brindlemoor::office::ods {
namespace {

constexpr char kSeparator = '\x01';
constexpr int kChunkSize = 64 * 1024;
// Readers of nested content recurse; no real document comes near this depth,
// and refusing deeper ones keeps every reader's stack bounded.
constexpr int kMaxDepth = 1000;

XML_Parser asParser(void* parser) { return static_cast<XML_Parser>(parser); }

}  // namespace

void XmlReader::ParserDeleter::operator()(void* parser) const { XML_ParserFree(asParser(parser)); }

XmlReader::XmlReader(std::string part, ChunkSource source)
    : part_(std::move(part)), source_(std::move(source)),
      parser_(XML_ParserCreateNS(nullptr, kSeparator)) {
    if (!parser_) throw ConversionError("out of memory while reading " + part_);
    XML_Parser p = asParser(parser_.get());
    XML_SetUserData(p, this);
    XML_SetElementHandler(p, &XmlReader::onStart, &XmlReader::onEnd);
    XML_SetCharacterDataHandler(p, &XmlReader::onText);
    XML_SetEntityDeclHandler(p, &XmlReader::onEntity);
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

void XmlReader::setName(Event& event, const char* name, std::string_view element) {
    std::string_view full(name);
    Ns ns = Ns::None;
    std::string_view local = full;
    bool legacy = false;
    if (const auto cut = full.find(kSeparator); cut != std::string_view::npos) {
        const NsInfo info = namespaceOf(full.substr(0, cut));
        ns = info.ns;
        legacy = info.legacy;
        local = full.substr(cut + 1);
    }
    if (legacy) {
        legacySeen_ = true;
        normaliseLegacyName(ns, local, element);
    }
    event.ns = ns;
    event.local.assign(local);
}

void XmlReader::onStart(void* self, const char* name, const char** attributes) {
    auto& reader = *static_cast<XmlReader*>(self);
    if (reader.depth_ >= kMaxDepth) {
        reader.tooDeep_ = true;
        XML_StopParser(asParser(reader.parser_.get()), XML_FALSE);
        return;
    }
    reader.flushText();
    Event& event = reader.pushEvent(XmlEvent::Start);
    reader.setName(event, name, {});
    // Attributes are renamed against the element's name as written.
    std::string_view rawElement(name);
    if (const auto cut = rawElement.find(kSeparator); cut != std::string_view::npos) {
        rawElement.remove_prefix(cut + 1);
    }
    std::size_t count = 0;
    for (const char** a = attributes; *a; a += 2, ++count) {
        if (event.attributes.size() <= count) event.attributes.emplace_back();
        Attribute& attribute = event.attributes[count];
        std::string_view full(a[0]);
        Ns ns = Ns::None;
        std::string_view local = full;
        if (const auto cut = full.find(kSeparator); cut != std::string_view::npos) {
            const NsInfo info = namespaceOf(full.substr(0, cut));
            ns = info.ns;
            local = full.substr(cut + 1);
            if (info.legacy) normaliseLegacyName(ns, local, rawElement);
        }
        attribute.ns = ns;
        attribute.local.assign(local);
        attribute.value.assign(a[1]);
    }
    event.attributeCount = count;
    ++reader.depth_;
    XML_StopParser(asParser(reader.parser_.get()), XML_TRUE);
}

void XmlReader::onEnd(void* self, const char* name) {
    auto& reader = *static_cast<XmlReader*>(self);
    reader.flushText();
    Event& event = reader.pushEvent(XmlEvent::End);
    reader.setName(event, name, {});
    event.attributeCount = 0;
    --reader.depth_;
    XML_StopParser(asParser(reader.parser_.get()), XML_TRUE);
}

void XmlReader::onText(void* self, const char* text, int length) {
    auto& reader = *static_cast<XmlReader*>(self);
    if (reader.depth_ > 0) reader.textBuffer_.append(text, static_cast<std::size_t>(length));
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
            result = XML_ParseBuffer(p, static_cast<int>(got), got == 0);
        }
        if (result == XML_STATUS_ERROR) {
            if (refusedEntity_) {
                fail("the document declares XML entities, which are refused");
            }
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
