#pragma once

#include "Platform/Foundation/VLValue.h"

#include <functional>

// Called with the old value first and the new value second; nil stands for no value.
using VLKeyValueChangeBlock = std::function<void(const VLValue& oldValue, const VLValue& newValue)>;

// An observation that blocks can subscribe to.
class VLKeyValueBlockObserver {
public:
    virtual ~VLKeyValueBlockObserver() = default;
    // Adds a block for the changes to come; returns the observer so that subscriptions chain.
    virtual VLKeyValueBlockObserver& subscribe(VLKeyValueChangeBlock block) = 0;
};
