#include "ContentHost/ContentHostDisplays.h"

void ContentHostDisplays::replaceWithPairs(const std::vector<int64_t>& pairs) {
    std::map<uint32_t, uint32_t> ids;
    for (size_t i = 0; i + 1 < pairs.size(); i += 2)
        ids[uint32_t(pairs[i])] = uint32_t(pairs[i + 1]);
    std::lock_guard guard(_lock);
    _ids = std::move(ids);
}

uint32_t ContentHostDisplays::identifierFor(uint32_t engineDisplayId) const {
    std::lock_guard guard(_lock);
    const auto found = _ids.find(engineDisplayId);
    return found == _ids.end() ? engineDisplayId : found->second;
}
