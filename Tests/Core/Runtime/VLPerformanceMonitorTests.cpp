#include "Core/Runtime/VLPerformanceMonitor.h"

#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Runtime/Rendering/VLRenderingLoop.h"
#include "Core/Runtime/VLJavaScriptMemory.h"
#include "Core/Runtime/VLRuntime.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/Foundation/VLManualClock.h"
#include "Tests/Support/VLManualFrameSourceFactory.h"
#include "Tests/Support/VLPrivateTMPDIR.h"
#include "Tests/Support/VLTestRuntime.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

// Keeps the rendering loop running.
class BusyPort final : public VLRenderingPort {
public:
    void handleRenderingTick() override {}
};

// A rendering-memory reporter whose size the test sets.
class FixedMemory final : public VLRenderingMemoryReporting {
public:
    std::atomic<uint64_t> bytes = 0;
    uint64_t renderingMemorySize() override { return bytes.load(); }
};

class VLPerformanceMonitorTest : public testing::Test {
protected:
    VLPerformanceMonitorTest() {
        // The runtime's loop, made below, takes frame sources from here.
        VLFrameSourceFactory::setShared(frameSources);
        monitor = VLPerformanceMonitor::create(
            runtime.get(), clock, [this](double interval, double leeway, std::function<void()> fire) {
                ++timersMade;
                timerInterval = interval;
                timerLeeway = leeway;
                this->fire = std::move(fire);
                return [this] { ++timersCancelled; };
            });
        runtime->renderingLoop()->addMemoryReporter(memory);
    }
    ~VLPerformanceMonitorTest() override {
        monitor.reset();
        VLFrameSourceFactory::setShared(nullptr);
    }

    // Display refreshes and the ticks they post.
    void frames(int count) {
        std::shared_ptr<VLRenderingLoop> loop = runtime->renderingLoop();
        if (!loop->hasManualStarted())
            loop->addPort(std::make_shared<BusyPort>());
        for (int i = 0; i < count; ++i) {
            frameSources->lastSource()->fire(true);
            runtime->engine()->runLoop()->performBlockSync([] {});
        }
    }

    // Fires the timer a second later and answers what the observers got.
    VLPerformanceSample sampleAfter(double seconds = 1.0) {
        samples.clear();
        clock->advance(seconds);
        fire();
        EXPECT_EQ(samples.size(), 1u);
        return samples.empty() ? VLPerformanceSample() : samples.back();
    }
    VLPerformanceObserverToken observe() {
        return monitor->addObserverWithHandler(
            [this](const VLPerformanceSample& sample) { samples.push_back(sample); });
    }
    // Lets a memory measurement under way come back: through the JavaScript thread, then the main queue.
    void settle() {
        runtime->engine()->runLoop()->performBlockSync([] {});
        bool drained = false;
        VLMainQueue::async([&] { drained = true; });
        ASSERT_TRUE(VLMainQueue::runUntil([&] { return drained; }));
    }

    VLPrivateTMPDIR tmpdir;
    VLTestRuntime runtime;
    std::shared_ptr<VLManualFrameSourceFactory> frameSources = std::make_shared<VLManualFrameSourceFactory>();
    std::shared_ptr<VLManualClock> clock = std::make_shared<VLManualClock>(1'000'000'000);
    std::shared_ptr<FixedMemory> memory = std::make_shared<FixedMemory>();
    std::shared_ptr<VLPerformanceMonitor> monitor;
    std::function<void()> fire;
    int timersMade = 0;
    int timersCancelled = 0;
    double timerInterval = 0;
    double timerLeeway = 0;
    std::vector<VLPerformanceSample> samples;
};

TEST_F(VLPerformanceMonitorTest, SamplesEverySecondFromZeroStatistics) {
    // Frames recorded before the monitor starts do not count.
    runtime->renderingLoop()->setRecordsStatistics(true);
    frames(3);
    const VLPerformanceObserverToken token = observe();
    EXPECT_EQ(timersMade, 1);
    EXPECT_EQ(timerInterval, 1.0);
    EXPECT_EQ(timerLeeway, 0.1);
    EXPECT_TRUE(runtime->renderingLoop()->recordsStatistics());

    const VLPerformanceSample first = sampleAfter(1.0);
    EXPECT_EQ(first.interval, 1.0);
    EXPECT_EQ(first.framesPerSecond, 0);
    EXPECT_EQ(first.ticksPerSecond, 0);
    EXPECT_EQ(first.averageFrameTime, 0);
    EXPECT_EQ(first.maximumFrameTime, 0);
    EXPECT_EQ(first.slowFrames, 0u);
    EXPECT_EQ(first.targetFramesPerSecond, runtime->renderingLoop()->targetFPS());
    EXPECT_GE(first.cpuUsage, 0);
    EXPECT_FALSE(first.suspended);

    frames(2);
    const VLPerformanceSample second = sampleAfter(0.5);
    EXPECT_EQ(second.interval, 0.5);
    EXPECT_EQ(second.ticksPerSecond, 4);
    EXPECT_GE(second.averageFrameTime, 0);
}

TEST_F(VLPerformanceMonitorTest, ASuspendedRuntimeIsStillSampled) {
    runtime->setSuspended(true);
    runtime->setRenderingPaused(true);
    observe();
    const VLPerformanceSample sample = sampleAfter();
    EXPECT_TRUE(sample.isSuspended());
    EXPECT_TRUE(sample.isRenderingPaused());
    EXPECT_EQ(sample.framesPerSecond, 0);
}

TEST_F(VLPerformanceMonitorTest, MeasuresMemoryOnTheJavaScriptThreadEveryFiveSeconds) {
    memory->bytes = 100;
    observe();
    settle();
    const VLPerformanceSample first = sampleAfter();
    ASSERT_TRUE(first.javaScriptMemory);
    EXPECT_GT(*first.javaScriptMemory, 0u);
    EXPECT_EQ(first.canvasMemory, 100u);

    memory->bytes = 200;
    sampleAfter(3.9);
    settle();
    EXPECT_EQ(sampleAfter(1.0).canvasMemory, 100u); // 4.9 s: not yet measured again
    settle();
    EXPECT_EQ(sampleAfter(0.2).canvasMemory, 200u);
}

TEST_F(VLPerformanceMonitorTest, WithoutTheStatisticsFunctionTheHeapIsUnknown) {
    VLSetJavaScriptMemoryStatisticsHidden(true);
    EXPECT_FALSE(VLRuntime::canMeasureJavaScriptMemory());
    observe();
    settle();
    const VLPerformanceSample sample = sampleAfter();
    VLSetJavaScriptMemoryStatisticsHidden(false);
    EXPECT_FALSE(sample.javaScriptMemory);
    EXPECT_NE(sample.description().find(", JS -, "), std::string::npos) << sample.description();
}

TEST_F(VLPerformanceMonitorTest, ATerminatedRuntimeKeepsItsLastMemoryFigures) {
    memory->bytes = 100;
    observe();
    settle();
    const VLPerformanceSample before = sampleAfter();
    runtime->terminate();
    memory->bytes = 200;
    sampleAfter(6.0);
    settle();
    const VLPerformanceSample after = sampleAfter();
    EXPECT_EQ(after.canvasMemory, 100u);
    EXPECT_EQ(after.javaScriptMemory, before.javaScriptMemory);
}

TEST_F(VLPerformanceMonitorTest, StartsOnceAndStopsWithTheLastObserver) {
    const VLPerformanceObserverToken first = observe();
    const VLPerformanceObserverToken second = observe();
    EXPECT_EQ(timersMade, 1);
    monitor->removeObserver(first);
    monitor->removeObserver(first);
    monitor->removeObserver(nullptr);
    EXPECT_EQ(timersCancelled, 0);
    EXPECT_EQ(sampleAfter().interval, 1.0); // the remaining observer still hears
    monitor->removeObserver(second);
    monitor->removeObserver(second);
    EXPECT_EQ(timersCancelled, 1);
    EXPECT_FALSE(runtime->renderingLoop()->recordsStatistics());
}

TEST(VLRuntimePerformanceTest, ReadsTheJavaScriptThread) {
    VLPrivateTMPDIR tmpdir;
    VLTestRuntime runtime;
    EXPECT_EQ(runtime->javaScriptThreadIdentifier(),
              runtime->engine()->runLoop()->thread()->threadIdentifier());
    EXPECT_NE(runtime->javaScriptThreadIdentifier(), 0u);
    EXPECT_GT(runtime->javaScriptCPUTime(), 0);
    // Busy only while it works.
    double busy = -1;
    runtime->engine()->runLoop()->performBlockSync([&] { busy = runtime->javaScriptBusyDuration(); });
    EXPECT_GE(busy, 0);
    int heard = 0;
    const VLPerformanceObserverToken token =
        runtime->addPerformanceObserverWithHandler([&](const VLPerformanceSample&) { ++heard; });
    ASSERT_TRUE(VLMainQueue::runUntil([&] { return heard > 0; }, std::chrono::seconds(20)));
    runtime->removePerformanceObserver(token);
    runtime->removePerformanceObserver(token);
}

} // namespace
