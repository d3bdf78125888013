#pragma once

#include <cstdint>
#include <optional>
#include <string>

// One reading of a runtime, taken about once a second by its performance monitor. A value type.
class VLPerformanceSample {
public:
    // Seconds since the previous sample (or since the monitor started).
    double interval = 0;
    // Ticks that presented something, and all rendering ticks, per second.
    double framesPerSecond = 0;
    double ticksPerSecond = 0;
    // The rendering loop's target when sampled.
    uint64_t targetFramesPerSecond = 0;
    // Mean and longest tick, in milliseconds; ticks longer than a target frame period.
    double averageFrameTime = 0;
    double maximumFrameTime = 0;
    uint64_t slowFrames = 0;
    // CPU time of the JavaScript thread over the interval, as a share of one core.
    double cpuUsage = 0;
    double wakeUpsPerSecond = 0;
    // Bytes of the JavaScript heap at the last measurement; nothing when it cannot be measured.
    std::optional<uint64_t> javaScriptMemory;
    // Bytes of GPU memory reported to the rendering loop at the last measurement.
    uint64_t canvasMemory = 0;
    bool suspended = false;
    bool renderingPaused = false;

    bool isSuspended() const { return suspended; }
    bool isRenderingPaused() const { return renderingPaused; }

    // "<VLPerformanceSample: 58/60 fps, frame 2.1 ms (max 5.0 ms, 0 slow), CPU 3%, 61 wake-ups/s,
    // JS 12.5 MB, canvas 4.0 MB>", with ", suspended" and ", rendering paused" before the end when so.
    std::string description() const;
};
