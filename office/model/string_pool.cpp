#include "office/model/string_pool.h"

#include <functional>

namespace brindlemoor::office {

std::uint32_t StringPool::intern(std::string_view text) {
    if ((texts_.size() + 1) * 2 > slots_.size()) grow();
    const std::size_t hash = std::hash<std::string_view>{}(text);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const std::uint32_t slot = slots_[i];
        if (slot == 0) {
            const auto index = static_cast<std::uint32_t>(texts_.size());
            texts_.emplace_back(text);
            hashes_.push_back(hash);
            slots_[i] = index + 1;
            return index;
        }
        if (hashes_[slot - 1] == hash && texts_[slot - 1] == text) return slot - 1;
    }
}

std::uint32_t StringPool::addDistinct(std::string_view text) {
    const auto index = static_cast<std::uint32_t>(texts_.size());
    texts_.emplace_back(text);
    hashes_.push_back(0);
    distinct_.resize(texts_.size(), false);
    distinct_[index] = true;
    return index;
}

void StringPool::grow() {
    slots_.assign(slots_.empty() ? 64 : slots_.size() * 2, 0);
    const std::size_t mask = slots_.size() - 1;
    for (std::uint32_t index = 0; index < texts_.size(); ++index) {
        if (index < distinct_.size() && distinct_[index]) continue;
        std::size_t i = hashes_[index] & mask;
        while (slots_[i] != 0) i = (i + 1) & mask;
        slots_[i] = index + 1;
    }
}

}  // namespace brindlemoor::office
