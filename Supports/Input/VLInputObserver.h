#pragma once

#include "Supports/Input/VLInputMouseEvent.h"

#include <cstdint>

// An observer of the input monitor, held weakly by it. Both calls come on the main thread.
class VLInputObserver {
public:
    virtual ~VLInputObserver() = default;

    virtual void inputMonitorDidReceiveMouseEvent(const VLInputMouseEvent& event) = 0;
    // At least 1.
    virtual void inputMonitorDidCountKeyPresses(uint64_t count) = 0;
};
