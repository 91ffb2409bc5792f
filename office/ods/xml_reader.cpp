#include "office/ods/xml_reader.h"

#include "office/model/conversion_error.h"

#include <algorithm>
#include <system_error>

namespace brindlemoor::office::ods {
namespace {

// Input per batch parsed here: most parts are small, and a batch's records
// (some fifty bytes an event) grow with its input, so small chunks keep the
// memory a small document touches, and its page faults, low.
constexpr std::size_t kChunkParsedHere = 8 * 1024;
// Batches in circulation once parsing ahead: two with the caller, the rest
// for the parser to run ahead by.
constexpr std::size_t kBatchesAhead = 8;
// Events per batch parsed ahead (a few chunks' worth): the caller is the
// faster side and waits for each batch, and every hand-over wakes it up,
// which costs the parsing thread a system call.
constexpr std::size_t kEventsPerBatchAhead = 8192;

}  // namespace

XmlReader::XmlReader(std::string part, ChunkSource source, XmlReaderShape shape)
    : part_(std::move(part)), shape_(shape), parser_(std::make_unique<XmlEventParser>(part_, std::move(source))) {
    current_ = &eof_;
    if (shape_.segmented) parser_->watchRows();
}

XmlReader::~XmlReader() {
    segmented_.reset();
    if (ahead_.joinable()) {
        queue_->close();
        ahead_.join();
    }
}

int XmlReader::line() const { return std::max(current().line, 1); }

void XmlReader::fail(const std::string& what) const { failAt(line(), what); }

void XmlReader::failAt(int line, const std::string& what) const {
    throw ConversionError(part_ + " (line " + std::to_string(line) + "): " + what);
}

std::optional<std::string_view> XmlReader::attribute(Ns ns, std::string_view local) const {
    const XmlEventRecord& event = current();
    if (event.attributeCount == 0) return std::nullopt;
    const XmlAttribute* a = batch_->attributes.data() + event.firstAttribute;
    for (const XmlAttribute* end = a + event.attributeCount; a != end; ++a) {
        if (a->ns == ns && a->local == local) return batch_->span(a->valueAt, a->valueSize);
    }
    return std::nullopt;
}

std::string_view XmlReader::text() const {
    const XmlEventRecord& event = current();
    return event.textSize == 0 ? std::string_view() : batch_->span(event.textAt, event.textSize);
}

void XmlReader::parseAhead() {
    while (XmlBatch* batch = queue_->takeEmpty()) {
        parser_->fill(*batch, kEventsPerBatchAhead);
        const bool last = batch->last;
        queue_->publish(batch);
        if (last) return;
    }
}

XmlBatch& XmlReader::nextBatch() {
    XmlBatch* done = previous_;
    const bool doneIsOwn = done == &ownBatches_[0] || done == &ownBatches_[1];
    if (!queue_ && !segmented_ && parser_->consumed() >= shape_.bytesBeforeParsingAhead) {
        // The parser changes threads here; starting the thread orders
        // everything it did before.
        if (shape_.segmented && parser_->rowState()) {
            try {
                segmented_ = std::make_unique<SegmentedParse>(part_, *parser_, shape_.segments);
            } catch (const std::system_error&) {
                // no threads to spare: parsed by one
            }
        }
        if (!segmented_) {
            queue_ = std::make_unique<BatchQueue<XmlBatch>>(kBatchesAhead);
            try {
                ahead_ = std::thread([this] { parseAhead(); });
            } catch (const std::system_error&) {
                queue_.reset();  // no thread to spare: the part is parsed here to its end
            }
        }
    }
    if (segmented_) {
        if (done && !doneIsOwn) segmented_->recycle(done);
        XmlBatch* batch = segmented_->takeFull();
        if (!batch) throw ConversionError(part_ + ": reading was stopped");
        return *batch;
    }
    if (queue_) {
        if (done && !doneIsOwn) queue_->recycle(done);
        XmlBatch* batch = queue_->takeFull();
        if (!batch) throw ConversionError(part_ + ": reading was stopped");  // only once closed, by the destructor
        return *batch;
    }
    // The one the caller is not reading from.
    XmlBatch& batch = batch_ == &ownBatches_[0] ? ownBatches_[1] : ownBatches_[0];
    parser_->fill(batch, 1, kChunkParsedHere);
    return batch;
}

XmlEvent XmlReader::next() {
    while (!batch_ || next_ == batch_->events.size()) {
        if (batch_ && batch_->last) {
            if (batch_->error) std::rethrow_exception(batch_->error);
            if (!batch_->failure.empty()) failAt(batch_->failureLine, batch_->failure);
            eof_.line = batch_->endLine;  // the parser's own position, at the end
            current_ = &eof_;
            return XmlEvent::Eof;
        }
        XmlBatch& batch = nextBatch();
        previous_ = batch_;
        batch_ = &batch;
        next_ = 0;
    }
    current_ = &batch_->events[next_++];
    return current_->type;
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
