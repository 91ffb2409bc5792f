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

std::uint64_t LineCounter::countLineEnds(const char* data, std::size_t size, bool& afterReturn) {
    if (size == 0) return 0;
    const char* const end = data + size;
    std::uint64_t ends = 0;
    for (const char* at = data; (at = static_cast<const char*>(std::memchr(at, '\n', static_cast<std::size_t>(end - at)))); ++at) ++ends;
    for (const char* at = data; (at = static_cast<const char*>(std::memchr(at, '\r', static_cast<std::size_t>(end - at)))); ++at) {
        ++ends;
        // A carriage return and the line feed after it end one line.
        if (at + 1 != end && at[1] == '\n') --ends;
    }
    if (afterReturn && data[0] == '\n') --ends;
    afterReturn = end[-1] == '\r';
    return ends;
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
