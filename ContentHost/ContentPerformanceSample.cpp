#include "ContentHost/ContentPerformanceSample.h"

#include "Core/Runtime/VLPerformanceSample.h"

VLDictionary ContentPerformanceSampleDictionary(const VLPerformanceSample& sample) {
    VLDictionary record{
        {"interval", sample.interval},
        {"fps", sample.framesPerSecond},
        {"tps", sample.ticksPerSecond},
        {"target", int64_t(sample.targetFramesPerSecond)},
        {"average", sample.averageFrameTime},
        {"maximum", sample.maximumFrameTime},
        {"slow", int64_t(sample.slowFrames)},
        {"cpu", sample.cpuUsage},
        {"wakeUps", sample.wakeUpsPerSecond},
        {"suspended", sample.isSuspended()},
        {"renderingPaused", sample.isRenderingPaused()},
        {"canvas", sample.canvasMemory},
    };
    if (sample.javaScriptMemory)
        record.set("js", *sample.javaScriptMemory);
    return record;
}
