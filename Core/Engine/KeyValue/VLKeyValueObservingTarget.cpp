#include "Core/Engine/KeyValue/VLKeyValueObservingTarget.h"

VLKeyValueObservingTarget& VLKeyValueObservingTarget::subscribe(VLKeyValueChangeBlock block) {
    std::lock_guard lock(_lock);
    _blocks.push_back(std::move(block));
    return *this;
}

std::vector<VLKeyValueChangeBlock> VLKeyValueObservingTarget::takeAllBlocks() {
    std::lock_guard lock(_lock);
    return std::exchange(_blocks, {});
}

void VLKeyValueObservingTarget::observeValueChange(const VLValue& oldValue, const VLValue& newValue) {
    const VLValue& before = oldValue.isNull() ? VLValue::nil() : oldValue;
    const VLValue& after = newValue.isNull() ? VLValue::nil() : newValue;
    if (before.isSameObject(after) || before == after) {
        return;
    }
    std::vector<VLKeyValueChangeBlock> blocks;
    {
        std::lock_guard lock(_lock);
        blocks = _blocks;
    }
    for (const VLKeyValueChangeBlock& block : blocks) {
        block(before, after);
    }
}
