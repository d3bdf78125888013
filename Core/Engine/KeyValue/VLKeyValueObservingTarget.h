#pragma once

#include "Core/Engine/KeyValue/VLKeyValueBlockObserver.h"

#include <mutex>
#include <vector>

// The observation of one key path of one observed object, holding the subscribed blocks. Any thread may
// subscribe; changes arrive on the thread that made them.
class VLKeyValueObservingTarget final : public VLKeyValueBlockObserver {
public:
    VLKeyValueObservingTarget& subscribe(VLKeyValueChangeBlock block) override;

    // Empties the target; the blocks are handed to the caller to drop.
    std::vector<VLKeyValueChangeBlock> takeAllBlocks();

    // A change of the observed value. Null reads as nil; a change to an equal value (or from nil to nil)
    // calls nothing. The blocks are called outside the lock, in subscription order, so a block may
    // subscribe others: they see the next change.
    void observeValueChange(const VLValue& oldValue, const VLValue& newValue);

private:
    std::mutex _lock;
    std::vector<VLKeyValueChangeBlock> _blocks;
};
