#pragma once

#include <cstdint>

// What the rendering loop ticks once per frame on the runtime's JavaScript thread: animation-frame
// callbacks, window layout. All methods run on that thread.
class VLRenderingPort {
public:
    virtual ~VLRenderingPort() = default;

    virtual void handleRenderingTick() = 0;
    // Whether the port wants another frame; a port that does not say always does, and keeps the loop
    // awake.
    virtual bool needsRenderingTick() { return true; }
    // 0 runs before 1; a port that does not say runs in phase 1.
    virtual int64_t renderingPhase() { return 1; }
};
