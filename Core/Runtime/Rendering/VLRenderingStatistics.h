#pragma once

#include <cstdint>

// Frame statistics of a rendering loop since they were last taken.
struct VLRenderingStatistics {
    uint64_t frames = 0;          // ticks recorded
    uint64_t presentedFrames = 0; // ticks that presented something
    uint64_t slowFrames = 0;      // ticks longer than a frame period
    double totalFrameTime = 0;    // seconds, from the display callback to the end of the tick
    double maximumFrameTime = 0;  // seconds

    friend bool operator==(const VLRenderingStatistics&, const VLRenderingStatistics&) = default;
};
