// Hands batches of work from one producer thread to one consumer thread.
// A fixed set of batches circulates: the producer takes an empty one, fills
// it and publishes it; the consumer takes published ones in order and
// recycles them. Memory stays bounded by the batches, and their buffers are
// reused from round to round.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <vector>

namespace brindlemoor::office::ods {

template <typename Batch>
class BatchQueue {
public:
    explicit BatchQueue(std::size_t batches) : batches_(batches == 0 ? 1 : batches) {
        for (Batch& batch : batches_) empty_.push_back(&batch);
    }
    BatchQueue(const BatchQueue&) = delete;
    BatchQueue& operator=(const BatchQueue&) = delete;

    // Producer: an empty batch to fill, or nullptr once the queue is closed.
    Batch* takeEmpty() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return closed_ || !empty_.empty(); });
        if (closed_) return nullptr;
        Batch* batch = empty_.front();
        empty_.pop_front();
        return batch;
    }

    // Producer: hands a filled batch to the consumer.
    void publish(Batch* batch) {
        {
            std::lock_guard lock(mutex_);
            full_.push_back(batch);
        }
        changed_.notify_all();
    }

    // Consumer: the next published batch, in the order of publishing; waits
    // for the producer. nullptr once the queue is closed.
    Batch* takeFull() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return closed_ || !full_.empty(); });
        if (closed_) return nullptr;
        Batch* batch = full_.front();
        full_.pop_front();
        return batch;
    }

    // Consumer: gives a batch it has finished with back to the producer.
    void recycle(Batch* batch) {
        {
            std::lock_guard lock(mutex_);
            empty_.push_back(batch);
        }
        changed_.notify_all();
    }

    // Wakes both sides for good: a consumer that stops early lets the
    // producer finish.
    void close() {
        {
            std::lock_guard lock(mutex_);
            closed_ = true;
        }
        changed_.notify_all();
    }

private:
    std::vector<Batch> batches_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Batch*> empty_;
    std::deque<Batch*> full_;
    bool closed_ = false;
};

}  // namespace brindlemoor::office::ods
