#include "office/ods/read_ahead.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace brindlemoor::office::ods {
namespace {

class ReadAhead {
public:
    ReadAhead(ChunkSource source, ReadAheadShape shape)
        : source_(std::move(source)), ring_(std::max<std::size_t>(shape.chunks, 1)) {
        for (Chunk& chunk : ring_) chunk.bytes.resize(std::max<std::size_t>(shape.chunkBytes, 1));
        worker_ = std::thread([this] { produce(); });
    }

    ~ReadAhead() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        worker_.join();
    }

    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    std::size_t read(char* buffer, std::size_t size) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return filled_ > 0 || ended_; });
        if (filled_ == 0) {
            if (failure_) std::rethrow_exception(failure_);
            return 0;
        }
        // The worker leaves filled chunks alone: the copy needs no lock.
        Chunk& chunk = ring_[head_];
        lock.unlock();
        const std::size_t n = std::min(size, chunk.size - offset_);
        std::memcpy(buffer, chunk.bytes.data() + offset_, n);
        offset_ += n;
        if (offset_ == chunk.size) {
            offset_ = 0;
            lock.lock();
            head_ = (head_ + 1) % ring_.size();
            --filled_;
            lock.unlock();
            changed_.notify_all();
        }
        return n;
    }

private:
    struct Chunk {
        std::vector<char> bytes;
        std::size_t size = 0;
    };

    void produce() {
        for (;;) {
            Chunk* chunk = nullptr;
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [this] { return stopping_ || filled_ < ring_.size(); });
                if (stopping_) return;
                chunk = &ring_[(head_ + filled_) % ring_.size()];
            }
            std::exception_ptr failure;
            const std::size_t got = fill(*chunk, failure);
            const bool last = got == 0 || failure;
            {
                std::lock_guard lock(mutex_);
                chunk->size = got;
                if (got > 0) ++filled_;
                if (last) {
                    failure_ = failure;
                    ended_ = true;
                }
            }
            changed_.notify_all();
            if (last) return;
        }
    }

    // Sources may return less than asked before their end: fill the chunk
    // (or reach the end) so that the reader gets few, large chunks. What was
    // read before a failure is kept, and the failure comes after it.
    std::size_t fill(Chunk& chunk, std::exception_ptr& failure) {
        std::size_t size = 0;
        try {
            while (size < chunk.bytes.size()) {
                const std::size_t got = source_(chunk.bytes.data() + size, chunk.bytes.size() - size);
                if (got == 0) break;
                size += got;
            }
        } catch (...) {
            failure = std::current_exception();
        }
        return size;
    }

    ChunkSource source_;
    std::vector<Chunk> ring_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t head_ = 0;    // the chunk being read (reader's side)
    std::size_t filled_ = 0;  // chunks ready, from head_
    std::size_t offset_ = 0;  // read so far in the head chunk (reader only)
    bool ended_ = false;
    bool stopping_ = false;
    std::exception_ptr failure_;
    std::thread worker_;  // last: started once everything above exists
};

}  // namespace

ChunkSource readAhead(ChunkSource source, ReadAheadShape shape) {
    auto ahead = std::make_shared<ReadAhead>(std::move(source), shape);
    return [ahead](char* buffer, std::size_t size) { return ahead->read(buffer, size); };
}

}  // namespace brindlemoor::office::ods
