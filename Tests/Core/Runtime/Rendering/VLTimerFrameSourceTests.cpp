#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Runtime/Rendering/VLFrameSourceFactory.h"
#include "Core/Runtime/Rendering/VLFrameSourceRunLoop.h"
#include "Core/Runtime/Rendering/VLTimerFrameSource.h"
#include "Tests/Support/VLFakeDisplayProvider.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <latch>
#include <mutex>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

// Counts its callbacks and notes the display-link thread's wake-up at each; any thread.
struct Recorder {
    std::mutex lock;
    std::vector<uint64_t> wakeUps;
    std::atomic<bool> allRelevant{true};

    VLFrameSource::Handler handler() {
        return [this](const std::shared_ptr<VLFrameSource>&, bool relevant) {
            allRelevant = allRelevant && relevant;
            std::lock_guard guard(lock);
            wakeUps.push_back(VLFrameSourceRunLoop::shared().runLoop()->thread()->wakeUpCount());
        };
    }
    size_t count() {
        std::lock_guard guard(lock);
        return wakeUps.size();
    }
};

// Holds the display-link thread until released, so that changes made meanwhile reach it together.
class HeldThread {
public:
    HeldThread() {
        VLFrameSourceRunLoop::shared().runLoop()->performBlock([release = _release] { release->wait(); });
    }
    ~HeldThread() { _release->count_down(); }

private:
    const std::shared_ptr<std::latch> _release = std::make_shared<std::latch>(1);
};

std::shared_ptr<VLTimerFrameSource> makeSource(const std::shared_ptr<VLFakeDisplayProvider>& provider,
                                               Recorder& recorder, uint32_t displayID = 7) {
    return VLTimerFrameSource::create(displayID, recorder.handler(), provider);
}

} // namespace

TEST(VLTimerFrameSource, TicksAtTheDisplayRateOrTheCapThatDividesIt) {
    auto provider = std::make_shared<VLFakeDisplayProvider>();
    Recorder full, halved, undivided;
    auto fullSource = makeSource(provider, full);
    auto halvedSource = makeSource(provider, halved);
    auto undividedSource = makeSource(provider, undivided);
    halvedSource->setPreferredFPS(30);
    undividedSource->setPreferredFPS(50);
    EXPECT_EQ(30u, halvedSource->tickRate());
    EXPECT_EQ(60u, undividedSource->tickRate());

    {
        HeldThread held;
        ASSERT_TRUE(fullSource->start());
        ASSERT_TRUE(halvedSource->start());
        ASSERT_TRUE(undividedSource->start());
    }
    std::this_thread::sleep_for(1s);
    {
        HeldThread held;
        fullSource->stop();
        halvedSource->stop();
        undividedSource->stop();
    }
    EXPECT_EQ(0u, VLFrameSourceRunLoop::shared().armedTimerCount());

    // About a second's worth; the bounds only catch a wrong rate, not a slow machine.
    EXPECT_GE(full.count(), 30u);
    EXPECT_LE(full.count(), 75u);
    EXPECT_GE(halved.count(), 12u);
    EXPECT_LE(halved.count(), 38u);
    EXPECT_LT(halved.count(), full.count());
    EXPECT_GE(undivided.count(), 30u);
    EXPECT_LE(undivided.count(), 75u);
    EXPECT_TRUE(full.allRelevant && halved.allRelevant && undivided.allRelevant);

    // Sources of one rate fire in the same wake-ups.
    std::lock_guard fullLock(full.lock);
    std::lock_guard undividedLock(undivided.lock);
    EXPECT_EQ(full.wakeUps, undivided.wakeUps);
}

TEST(VLTimerFrameSource, RateFollowsTheProviderAndTheCap) {
    auto provider = std::make_shared<VLFakeDisplayProvider>();
    Recorder recorder;
    struct Case {
        double stated;
        uint32_t cap;
        uint32_t displayID;
        uint32_t updatesPerSecond;
        uint32_t tickRate;
    } cases[] = {
        {60, 0, 7, 60, 60},    {120, 30, 7, 120, 30},   {120, 45, 7, 120, 120}, {60, 50, 7, 60, 60},
        {60, 240, 7, 60, 60},  {59.94, 0, 7, 60, 60},   {0, 0, 7, 60, 60},      {144, 0, 99, 60, 60},
        {144, 72, 99, 60, 60}, {1e9, 0, 7, 1000, 1000},
    };
    for (const Case& c : cases) {
        provider->rate = c.stated;
        auto source = makeSource(provider, recorder, c.displayID);
        source->setPreferredFPS(c.cap);
        EXPECT_EQ(c.updatesPerSecond, source->updatesPerSecond()) << c.stated << " " << c.displayID;
        EXPECT_EQ(c.tickRate, source->tickRate()) << c.stated << " cap " << c.cap;
    }

    provider->rate = 60;
    auto source = makeSource(provider, recorder);
    provider->rate = 120;
    EXPECT_EQ(60u, source->updatesPerSecond());
    source->adoptRefreshRate();
    EXPECT_EQ(120u, source->updatesPerSecond());

    EXPECT_TRUE(source->followDisplay(7));
    EXPECT_FALSE(source->followDisplay(8));
}

TEST(VLTimerFrameSource, StartStopAndInvalidateArmOnlyWhatRuns) {
    auto provider = std::make_shared<VLFakeDisplayProvider>();
    Recorder recorder;
    VLFrameSourceRunLoop& thread = VLFrameSourceRunLoop::shared();
    ASSERT_EQ(0u, thread.armedTimerCount());

    auto first = makeSource(provider, recorder);
    auto second = makeSource(provider, recorder);
    auto slower = makeSource(provider, recorder);
    slower->setPreferredFPS(20);
    EXPECT_TRUE(first->start());
    EXPECT_TRUE(first->start()); // already running
    EXPECT_TRUE(second->start());
    EXPECT_EQ(1u, thread.armedTimerCount());
    EXPECT_TRUE(slower->start());
    EXPECT_EQ(2u, thread.armedTimerCount());

    // A new cap moves a running source to the timer of its new rate.
    slower->setPreferredFPS(0);
    EXPECT_EQ(1u, thread.armedTimerCount());
    slower->setPreferredFPS(15);
    EXPECT_EQ(2u, thread.armedTimerCount());

    first->stop();
    EXPECT_FALSE(first->isRunning());
    slower->invalidate();
    EXPECT_FALSE(slower->start());
    EXPECT_FALSE(slower->isRunning());
    EXPECT_EQ(1u, thread.armedTimerCount());

    // A running source that goes away takes its timer with it.
    second.reset();
    EXPECT_EQ(0u, thread.armedTimerCount());

    // Started and invalidated before the thread took it: never scheduled, never called.
    const size_t callbacks = recorder.count();
    auto late = makeSource(provider, recorder);
    {
        HeldThread held;
        EXPECT_TRUE(late->start());
        late->invalidate();
    }
    EXPECT_EQ(0u, thread.armedTimerCount());
    EXPECT_EQ(callbacks, recorder.count());
}

TEST(VLTimerFrameSource, DeadlinesLieOnAFixedGridAndMissedOnesAreSkipped) {
    struct Case {
        int64_t now;
        uint32_t rate;
        int64_t deadline;
    } cases[] = {
        {0, 60, 16667},
        {16666, 60, 16667},
        {16667, 60, 33334},             // 33333.3 rounded up
        {50000, 60, 66667},             // on a point: the next one
        {1'000'000 + 5, 30, 1'033'334}, // late by many: no burst
        {123'456'789, 1, 124'000'000},
        {-5, 60, 16667},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.deadline, VLFrameSourceRunLoop::nextDeadline(c.now, c.rate)) << c.now << " @" << c.rate;
}

TEST(VLTimerFrameSource, TheProcessFactoryMakesTimerSourcesForAnyDisplay) {
    auto source = VLFrameSourceFactory::shared()->makeFrameSource(12345, [](const auto&, bool) {});
    ASSERT_NE(nullptr, std::dynamic_pointer_cast<VLTimerFrameSource>(source));
    EXPECT_EQ(60u, source->updatesPerSecond());
}
