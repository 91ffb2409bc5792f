// A large part parsed by several expat parsers at once, so that tokenising,
// the slowest step of reading a large sheet, uses every core.
//
// The input is cut into segments of a few megabytes, each cut placed at the
// start tag of a table row. The parser that has read the document so far goes
// on with the first segment; each later segment that starts at a cut gets a
// fresh parser primed with the state a row start had before (the enclosing
// elements and their namespaces), which reads it speculatively. Its events
// count only once the parser of the text before it, reading a little past its
// end, meets that very start tag at the cut's byte with the same state; then
// it stops there and hands over. Otherwise the guess was wrong (a cut inside a
// comment, in another kind of element, under other namespaces): the
// speculative events are thrown away, faults included, and the parser before
// reads on through that segment itself. So the caller sees the events, faults
// and line numbers of one parser reading the whole part, in document order.
//
// Memory stays bounded: a few segments and parsers in flight, and a fixed set
// of batches shared by them.
#pragma once

#include "office/ods/xml_event_parser.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace brindlemoor::office::ods {

struct SegmentShape {
    // Measured on a sheet of a million cells, 2 cores: 1 MiB segments and one
    // parser ahead as fast as larger ones or more, in less memory.
    std::size_t segmentBytes = 1u << 20;  // a segment ends at the first row tag after this much
    std::size_t parsersAhead = 1;         // speculative parsers at most
    std::size_t batchesPerParser = 8;     // filled batches a parser may hold unread (a segment's worth)
    std::size_t eventsPerBatch = 8192;
    std::size_t readBytes = 256 * 1024;   // input asked for at a time
};

class SegmentedParse {
public:
    // `first` has read the start of the part, and has seen the state before
    // a table row (rowState()); it goes on from where it stands, on a thread
    // of its own, and its source gives the rest of the part to the
    // segments. Throws std::system_error when threads cannot be started, and
    // leaves `first` as it was then.
    SegmentedParse(std::string part, XmlEventParser& first, SegmentShape shape = {});
    ~SegmentedParse();
    SegmentedParse(const SegmentedParse&) = delete;
    SegmentedParse& operator=(const SegmentedParse&) = delete;

    // The next batch in document order, or nullptr once stopping. A batch
    // stays valid until it is given back.
    XmlBatch* takeFull();
    void recycle(XmlBatch* batch);

    // Speculative parsers started and handed over to so far (for tests).
    std::size_t speculated() const;
    std::size_t handovers() const;

private:
    struct Bytes {
        std::unique_ptr<char[]> data;
        std::size_t size = 0;
        std::size_t capacity = 0;
        void reserve(std::size_t bytes);
    };
    struct Segment;
    struct Run;
    using SegmentPtr = std::shared_ptr<Segment>;

    void split();
    bool readSegment(Bytes& bytes, Bytes& carry, bool& last, std::exception_ptr& error);
    void publish(std::size_t index, Bytes bytes, std::uint64_t lineEnds, bool atCut, bool last,
                 std::exception_ptr error);
    void startRun(std::unique_lock<std::mutex>& lock, std::size_t index, const SegmentPtr& segment);
    void work(Run& run);
    std::size_t read(Run& run, char* buffer, std::size_t size);
    // Under the lock:
    std::size_t quota(const Run& run) const;
    std::size_t parsingRuns() const;
    bool mayTakeBatch(const Run& run) const;
    void settleFailures(Run& run, const std::vector<std::size_t>& failed);
    void cancel(std::size_t index);
    void verify(std::size_t index);
    void prune();
    std::optional<Bytes> takeBuffer();
    void giveBuffer(Bytes bytes);
    bool isStopping() const { return halted_; }

    const std::string part_;
    ChunkSource input_;
    const SegmentShape shape_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<XmlBatch> batches_;
    std::vector<std::size_t> owners_;  // the run each batch is out to
    std::vector<XmlBatch*> free_;
    std::map<std::size_t, SegmentPtr> segments_;  // published, not yet passed by every live parser
    std::map<std::size_t, std::unique_ptr<Run>> runs_;
    // Segments' buffers, reused; given back as segments go, so under a lock
    // of their own (taken after mutex_ when both are held).
    std::mutex spareMutex_;
    std::condition_variable spareChanged_;
    std::vector<Bytes> spare_;
    std::size_t buffersOut_ = 0;
    bool started_ = false;
    std::atomic<bool> halted_ = false;  // stopping_, for those that do not hold mutex_
    // Parsers waiting for the next segment: it is then made whatever the
    // bounds, since they may be what frees the room.
    std::size_t segmentWaiters_ = 0;
    std::atomic<std::size_t> waitingForInput_ = 0;
    std::size_t primingBytes_ = 0;
    std::size_t front_ = 0;         // the run read from
    bool frontEnded_ = false;       // its handover batch was taken
    std::optional<ParserState> priming_;
    std::string rowTag_;
    bool stopping_ = false;
    std::size_t speculated_ = 0;
    std::size_t handovers_ = 0;
    std::uint64_t startLineEnds_ = 0;
    bool startAfterReturn_ = false;
    std::thread splitter_;
};

}  // namespace brindlemoor::office::ods
