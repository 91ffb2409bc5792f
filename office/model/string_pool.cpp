#include "office/model/string_pool.h"

namespace brindlemoor::office {

std::uint32_t StringPool::intern(std::string_view text) {
    if (auto found = index_.find(text); found != index_.end()) return found->second;
    const auto index = static_cast<std::uint32_t>(texts_.size());
    texts_.emplace_back(text);
    index_.emplace(texts_.back(), index);
    return index;
}

}  // namespace brindlemoor::office
