#include "office/ods/xml_event_parser.h"

#include "office/model/conversion_error.h"

#include <expat.h>

#include <algorithm>

namespace brindlemoor::office::ods {
namespace {

// A batch asked for many events takes no more input than this.
constexpr std::uint64_t kMaxBatchInput = 4 * XmlEventParser::kChunkSize;
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

// Why a name the namespace scope could not resolve is wrong.
std::string unresolvable(std::string_view name) {
    const auto colon = name.find(':');
    if (colon == 0 || colon + 1 == name.size() || name.find(':', colon + 1) != std::string_view::npos) {
        return "\"" + std::string(name) + "\" is not a well-formed qualified name";
    }
    return "unbound prefix \"" + std::string(name.substr(0, colon)) + "\"";
}

void appendEscaped(std::string& out, std::string_view value) {
    for (const char c : value) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '"': out += "&quot;"; break;
        case '\t': out += "&#9;"; break;
        case '\n': out += "&#10;"; break;
        case '\r': out += "&#13;"; break;
        default: out += c;
        }
    }
}

}  // namespace

std::string ParserState::primingText() const {
    std::string text;
    for (const Open& element : open) {
        text += '<';
        text += element.qualified;
        for (const auto& [prefix, uri] : element.declarations) {
            text += prefix.empty() ? " xmlns=\"" : " xmlns:" + prefix + "=\"";
            appendEscaped(text, uri);
            text += '"';
        }
        text += '>';
    }
    return text;
}

void XmlEventParser::ParserDeleter::operator()(void* parser) const { XML_ParserFree(asParser(parser)); }

XmlEventParser::XmlEventParser(const std::string& part, ChunkSource source)
    : part_(part), source_(std::move(source)), parser_(XML_ParserCreate(nullptr)) {
    if (!parser_) throw ConversionError("out of memory while reading " + part_);
    XML_Parser p = asParser(parser_.get());
    XML_SetUserData(p, this);
    XML_SetElementHandler(p, &XmlEventParser::onStart, &XmlEventParser::onEnd);
    XML_SetCharacterDataHandler(p, &XmlEventParser::onText);
    XML_SetEntityDeclHandler(p, &XmlEventParser::onEntity);
    XML_SetStartDoctypeDeclHandler(p, &XmlEventParser::onDoctype);
    XML_SetXmlDeclHandler(p, &XmlEventParser::onDeclaration);
    XML_SetParamEntityParsing(p, XML_PARAM_ENTITY_PARSING_NEVER);
}

XmlEventParser::~XmlEventParser() = default;

std::uint64_t XmlEventParser::currentOffset() {
    const XML_Index at = XML_GetCurrentByteIndex(asParser(parser_.get()));
    return at < 0 ? consumed_ : static_cast<std::uint64_t>(at);
}

int XmlEventParser::currentLine() { return lines_.lineAt(currentOffset()) + lineBase_; }

ParserState XmlEventParser::state() const {
    ParserState state;
    const auto declarations = scope_.declarations();
    for (std::size_t i = 0; i < open_.size(); ++i) {
        state.open.push_back({std::string(open_[i].qualified),
                              i < declarations.size() ? declarations[i] : ParserState::Open{}.declarations});
    }
    state.legacySeen = legacySeen_;
    return state;
}

void XmlEventParser::prime(const ParserState& state, std::uint64_t lineEnds) {
    const std::string text = state.primingText();
    lines_.feed(text.data(), text.size());
    XmlBatch discarded;
    batch_ = &discarded;
    const XML_Status status = XML_Parse(asParser(parser_.get()), text.data(), static_cast<int>(text.size()), XML_FALSE);
    batch_ = nullptr;
    if (status != XML_STATUS_OK || open_.size() != state.open.size()) {
        throw ConversionError(part_ + ": a parser could not be started in the middle of the document");
    }
    legacySeen_ = state.legacySeen;
    lineBase_ = static_cast<int>(lineEnds);
}

void XmlEventParser::expectCut(std::uint64_t offset, const ParserState* expected, std::size_t id) {
    cuts_.push_back({offset, expected, id});
}

bool XmlEventParser::atCut(std::uint64_t offset, bool startTag) {
    while (!cuts_.empty() && offset >= cuts_.front().offset) {
        const Cut cut = cuts_.front();
        cuts_.pop_front();
        if (startTag && offset == cut.offset) {
            flushText();  // the text before the cut is still this parser's
            if (state() == *cut.expected) {
                handedOver_ = true;
                handedTo_ = cut.id;
                cuts_.clear();  // the next parser settles those
                XML_StopParser(asParser(parser_.get()), XML_FALSE);
                return true;
            }
        }
        failedCuts_.push_back(cut.id);
    }
    return false;
}

XmlEventRecord& XmlEventParser::pushEvent(XmlEvent type) {
    XmlEventRecord& event = batch_->events.emplace_back();
    event.type = type;
    event.line = currentLine();
    event.legacySeen = legacySeen_;
    return event;
}

void XmlEventParser::flushText() {
    if (!textOpen_) return;
    textOpen_ = false;
    XmlEventRecord& event = pushEvent(XmlEvent::Text);
    event.line = textLine_;
    event.textAt = textAt_;
    event.textSize = static_cast<std::uint32_t>(batch_->chars.size() - textAt_);
}

void XmlEventParser::stop(std::string problem) {
    namespaceProblem_ = std::move(problem);
    XML_StopParser(asParser(parser_.get()), XML_FALSE);
}

bool XmlEventParser::startElement(const char* name, const char** attributes) {
    if (std::string problem = scope_.enter(attributes); !problem.empty()) {
        stop(std::move(problem));
        return false;
    }
    const auto element = scope_.element(name);
    if (!element) {
        stop(unresolvable(name));
        return false;
    }
    ElementName resolved{element->info.ns, element->local, scope_.stored(name)};
    if (element->info.legacy) {
        legacySeen_ = true;
        normaliseLegacyName(resolved.ns, resolved.local, {});
    }
    if (watchRows_ && !rowState_ && splittable_ && resolved.ns == Ns::Table && resolved.local == "table-row") {
        rowState_ = state();
        rowTag_ = "<" + std::string(resolved.qualified);
    }
    XmlBatch& batch = *batch_;
    XmlEventRecord& event = pushEvent(XmlEvent::Start);
    event.ns = resolved.ns;
    event.local = resolved.local;
    event.firstAttribute = static_cast<std::uint32_t>(batch.attributes.size());
    std::uint32_t count = 0;
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
        const std::string_view value(a[1]);
        batch.attributes.push_back({ns, local, static_cast<std::uint32_t>(batch.chars.size()),
                                    static_cast<std::uint32_t>(value.size())});
        batch.chars.append(value);
        ++count;
    }
    event.attributeCount = count;
    open_.push_back(resolved);
    return true;
}

void XmlEventParser::onStart(void* self, const char* name, const char** attributes) {
    auto& parser = *static_cast<XmlEventParser*>(self);
    if (!parser.cuts_.empty() && parser.atCut(parser.currentOffset(), true)) return;
    if (parser.depth_ >= kMaxDepth) {
        parser.tooDeep_ = true;
        XML_StopParser(asParser(parser.parser_.get()), XML_FALSE);
        return;
    }
    parser.fedSinceEvent_ = 0;
    parser.flushText();
    if (!parser.startElement(name, attributes)) return;
    ++parser.depth_;
}

void XmlEventParser::onEnd(void* self, const char*) {
    auto& parser = *static_cast<XmlEventParser*>(self);
    if (!parser.cuts_.empty()) parser.atCut(parser.currentOffset(), false);
    parser.fedSinceEvent_ = 0;
    parser.flushText();
    XmlEventRecord& event = parser.pushEvent(XmlEvent::End);
    // The parser has checked that the end matches its start.
    if (!parser.open_.empty()) {
        event.ns = parser.open_.back().ns;
        event.local = parser.open_.back().local;
        parser.open_.pop_back();
    }
    parser.scope_.leave();
    --parser.depth_;
}

void XmlEventParser::onText(void* self, const char* text, int length) {
    auto& parser = *static_cast<XmlEventParser*>(self);
    if (!parser.cuts_.empty()) parser.atCut(parser.currentOffset(), false);
    parser.fedSinceEvent_ = 0;
    if (parser.depth_ == 0 || length <= 0) return;
    std::string& chars = parser.batch_->chars;
    if (!parser.textOpen_) {
        parser.textOpen_ = true;
        parser.textLine_ = parser.currentLine();
        parser.textAt_ = static_cast<std::uint32_t>(chars.size());
    }
    chars.append(text, static_cast<std::size_t>(length));
    if (chars.size() - parser.textAt_ >= kTextPiece) parser.flushText();
}

// Documents of OpenOffice 1.x name an external document type, which is never
// loaded. A document type of the document's own (an internal subset) can
// declare entities, or attribute defaults that would change what the document
// says: no real spreadsheet carries one, so it is refused.
void XmlEventParser::onDoctype(void* self, const char*, const char*, const char*, int hasInternalSubset) {
    auto& parser = *static_cast<XmlEventParser*>(self);
    // A document type (even one never loaded) can change what later parts
    // mean, e.g. which entities are declared: such a document is read in one.
    parser.splittable_ = false;
    if (!hasInternalSubset) return;
    parser.refusedDoctype_ = true;
    XML_StopParser(asParser(parser.parser_.get()), XML_FALSE);
}

void XmlEventParser::onDeclaration(void* self, const char*, const char* encoding, int) {
    if (!encoding) return;
    const std::string_view name(encoding);
    const bool utf8 = name.size() == 5 && std::equal(name.begin(), name.end(), "UTF-8", [](char a, char b) {
        return (a >= 'a' && a <= 'z' ? a - 'a' + 'A' : a) == b;
    });
    if (!utf8) static_cast<XmlEventParser*>(self)->splittable_ = false;
}

void XmlEventParser::onEntity(void* self, const char*, int, const char*, int, const char*, const char*,
                              const char*, const char*) {
    auto& parser = *static_cast<XmlEventParser*>(self);
    parser.refusedEntity_ = true;
    XML_StopParser(asParser(parser.parser_.get()), XML_FALSE);
}

void XmlEventParser::fill(XmlBatch& batch, std::size_t events, std::size_t chunk) {
    batch.events.clear();
    batch.attributes.clear();
    batch.chars.clear();
    if (textOpen_) {
        batch.chars.append(carriedText_);
        textAt_ = 0;
    }
    batch.last = false;
    batch.handover = false;
    batch.failure.clear();
    batch.error = nullptr;
    try {
        parse(batch, std::max<std::size_t>(events, 1), std::clamp<std::size_t>(chunk, 1, kChunkSize));
        // Open text belongs to no event of this batch yet: the next takes it.
        if (textOpen_ && !batch.last) {
            carriedText_.assign(batch.chars, textAt_);
            batch.chars.resize(textAt_);
        }
    } catch (const std::bad_alloc&) {
        batch.error = std::make_exception_ptr(ConversionError("out of memory while reading " + part_));
        batch.last = true;
    } catch (...) {
        batch.error = std::current_exception();
        batch.last = true;
    }
    // The document (or this parser's reading of it) ended before the cut
    // expected was settled: the cut was not one.
    if (batch.last) {
        for (const Cut& cut : cuts_) failedCuts_.push_back(cut.id);
        cuts_.clear();
    }
    batch_ = nullptr;
}

void XmlEventParser::parse(XmlBatch& batch, std::size_t events, std::size_t chunk) {
    XML_Parser p = asParser(parser_.get());
    batch_ = &batch;
    std::uint64_t fed = 0;  // by this call: a batch's characters stay bounded whatever its events
    while (!batch.last && (batch.events.empty() || (batch.events.size() < events && fed < kMaxBatchInput))) {
        void* buffer = XML_GetBuffer(p, static_cast<int>(chunk));
        if (!buffer) throw ConversionError("out of memory while reading " + part_);
        const std::size_t got = source_(static_cast<char*>(buffer), chunk);
        lines_.feed(static_cast<const char*>(buffer), got);
        consumed_ += got;
        fedSinceEvent_ += got;
        fed += got;
        const XML_Status result = XML_ParseBuffer(p, static_cast<int>(got), got == 0);
        if (handedOver_) {
            batch.handover = true;
            return;
        }
        if (result == XML_STATUS_ERROR) {
            batch.last = true;
            batch.failureLine = currentLine();
            if (refusedDoctype_) {
                batch.failure = "the document brings its own document type definition (entities or rules), which is refused";
            } else if (refusedEntity_) {
                batch.failure = "the document declares XML entities, which are refused";
            } else if (!namespaceProblem_.empty()) {
                batch.failure = "malformed XML: " + namespaceProblem_;
            } else if (tooDeep_) {
                batch.failure = "elements are nested more than " + std::to_string(kMaxDepth) + " levels deep; the document is refused";
            } else {
                batch.failure = std::string("malformed XML: ") + XML_ErrorString(XML_GetErrorCode(p));
            }
        } else if (fedSinceEvent_ > kMaxMarkupBytes) {
            batch.last = true;
            batch.failureLine = currentLine();
            batch.failure = "a single tag or comment is longer than " + std::to_string(kMaxMarkupBytes >> 20) +
                            " MiB; the document is refused";
        } else if (got == 0) {
            batch.last = true;
            batch.endLine = currentLine();
        }
    }
}

}  // namespace brindlemoor::office::ods
