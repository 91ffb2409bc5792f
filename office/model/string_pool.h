// Unique texts of a workbook, in order of first use. Cells hold an index, so a
// text that repeats a hundred thousand times is stored once.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brindlemoor::office {

class StringPool {
public:
    // Returns the index of `text` (UTF-8), adding it when new.
    std::uint32_t intern(std::string_view text);

    // Appends `text` as an entry of its own that intern() never returns: a
    // text with parts in other fonts is not the same entry as its plain text.
    std::uint32_t addDistinct(std::string_view text);

    const std::string& at(std::uint32_t index) const { return texts_.at(index); }
    std::size_t size() const { return texts_.size(); }
    const std::vector<std::string>& texts() const { return texts_; }

private:
    void grow();

    std::vector<std::string> texts_;
    std::vector<std::size_t> hashes_;  // of texts_, so that growing never hashes again
    // Open addressing over the texts themselves: a slot holds a text's index
    // plus one, or 0 when free; the size is a power of two, at most half full.
    // No key is stored twice and nothing is allocated per text but the text.
    std::vector<std::uint32_t> slots_;
    std::vector<bool> distinct_;  // by index; empty while no entry is
};

}  // namespace brindlemoor::office
