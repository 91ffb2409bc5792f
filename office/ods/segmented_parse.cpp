#include "office/ods/segmented_parse.h"

#include "office/ods/line_counter.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string.h>  // memmem

namespace brindlemoor::office::ods {
namespace {

// Thrown into a parser whose reading is called off; never reaches the caller.
struct Stopped {};

bool endsName(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '>' || c == '/'; }

}  // namespace

struct SegmentedParse::Segment {
    SegmentedParse* owner = nullptr;
    Bytes bytes;
    std::uint64_t lineEnds = 0;  // in the input before it
    bool atCut = false;          // starts at a row's start tag
    bool last = false;           // the input ends after it
    std::exception_ptr error;    // the input failed after it

    ~Segment() { owner->giveBuffer(std::move(bytes)); }
};

struct SegmentedParse::Run {
    std::size_t first = 0;  // its first segment
    std::unique_ptr<XmlEventParser> own;
    XmlEventParser* parser = nullptr;
    std::deque<XmlBatch*> full;  // filled, for the reader in order
    std::size_t held = 0;        // batches out to it or filled by it and not given back
    bool verified = false;       // its start is known to be right
    bool cancelled = false;
    bool ended = false;
    bool handedOver = false;
    std::size_t handoverTo = 0;
    std::vector<std::size_t> deferredFailures;  // cuts it found wrong before it was verified
    std::size_t current = 0;                    // the segment it reads (under the lock)
    // Its thread's own:
    SegmentPtr segment;
    std::size_t at = 0;
    std::uint64_t fed = 0;  // bytes its parser has been given, priming included
    std::thread thread;
};

void SegmentedParse::Bytes::reserve(std::size_t bytes) {
    if (bytes <= capacity) return;
    auto bigger = std::make_unique_for_overwrite<char[]>(bytes);
    if (size > 0) std::memcpy(bigger.get(), data.get(), size);
    data = std::move(bigger);
    capacity = bytes;
}

SegmentedParse::SegmentedParse(std::string part, XmlEventParser& first, SegmentShape shape)
    : part_(std::move(part)), shape_([&] {
          shape.segmentBytes = std::max<std::size_t>(shape.segmentBytes, 1);
          shape.parsersAhead = std::max<std::size_t>(shape.parsersAhead, 1);
          shape.batchesPerParser = std::max<std::size_t>(shape.batchesPerParser, 1);
          shape.eventsPerBatch = std::max<std::size_t>(shape.eventsPerBatch, 1);
          shape.readBytes = std::max<std::size_t>(shape.readBytes, 1);
          return shape;
      }()) {
    // Enough that every parser can fill its quota, the reader holding two
    // more of the parser it reads, and two of the one before.
    const std::size_t batches = (shape_.batchesPerParser + 2) * (shape_.parsersAhead + 1) + 2;
    batches_.resize(batches);
    owners_.resize(batches);
    for (XmlBatch& batch : batches_) free_.push_back(&batch);
    priming_ = first.rowState();
    rowTag_ = first.rowTag();
    primingBytes_ = priming_ ? priming_->primingText().size() : 0;
    startLineEnds_ = first.lineEnds();
    startAfterReturn_ = first.endsInReturn();

    auto run = std::make_unique<Run>();
    run->parser = &first;
    run->fed = first.consumed();
    run->verified = true;
    Run* const firstRun = run.get();
    runs_.emplace(0, std::move(run));
    // Both threads wait for started_, so that nothing is read before both
    // exist.
    try {
        firstRun->thread = std::thread([this, firstRun] { work(*firstRun); });
        splitter_ = std::thread([this] { split(); });
    } catch (...) {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        halted_ = true;
        changed_.notify_all();
        if (firstRun->thread.joinable()) firstRun->thread.join();
        throw;
    }
    {
        std::lock_guard lock(mutex_);
        input_ = first.swapSource([this, firstRun](char* buffer, std::size_t size) { return read(*firstRun, buffer, size); });
        started_ = true;
    }
    changed_.notify_all();
}

SegmentedParse::~SegmentedParse() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    halted_ = true;
    {
        std::lock_guard lock(spareMutex_);
    }
    changed_.notify_all();
    spareChanged_.notify_all();
    if (splitter_.joinable()) splitter_.join();
    for (auto& [index, run] : runs_) {
        if (run->thread.joinable()) run->thread.join();
    }
    runs_.clear();
    segments_.clear();
}

std::size_t SegmentedParse::speculated() const {
    std::lock_guard lock(mutex_);
    return speculated_;
}

std::size_t SegmentedParse::handovers() const {
    std::lock_guard lock(mutex_);
    return handovers_;
}

std::optional<SegmentedParse::Bytes> SegmentedParse::takeBuffer() {
    // Segments in flight: one per parser, the one each reads past its end,
    // and one being filled.
    const std::size_t most = shape_.parsersAhead + 3;
    std::unique_lock lock(spareMutex_);
    spareChanged_.wait(lock, [&] { return buffersOut_ < most || waitingForInput_ > 0 || isStopping(); });
    if (isStopping()) return std::nullopt;
    ++buffersOut_;
    if (spare_.empty()) return Bytes();
    Bytes bytes = std::move(spare_.back());
    spare_.pop_back();
    return bytes;
}

void SegmentedParse::giveBuffer(Bytes bytes) {
    {
        std::lock_guard lock(spareMutex_);
        --buffersOut_;
        bytes.size = 0;
        if (bytes.data) spare_.push_back(std::move(bytes));
    }
    spareChanged_.notify_all();
}

// Reads the carried bytes and then input up to the segment size and on to
// the next row tag (a cut), which goes with what follows it into `carry`.
// Returns whether the segment ends at a cut.
bool SegmentedParse::readSegment(Bytes& bytes, Bytes& carry, bool& last, std::exception_ptr& error) {
    const std::size_t wanted = shape_.segmentBytes;
    bytes.size = 0;
    bytes.reserve(std::max(wanted, carry.size) + shape_.readBytes);
    if (carry.size > 0) std::memcpy(bytes.data.get(), carry.data.get(), carry.size);
    bytes.size = carry.size;
    carry.size = 0;
    std::string tag;
    {
        std::lock_guard lock(mutex_);
        if (priming_) tag = rowTag_;
    }
    // Without a row tag in this much, the segment ends anyway, without a cut.
    const std::size_t most = 4 * wanted + shape_.readBytes;
    std::size_t searchFrom = wanted;
    for (;;) {
        if (!tag.empty() && bytes.size >= wanted) {
            while (searchFrom < bytes.size) {
                const void* found = memmem(bytes.data.get() + searchFrom, bytes.size - searchFrom, tag.data(), tag.size());
                if (!found) {
                    searchFrom = std::max(searchFrom, bytes.size - std::min(bytes.size, tag.size()));
                    break;
                }
                const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(found) - bytes.data.get());
                if (at + tag.size() == bytes.size) {  // the next byte says whether it is the row's name
                    searchFrom = at;
                    break;
                }
                if (endsName(bytes.data[at + tag.size()])) {
                    carry.reserve(bytes.size - at);
                    std::memcpy(carry.data.get(), bytes.data.get() + at, bytes.size - at);
                    carry.size = bytes.size - at;
                    bytes.size = at;
                    return true;
                }
                searchFrom = at + 1;
            }
        }
        if (bytes.size >= most || (tag.empty() && bytes.size >= wanted)) return false;
        bytes.reserve(bytes.size + shape_.readBytes);
        std::size_t got = 0;
        try {
            got = input_(bytes.data.get() + bytes.size, shape_.readBytes);
        } catch (...) {
            error = std::current_exception();
            last = true;
            return false;
        }
        if (got == 0) {
            last = true;
            return false;
        }
        bytes.size += got;
    }
}

void SegmentedParse::split() {
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return started_ || stopping_; });
        if (stopping_) return;
    }
    Bytes carry;
    std::uint64_t lineEnds = startLineEnds_;
    bool afterReturn = startAfterReturn_;
    bool atCut = false;
    for (std::size_t index = 0;; ++index) {
        std::optional<Bytes> taken = takeBuffer();
        if (!taken) return;
        Bytes bytes = std::move(*taken);
        bool last = false;
        std::exception_ptr error;
        const bool cut = readSegment(bytes, carry, last, error);
        const std::uint64_t before = lineEnds;
        lineEnds += LineCounter::countLineEnds(bytes.data.get(), bytes.size, afterReturn);
        publish(index, std::move(bytes), before, atCut, last, error);
        if (last || isStopping()) return;
        atCut = cut;
    }
}

void SegmentedParse::publish(std::size_t index, Bytes bytes, std::uint64_t lineEnds, bool atCut, bool last,
                             std::exception_ptr error) {
    auto segment = std::make_shared<Segment>();
    segment->owner = this;
    segment->bytes = std::move(bytes);
    segment->lineEnds = lineEnds;
    segment->atCut = atCut;
    segment->last = last;
    segment->error = error;
    std::unique_lock lock(mutex_);
    // Another parser only once one of those running is done, or when a parser
    // waits for this segment: it then stops at its start, once verified.
    const bool speculate = atCut && priming_;
    if (speculate) {
        changed_.wait(lock, [this] { return stopping_ || parsingRuns() <= shape_.parsersAhead || segmentWaiters_ > 0; });
    }
    if (stopping_) return;
    segments_.emplace(index, segment);
    if (speculate) startRun(lock, index, segment);
    lock.unlock();
    changed_.notify_all();
}

void SegmentedParse::startRun(std::unique_lock<std::mutex>&, std::size_t index, const SegmentPtr& segment) {
    auto run = std::make_unique<Run>();
    Run* const raw = run.get();
    run->first = index;
    run->current = index;
    run->segment = segment;
    run->fed = primingBytes_;
    try {
        run->own = std::make_unique<XmlEventParser>(part_, [this, raw](char* buffer, std::size_t size) {
            return read(*raw, buffer, size);
        });
        run->own->prime(*priming_, segment->lineEnds);
        run->parser = run->own.get();
        run->thread = std::thread([this, raw] { work(*raw); });
    } catch (...) {
        return;  // the segment is read by the parser before it
    }
    runs_.emplace(index, std::move(run));
    ++speculated_;
}

std::size_t SegmentedParse::read(Run& run, char* buffer, std::size_t size) {
    while (!run.segment || run.at == run.segment->bytes.size) {
        if (run.segment) {
            if (run.segment->error) std::rethrow_exception(run.segment->error);
            if (run.segment->last) return 0;
        }
        const std::size_t wanted = run.segment ? run.current + 1 : run.current;
        SegmentPtr next;
        {
            std::unique_lock lock(mutex_);
            // What the parser found wrong so far can free what the segment's
            // making waits for.
            settleFailures(run, run.parser->takeFailedCuts());
            if (!segments_.contains(wanted) && !run.cancelled && !stopping_) {
                ++segmentWaiters_;
                ++waitingForInput_;
                changed_.notify_all();
                {
                    std::lock_guard spare(spareMutex_);
                }
                spareChanged_.notify_all();
                changed_.wait(lock, [&] { return run.cancelled || stopping_ || segments_.contains(wanted); });
                --segmentWaiters_;
                --waitingForInput_;
            }
            if (run.cancelled || stopping_) throw Stopped();
            next = segments_.at(wanted);
            if (run.segment) {
                const auto other = runs_.find(wanted);
                if (next->atCut && other != runs_.end() && !other->second->cancelled) {
                    run.parser->expectCut(run.fed, &*priming_, wanted);
                }
            }
            run.current = wanted;
            prune();
        }
        run.segment = std::move(next);
        run.at = 0;
    }
    const std::size_t n = std::min(size, run.segment->bytes.size - run.at);
    std::memcpy(buffer, run.segment->bytes.data.get() + run.at, n);
    run.at += n;
    run.fed += n;
    return n;
}

void SegmentedParse::work(Run& run) {
    for (;;) {
        XmlBatch* batch = nullptr;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] {
                return stopping_ || run.cancelled || (started_ && mayTakeBatch(run));
            });
            if (stopping_ || run.cancelled) break;
            batch = free_.back();
            free_.pop_back();
            owners_[static_cast<std::size_t>(batch - batches_.data())] = run.first;
            ++run.held;
        }
        run.parser->fill(*batch, shape_.eventsPerBatch);
        const std::vector<std::size_t> failed = run.parser->takeFailedCuts();
        bool ended = false;
        {
            std::lock_guard lock(mutex_);
            if (run.cancelled || stopping_) {
                free_.push_back(batch);
                --run.held;
                changed_.notify_all();
                break;
            }
            settleFailures(run, failed);
            run.full.push_back(batch);
            ended = batch->last || batch->handover;
            if (batch->handover) {
                run.handedOver = true;
                run.handoverTo = run.parser->handedTo();
                ++handovers_;
                if (run.verified) verify(run.handoverTo);
            }
            run.ended = ended;
            if (ended) prune();
        }
        changed_.notify_all();
        if (ended) break;
    }
    SegmentPtr done;
    {
        std::lock_guard lock(mutex_);
        done = std::move(run.segment);
    }
}

std::size_t SegmentedParse::quota(const Run& run) const {
    return run.first == front_ ? shape_.batchesPerParser + 2 : shape_.batchesPerParser;
}

std::size_t SegmentedParse::parsingRuns() const {
    return static_cast<std::size_t>(std::count_if(runs_.begin(), runs_.end(), [](const auto& entry) {
        return !entry.second->cancelled && !entry.second->ended;
    }));
}

// The parser being read may always fill its quota; the others leave it a
// quota's worth, so that batches held ahead never starve it.
bool SegmentedParse::mayTakeBatch(const Run& run) const {
    if (run.held >= quota(run)) return false;
    return run.first == front_ ? !free_.empty() : free_.size() > shape_.batchesPerParser + 2;
}

// A speculative parser's judgement counts only once its own start is known
// to be right.
void SegmentedParse::settleFailures(Run& run, const std::vector<std::size_t>& failed) {
    if (run.verified) {
        for (const std::size_t index : failed) cancel(index);
    } else {
        run.deferredFailures.insert(run.deferredFailures.end(), failed.begin(), failed.end());
    }
}

void SegmentedParse::cancel(std::size_t index) {
    const auto found = runs_.find(index);
    if (found == runs_.end() || found->second->cancelled) return;
    Run& run = *found->second;
    run.cancelled = true;
    for (XmlBatch* batch : run.full) free_.push_back(batch);
    run.held -= run.full.size();
    run.full.clear();
    changed_.notify_all();
}

// The run at `index` starts right; so do those it handed over to, and what
// they found wrong is.
void SegmentedParse::verify(std::size_t index) {
    for (auto found = runs_.find(index); found != runs_.end() && !found->second->verified;) {
        Run& run = *found->second;
        run.verified = true;
        for (const std::size_t failed : run.deferredFailures) cancel(failed);
        run.deferredFailures.clear();
        if (!run.handedOver) break;
        found = runs_.find(run.handoverTo);
    }
}

// Segments before the one every parser still reading has reached are no
// longer looked for.
void SegmentedParse::prune() {
    std::size_t lowest = std::numeric_limits<std::size_t>::max();
    for (const auto& [index, run] : runs_) {
        if (!run->cancelled && !run->ended) lowest = std::min(lowest, run->current);
    }
    segments_.erase(segments_.begin(), segments_.lower_bound(lowest));
}

XmlBatch* SegmentedParse::takeFull() {
    std::vector<std::unique_ptr<Run>> finished;
    XmlBatch* batch = nullptr;
    {
        std::unique_lock lock(mutex_);
        if (frontEnded_) {
            // The front's last batch has been read: the parser it handed over
            // to is read next, and those before it are done with.
            const std::size_t next = runs_.at(front_)->handoverTo;
            for (auto entry = runs_.begin(); entry != runs_.end() && entry->first < next;) {
                cancel(entry->first);
                finished.push_back(std::move(entry->second));
                entry = runs_.erase(entry);
            }
            front_ = next;
            frontEnded_ = false;
            changed_.notify_all();
        }
        changed_.wait(lock, [this] { return stopping_ || !runs_.at(front_)->full.empty(); });
        if (!stopping_) {
            Run& front = *runs_.at(front_);
            batch = front.full.front();
            front.full.pop_front();
            frontEnded_ = batch->handover;
        }
    }
    for (auto& run : finished) {
        if (run->thread.joinable()) run->thread.join();
    }
    return batch;
}

void SegmentedParse::recycle(XmlBatch* batch) {
    {
        std::lock_guard lock(mutex_);
        const auto owner = runs_.find(owners_[static_cast<std::size_t>(batch - batches_.data())]);
        if (owner != runs_.end() && owner->second->held > 0) --owner->second->held;
        free_.push_back(batch);
    }
    changed_.notify_all();
}

}  // namespace brindlemoor::office::ods
