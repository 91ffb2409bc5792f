// Unique texts of a workbook, in order of first use. Cells hold an index, so a
// text that repeats a hundred thousand times is stored once.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace brindlemoor::office {

class StringPool {
public:
    // Returns the index of `text` (UTF-8), adding it when new.
    std::uint32_t intern(std::string_view text);

    const std::string& at(std::uint32_t index) const { return texts_.at(index); }
    std::size_t size() const { return texts_.size(); }
    const std::vector<std::string>& texts() const { return texts_; }

private:
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    std::vector<std::string> texts_;
    std::unordered_map<std::string, std::uint32_t, Hash, std::equal_to<>> index_;
};

}  // namespace brindlemoor::office
