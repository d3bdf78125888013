#include "Supports/WindowList/VLWindowListMonitor.h"

#include "Core/Engine/Log/VLLog.h"
#include "Platform/WindowServer/VLWSDriver.h"
#include "Supports/WindowList/VLWindowListObserver.h"
#include "Tests/Support/VLLogCapture.h"
#include "Tests/Support/VLManualFrameSourceFactory.h"
#include "Tests/Support/VLWindowServerTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

class VLRecordingWindowListObserver final : public VLWindowListObserver {
public:
    void windowListMonitorDidChange(VLWindowListMonitor&) override { ++changes; }
    bool windowListObserverIsIdle() override { return idle; }
    bool windowListObserverIsStopped() override { return stopped; }

    std::atomic<int> changes{0};
    std::atomic<bool> idle{false}, stopped{false};
};

// A monitor of its own on the test's window server, with manual time, manual display frames, and
// per-frame reads that run only when the test runs them.
class VLWindowListMonitorTest : public VLWindowServerTest {
protected:
    void SetUp() override {
        VLWindowServerTest::SetUp();
        VLFrameSourceFactory::setShared(frames);
        // Event times of 0 count as "now": start later.
        server().clock().advance(10);
        monitor = VLWindowListMonitor::create([this](std::function<void()> read) {
            std::lock_guard lock(readsLock);
            reads.push_back(std::move(read));
        });
        launch(100, "com.example.editor");
    }
    void TearDown() override {
        monitor.reset();
        VLFrameSourceFactory::setShared(nullptr);
        VLWindowServerTest::TearDown();
    }

    VLWSDriver& driver() { return server().driver(); }
    void launch(pid_t pid, std::string bundleIdentifier) {
        ASSERT_TRUE(driver().launchApplication({pid, std::move(bundleIdentifier), "App"}));
    }
    // Top-left global coordinates throughout.
    uint32_t add(VLRect frame) {
        return uint32_t(driver().addWindow({.ownerPID = 100, .frame = server().snapshot()->flip(frame)}));
    }
    void move(uint32_t window, VLRect frame) {
        ASSERT_TRUE(driver().setWindow(
            {.number = window, .ownerPID = 100, .frame = server().snapshot()->flip(frame)}));
    }
    void pressAt(VLPoint point) {
        driver().moveMouse(server().snapshot()->flip({point, {0, 0}}).origin);
        driver().mouseDown();
        monitor->flush();
    }
    void release() {
        driver().mouseUp();
        monitor->flush();
    }
    // Starts watching with the press monitors in place.
    void watch() {
        monitor->addObserver(observer);
        monitor->flush();
        drainMainQueue();
    }
    // In steps, each followed by what it sent to the queue, as real time would let the queue keep up.
    void advance(double seconds) {
        for (double left = seconds; left > 1e-12; left -= 0.01) {
            server().clock().advance(std::min(left, 0.01));
            monitor->flush();
        }
    }
    void fireFrame() {
        ASSERT_TRUE(frames->lastSource());
        frames->lastSource()->fire();
        monitor->flush();
    }
    size_t pendingReads() {
        std::lock_guard lock(readsLock);
        return reads.size();
    }
    // Runs the per-frame read started `index`-th among those still waiting.
    void runRead(size_t index) {
        std::function<void()> read;
        {
            std::lock_guard lock(readsLock);
            read = std::move(reads.at(index));
            reads.erase(reads.begin() + ptrdiff_t(index));
        }
        read();
        monitor->flush();
    }
    VLRect frameOf(uint32_t window) {
        for (const auto& entry : monitor->windows())
            if (entry.windowID() == window)
                return entry.frame();
        return VLRectNull;
    }

    std::shared_ptr<VLManualFrameSourceFactory> frames = std::make_shared<VLManualFrameSourceFactory>();
    std::mutex readsLock; // guards reads: the monitor's queue adds, the test runs
    std::vector<std::function<void()>> reads;
    std::shared_ptr<VLWindowListMonitor> monitor;
    std::shared_ptr<VLRecordingWindowListObserver> observer =
        std::make_shared<VLRecordingWindowListObserver>();
};

size_t windowListLogLines(const VLLogCapture& capture, const std::string& text) {
    VLLogFlush();
    const std::vector<std::string> lines = capture.lines();
    return size_t(std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.find(text) != std::string::npos;
    }));
}

} // namespace

TEST_F(VLWindowListMonitorTest, PollsFastWhileActiveSlowlyWhenIdleAndStopsWithTheLastObserver) {
    VLLogFlush(); // earlier tests' records are not this one's
    VLLogCapture capture(VLLogLevelAll);
    const uint32_t first = add({100, 100, 200, 200});
    watch();
    EXPECT_TRUE(monitor->isStarted());
    EXPECT_EQ(monitor->interval(), 0.1);
    EXPECT_EQ(windowListLogLines(capture, "Started watching other apps' windows"), 1u);
    EXPECT_EQ(monitor->windows().size(), 1u);

    // A change shows at the next tick, and only a different list is told.
    const uint32_t second = add({400, 100, 200, 200});
    advance(0.09);
    EXPECT_EQ(observer->changes, 0);
    advance(0.01);
    EXPECT_EQ(observer->changes, 1);
    EXPECT_EQ(monitor->windows().size(), 2u);
    advance(0.3);
    EXPECT_EQ(observer->changes, 1);

    observer->idle = true;
    advance(0.1);
    EXPECT_EQ(monitor->interval(), 1.0);
    const uint64_t ticks = monitor->tickCount();
    advance(2.0);
    EXPECT_EQ(monitor->tickCount(), ticks + 2);
    // A workspace notification reads at once, whatever the pace.
    move(first, {0, 0, 200, 200});
    driver().changeSpace();
    monitor->flush();
    EXPECT_EQ(frameOf(first), VLRect(0, 0, 200, 200));

    monitor->removeObserver(observer);
    monitor->flush();
    EXPECT_FALSE(monitor->isStarted());
    EXPECT_EQ(monitor->interval(), 0.0);
    EXPECT_EQ(windowListLogLines(capture, "Stopped watching other apps' windows"), 1u);
    // Afterwards every read is the caller's own.
    move(second, {500, 500, 200, 200});
    EXPECT_EQ(frameOf(second), VLRect(500, 500, 200, 200));
    const uint64_t stoppedTicks = monitor->tickCount();
    advance(5);
    EXPECT_EQ(monitor->tickCount(), stoppedTicks);
}

TEST_F(VLWindowListMonitorTest, AStoppedOrIdleObserverDoesNotKeepItFast) {
    observer->stopped = true;
    watch();
    EXPECT_FALSE(monitor->isStarted());
    observer->stopped = false;
    observer->idle = true;
    watch();
    EXPECT_EQ(monitor->interval(), 1.0);
    // Idle: a press is not followed.
    add({100, 100, 200, 200});
    pressAt({150, 150});
    EXPECT_FALSE(monitor->readsEveryFrame());
}

TEST_F(VLWindowListMonitorTest, APressFollowsAtMost4WindowsWithCappedPerFrameReads) {
    // Five windows whose left edges lie within 8 points right of the pointer, none under it.
    std::vector<uint32_t> windows;
    for (int i = 0; i < 5; ++i)
        windows.push_back(add({105, 50.0 + i, 100, 100}));
    watch();
    pressAt({100, 100});
    ASSERT_TRUE(monitor->readsEveryFrame());

    // One read per 0.88/60 s, at most 3 in flight.
    fireFrame();
    fireFrame();
    EXPECT_EQ(pendingReads(), 1u);
    advance(0.88 / 60);
    fireFrame();
    advance(0.88 / 60);
    fireFrame();
    advance(0.88 / 60);
    fireFrame();
    EXPECT_EQ(pendingReads(), 3u);

    for (size_t i = 0; i < windows.size(); ++i)
        move(windows[i], {200, 300.0 + double(i), 100, 100});
    runRead(1);
    // The four frontmost (the last added) moved; the fifth waits for a full read.
    for (size_t i = 1; i < 5; ++i)
        EXPECT_EQ(frameOf(windows[i]), VLRect(200, 300.0 + double(i), 100, 100)) << i;
    EXPECT_EQ(frameOf(windows[0]), VLRect(105, 50, 100, 100));

    // An older read that comes back later is ignored; a newer one applies.
    move(windows[4], {0, 0, 100, 100});
    runRead(0);
    EXPECT_EQ(frameOf(windows[4]), VLRect(200, 304, 100, 100));
    runRead(0);
    EXPECT_EQ(frameOf(windows[4]), VLRect(0, 0, 100, 100));
    advance(0.88 / 60);
    fireFrame();
    EXPECT_EQ(pendingReads(), 1u);
}

TEST_F(VLWindowListMonitorTest, TheGraceAfterAReleaseEndsInAFullRead) {
    const uint32_t pressed = add({100, 100, 200, 200});
    watch();
    pressAt({150, 150});
    release();
    const uint32_t later = add({600, 100, 200, 200});
    advance(0.29);
    EXPECT_TRUE(monitor->readsEveryFrame());
    EXPECT_EQ(frameOf(later), VLRectNull);
    advance(0.01);
    EXPECT_FALSE(monitor->readsEveryFrame());
    EXPECT_EQ(frameOf(later), VLRect(600, 100, 200, 200));
    EXPECT_TRUE(frames->lastSource()->isInvalidated());
    EXPECT_NE(frameOf(pressed), VLRectNull);
}

TEST_F(VLWindowListMonitorTest, ASecondPressWithinTheGraceKeepsTheFirstPresssWindowsUntilItEnds) {
    const uint32_t first = add({100, 100, 200, 200});
    const uint32_t second = add({600, 100, 200, 200});
    watch();
    pressAt({150, 150});
    release();
    advance(0.2);
    pressAt({650, 150});

    move(first, {100, 400, 200, 200});
    move(second, {600, 400, 200, 200});
    fireFrame();
    runRead(0);
    EXPECT_EQ(frameOf(first), VLRect(100, 400, 200, 200));
    EXPECT_EQ(frameOf(second), VLRect(600, 400, 200, 200));

    // The first press's grace ends 0.3 s after its release.
    advance(0.1);
    move(first, {100, 500, 200, 200});
    move(second, {600, 500, 200, 200});
    fireFrame();
    runRead(0);
    EXPECT_EQ(frameOf(first), VLRect(100, 400, 200, 200));
    EXPECT_EQ(frameOf(second), VLRect(600, 500, 200, 200));
}

TEST_F(VLWindowListMonitorTest, APressedWindowThatGoesAwayEndsInAFullRead) {
    const uint32_t pressed = add({100, 100, 200, 200});
    const uint32_t other = add({600, 100, 200, 200});
    watch();
    pressAt({150, 150});
    driver().removeWindow(pressed);
    move(other, {600, 300, 200, 200});
    fireFrame();
    runRead(0);
    EXPECT_EQ(frameOf(pressed), VLRectNull);
    EXPECT_EQ(frameOf(other), VLRect(600, 300, 200, 200));
}
