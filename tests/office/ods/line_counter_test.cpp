#include "office/ods/line_counter.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using brindlemoor::office::ods::LineCounter;

namespace {

// The line of every offset, as expat counts lines: LF, CR and CR LF each end one.
std::vector<int> linesOf(const std::string& text) {
    std::vector<int> lines(text.size() + 1, 1);
    int line = 1;
    for (std::size_t i = 0; i < text.size(); ++i) {
        lines[i] = line;
        const bool secondOfPair = text[i] == '\n' && i > 0 && text[i - 1] == '\r';
        if ((text[i] == '\n' && !secondOfPair) || text[i] == '\r') ++line;
    }
    lines[text.size()] = line;
    return lines;
}

}  // namespace

TEST(LineCounter, CountsLineEndsOfEveryKindAcrossChunks) {
    LineCounter lines;
    const std::string text = "a\nb\r\nc\rd\r";
    lines.feed(text.data(), 4);  // the CR LF split between two chunks
    lines.feed(text.data() + 4, text.size() - 4);
    lines.feed("\ne", 2);        // and a CR ending one chunk, its LF starting the next
    EXPECT_EQ(lines.lineAt(0), 1);
    EXPECT_EQ(lines.lineAt(2), 2);
    EXPECT_EQ(lines.lineAt(5), 3);
    EXPECT_EQ(lines.lineAt(7), 4);
    EXPECT_EQ(lines.lineAt(11), 5);
}

TEST(LineCounter, AgreesWithACountFromTheStartOverManyLinesAndChunkSizes) {
    std::mt19937 random(7);
    std::string text;
    for (int i = 0; i < 200000; ++i) {
        const int pick = static_cast<int>(random() % 16);
        text += pick == 0 ? '\n' : pick == 1 ? '\r' : 'x';
    }
    LineCounter lines;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t size = std::min<std::size_t>(1 + random() % 3000, text.size() - at);
        lines.feed(text.data() + at, size);
        at += size;
    }
    // Offsets asked in order, far apart and close together, past the point
    // where passed line ends are forgotten.
    const std::vector<int> expected = linesOf(text);
    int checked = 0;
    for (std::size_t offset = 0; offset < text.size(); offset += 1 + random() % 97, ++checked) {
        ASSERT_EQ(lines.lineAt(offset), expected[offset]) << "at " << offset;
    }
    EXPECT_GT(checked, 2000);
}
