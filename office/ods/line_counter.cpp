#include "office/ods/line_counter.h"

#include <cstring>

namespace brindlemoor::office::ods {

void LineCounter::feed(const char* data, std::size_t size) {
    const char* const end = data + size;
    const char* at = data;
    if (lastWasReturn_ && at != end && *at == '\n') ++at;
    lastWasReturn_ = false;
    // The next line feed and the next carriage return, each looked for again
    // only once passed, so the chunk is scanned once for each.
    const auto find = [&](char c) {
        const void* found = std::memchr(at, c, static_cast<std::size_t>(end - at));
        return found ? static_cast<const char*>(found) : end;
    };
    const char* feedAt = find('\n');
    const char* returnAt = find('\r');
    while (true) {
        if (feedAt < at) feedAt = find('\n');
        if (returnAt < at) returnAt = find('\r');
        const char* found = feedAt < returnAt ? feedAt : returnAt;
        if (found == end) break;
        breaks_.push_back(fed_ + static_cast<std::uint64_t>(found - data));
        at = found + 1;
        if (*found == '\r') {
            if (at == end) lastWasReturn_ = true;
            else if (*at == '\n') ++at;
        }
    }
    fed_ += size;
}

int LineCounter::lineAt(std::uint64_t offset) {
    while (next_ < breaks_.size() && breaks_[next_] < offset) ++next_;
    const int line = passed_ + static_cast<int>(next_) + 1;
    // Forget the line ends passed once they are many, so a document of many
    // short lines keeps a small table.
    if (next_ >= 4096) {
        breaks_.erase(breaks_.begin(), breaks_.begin() + static_cast<std::ptrdiff_t>(next_));
        passed_ += static_cast<int>(next_);
        next_ = 0;
    }
    return line;
}

}  // namespace brindlemoor::office::ods
