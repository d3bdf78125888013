#pragma once

#include <cstdint>

// Something whose GPU memory the rendering loop sums; held weakly. Any thread.
class VLRenderingMemoryReporting {
public:
    virtual ~VLRenderingMemoryReporting() = default;

    // Bytes.
    virtual uint64_t renderingMemorySize() = 0;
};
