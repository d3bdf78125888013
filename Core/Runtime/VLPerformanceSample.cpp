#include "Core/Runtime/VLPerformanceSample.h"

#include "Platform/Foundation/VLStringWithFormat.h"

namespace {

constexpr double kBytesPerMegabyte = 1048576.0;

} // namespace

std::string VLPerformanceSample::description() const {
    const std::string javaScript =
        javaScriptMemory ? VLStringWithFormat("%.1f MB", double(*javaScriptMemory) / kBytesPerMegabyte) : "-";
    return VLStringWithFormat("<%@: %.0f/%lu fps, frame %.1f ms (max %.1f ms, %lu slow), CPU %.0f%%, %.0f "
                              "wake-ups/s, JS %@, canvas %.1f "
                              "MB%@%@>",
                              "VLPerformanceSample", framesPerSecond, targetFramesPerSecond, averageFrameTime,
                              maximumFrameTime, slowFrames, cpuUsage * 100, wakeUpsPerSecond, javaScript,
                              double(canvasMemory) / kBytesPerMegabyte, suspended ? ", suspended" : "",
                              renderingPaused ? ", rendering paused" : "");
}
