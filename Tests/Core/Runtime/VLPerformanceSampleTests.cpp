#include "Core/Runtime/VLPerformanceSample.h"

#include "Core/Engine/CoreScope/VLCoreJSBindingContext.h"
#include "Core/Engine/JS/VLJSContext.h"
#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Engine/RunLoop/VLRunLoopThread.h"
#include "Core/Runtime/VLJavaScriptMemory.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

TEST(VLPerformanceSampleTest, DescribesItself) {
    VLPerformanceSample sample;
    sample.framesPerSecond = 58.4;
    sample.targetFramesPerSecond = 60;
    sample.averageFrameTime = 2.06;
    sample.maximumFrameTime = 5;
    sample.slowFrames = 3;
    sample.cpuUsage = 0.126;
    sample.wakeUpsPerSecond = 61.2;
    sample.javaScriptMemory = 13107200;
    sample.canvasMemory = 4194304;
    EXPECT_EQ(
        sample.description(),
        "<VLPerformanceSample: 58/60 fps, frame 2.1 ms (max 5.0 ms, 3 slow), CPU 13%, 61 wake-ups/s, JS 12.5 "
        "MB, canvas 4.0 MB>");

    sample.javaScriptMemory.reset();
    sample.suspended = true;
    sample.renderingPaused = true;
    EXPECT_EQ(
        sample.description(),
        "<VLPerformanceSample: 58/60 fps, frame 2.1 ms (max 5.0 ms, 3 slow), CPU 13%, 61 wake-ups/s, JS -, "
        "canvas 4.0 MB, suspended, rendering paused>");
}

TEST(VLJavaScriptMemoryTest, MeasuresTheHeapUnlessTheFunctionIsMissing) {
    std::shared_ptr<VLJSEngine> engine = VLJSEngine::create(std::make_shared<VLCoreJSBindingContext>());
    auto measure = [&] {
        int64_t bytes = 0;
        engine->runLoop()->performBlockSync(
            [&] { bytes = VLJavaScriptMemoryOfContext(engine->context()->globalContext()); });
        return bytes;
    };
    // Debian's JavaScriptCore has it.
    EXPECT_TRUE(VLCanMeasureJavaScriptMemory());
    EXPECT_GT(measure(), 0);
    VLSetJavaScriptMemoryStatisticsHidden(true);
    EXPECT_FALSE(VLCanMeasureJavaScriptMemory());
    EXPECT_EQ(measure(), -1);
    VLSetJavaScriptMemoryStatisticsHidden(false);
    EXPECT_EQ(VLJavaScriptMemoryOfContext(nullptr), -1);
    std::shared_ptr<VLRunLoopThread> thread = engine->runLoop()->thread();
    engine.reset();
    EXPECT_TRUE(thread->waitUntilFinished(std::chrono::seconds(20)));
}

TEST(VLRunLoopThreadCPUTimeTest, CountsWhileRunningAndIsZeroOnceFinished) {
    std::shared_ptr<VLRunLoop> runLoop = VLRunLoop::create(VLRunLoopThread::create("app.velto.cpu-test"));
    std::shared_ptr<VLRunLoopThread> thread = runLoop->thread();
    runLoop->performBlockSync([] {
        // Some CPU time of its own.
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(20);
        volatile uint64_t spin = 0;
        while (std::chrono::steady_clock::now() < end)
            spin = spin + 1;
    });
    EXPECT_GT(thread->cpuTimeMicroseconds(), 0u);
    runLoop.reset();
    ASSERT_TRUE(thread->waitUntilFinished(std::chrono::seconds(20)));
    EXPECT_EQ(thread->cpuTimeMicroseconds(), 0u);
}

} // namespace
