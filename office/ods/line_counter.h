// Line numbers of positions in a stream of XML, for error messages.
//
// Asking expat for the line of every event makes it walk the whole input a
// second time, a byte at a time. Instead the line breaks of each chunk are
// noted (a fast scan) as it is fed, and an event's line is found from its
// byte offset. Lines are counted as expat counts them: a line feed, a
// carriage return, or the two together, each end a line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace brindlemoor::office::ods {

class LineCounter {
public:
    // The next `size` bytes of input, in order.
    void feed(const char* data, std::size_t size);
    // The line (from 1) of the byte at `offset`. Offsets asked for must not
    // decrease from one call to the next, and must lie within the input fed.
    int lineAt(std::uint64_t offset);
    // Line ends in the input fed so far, and whether it ends in a carriage
    // return (a line feed right after would end no new line).
    std::uint64_t lineEnds() const { return static_cast<std::uint64_t>(passed_) + breaks_.size(); }
    bool endsInReturn() const { return lastWasReturn_; }

    // Line ends in `size` bytes that follow input ending as `afterReturn`
    // says; updates it for the bytes after these.
    static std::uint64_t countLineEnds(const char* data, std::size_t size, bool& afterReturn);

private:
    std::uint64_t fed_ = 0;
    bool lastWasReturn_ = false;         // a line feed right after it ends no new line
    std::vector<std::uint64_t> breaks_;  // offsets of line ends not yet passed
    std::size_t next_ = 0;               // first of breaks_ at or after the last offset asked for
    int passed_ = 0;                     // line ends before that
};

}  // namespace brindlemoor::office::ods
