#include "Core/Engine/Log/VLLog.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Runtime/Rendering/VLRenderingLoop.h"
#include "Core/Runtime/Rendering/VLScreenUpdate.h"
#include "Platform/Foundation/VLManualDelayScheduler.h"
#include "Platform/Foundation/VLNotificationCenter.h"
#include "Tests/Support/VLFakeDisplayProvider.h"
#include "Tests/Support/VLLogCapture.h"
#include "Tests/Support/VLManualFrameSourceFactory.h"
#include "Tests/Support/VLWaitUntil.h"

#include <gtest/gtest.h>

#include <latch>
#include <optional>
#include <string>
#include <vector>

namespace {

using Log = std::vector<std::string>;

// Notes its ticks in a log; what it answers is set by the test on the JavaScript thread.
class TestPort final : public VLRenderingPort {
public:
    TestPort(std::string name, Log& log, std::optional<int64_t> phase = std::nullopt)
        : _name(std::move(name)), _log(log), _phase(phase) {}

    void handleRenderingTick() override {
        _log.push_back(_name);
        if (onTick)
            onTick();
    }
    bool needsRenderingTick() override { return needs ? *needs : VLRenderingPort::needsRenderingTick(); }
    int64_t renderingPhase() override { return _phase ? *_phase : VLRenderingPort::renderingPhase(); }

    std::optional<bool> needs; // nothing: does not answer
    std::function<void()> onTick;

private:
    const std::string _name;
    Log& _log;
    const std::optional<int64_t> _phase;
};

class TestPresentable final : public VLRenderingPresentable {
public:
    bool present() override {
        ++presents;
        return presentResult.load();
    }
    void finish() override { ++finishes; }
    bool needsPresenting() override { return needs.load(); }
    std::shared_ptr<VLRenderingPresentableDelegate> presentableDelegate() const override { return nullptr; }
    void setPresentableDelegate(std::weak_ptr<VLRenderingPresentableDelegate>) override {}
    std::shared_ptr<VLWSView> view() const override { return nullptr; }

    std::atomic<int> presents{0};
    std::atomic<int> finishes{0};
    std::atomic<bool> presentResult{false};
    std::atomic<bool> needs{false};
};

class TestReporter final : public VLRenderingMemoryReporting {
public:
    explicit TestReporter(uint64_t size) : _size(size) {}
    uint64_t renderingMemorySize() override { return _size; }

private:
    const uint64_t _size;
};

} // namespace

// The loop over a real JavaScript run loop, ticked by manual sources, with the process's clock,
// scheduler and display provider replaced.
class VLRenderingLoopTest : public testing::Test {
protected:
    void SetUp() override {
        VLClock::setShared(_scheduler->clock());
        VLDelayScheduler::setShared(_scheduler);
        VLDisplayProvider::setShared(_provider);
        VLFrameSourceFactory::setShared(_factory);
        _loop = VLRenderingLoop::create(_runLoop);
    }
    void TearDown() override {
        _loop.reset();
        VLFrameSourceFactory::setShared(nullptr);
        VLDisplayProvider::setShared(nullptr);
        VLDelayScheduler::setShared(nullptr);
        VLClock::setShared(nullptr);
    }

    // Runs on the JavaScript thread and waits for it; everything posted there before has run by then.
    void onJS(const std::function<void()>& block) { _runLoop->performBlockSync(block); }
    // One display refresh and the tick it posts.
    void frame(bool relevant = true) {
        std::shared_ptr<VLManualFrameSource> source = _factory->lastSource();
        ASSERT_NE(nullptr, source);
        source->fire(relevant);
        onJS([] {});
    }
    std::shared_ptr<TestPort> addPort(std::string name, std::optional<int64_t> phase = std::nullopt) {
        auto port = std::make_shared<TestPort>(std::move(name), _log, phase);
        _loop->addPort(port);
        return port;
    }
    Log takeLog() {
        Log log;
        onJS([&] { log = std::exchange(_log, {}); });
        return log;
    }

    const std::shared_ptr<VLManualDelayScheduler> _scheduler = std::make_shared<VLManualDelayScheduler>();
    const std::shared_ptr<VLFakeDisplayProvider> _provider = std::make_shared<VLFakeDisplayProvider>();
    const std::shared_ptr<VLManualFrameSourceFactory> _factory =
        std::make_shared<VLManualFrameSourceFactory>();
    const std::shared_ptr<VLRunLoop> _runLoop =
        VLRunLoop::create(VLRunLoopThread::create("app.velto.test-js"));
    std::shared_ptr<VLRenderingLoop> _loop;
    Log _log; // the JavaScript thread's
};

TEST_F(VLRenderingLoopTest, TicksPhaseZeroFirstAndFollowsPortsChangedDuringTheTick) {
    EXPECT_FALSE(_loop->hasManualStarted());
    auto layout = addPort("layout"); // no phase: phase 1
    ASSERT_EQ(1u, _factory->count());
    std::shared_ptr<VLManualFrameSource> source = _factory->lastSource();
    EXPECT_EQ(1, source->startCount());
    EXPECT_EQ(_provider->displayID.load(), source->displayID());

    auto frames = addPort("frames", 0);
    auto removed = addPort("removed", 0);
    _loop->addPort(layout); // twice: ticked twice
    auto late = std::make_shared<TestPort>("late", _log, 1);
    bool firstTick = true; // the JavaScript thread's
    frames->onTick = [&] {
        if (!std::exchange(firstTick, false))
            return;
        _loop->addPort(late);
        _loop->removePort(removed);
    };
    frame();
    EXPECT_EQ((Log{"frames", "layout", "layout", "late"}), takeLog());

    frame(false); // not relevant: no tick
    EXPECT_EQ(Log{}, takeLog());
    _loop->removePort(layout);
    frame();
    EXPECT_EQ((Log{"frames", "late"}), takeLog());
    _loop->removeAllPorts();
    frame();
    EXPECT_EQ(Log{}, takeLog());
    EXPECT_EQ(1u, _factory->count());
}

TEST_F(VLRenderingLoopTest, AtMostOneTickIsInFlight) {
    addPort("port");
    auto held = std::make_shared<std::latch>(1);
    _runLoop->performBlock([held] { held->wait(); });
    for (int refresh = 0; refresh < 5; ++refresh)
        _factory->lastSource()->fire();
    held->count_down();
    onJS([] {});
    EXPECT_EQ(Log{"port"}, takeLog());
    frame();
    EXPECT_EQ(Log{"port"}, takeLog());
}

TEST_F(VLRenderingLoopTest, TargetFPSAndTheCapSentToTheSource) {
    struct Case {
        uint32_t preferred;
        uint32_t content;
        uint32_t rate;
        uint32_t target;
        uint32_t cap;
    } cases[] = {
        {60, 0, 120, 60, 60}, {0, 0, 120, 120, 0}, {45, 0, 120, 120, 45}, {60, 30, 120, 30, 30},
        {30, 60, 60, 30, 30}, {0, 50, 60, 60, 50}, {240, 0, 60, 60, 240}, {60, 0, 0, 60, 60},
    };
    _loop->setPreferredFPS(30);
    EXPECT_EQ(30u, _loop->targetFPS()); // without a source the rate counts as 60
    addPort("port");
    std::shared_ptr<VLManualFrameSource> source = _factory->lastSource();
    EXPECT_EQ(30, source->lastCap()); // a new source starts with the current cap
    for (const Case& c : cases) {
        source->setUpdatesPerSecond(c.rate);
        _loop->setPreferredFPS(c.preferred);
        _loop->setContentPreferredFPS(c.content);
        EXPECT_EQ(c.target, _loop->targetFPS()) << c.preferred << "/" << c.content << " on " << c.rate;
        EXPECT_EQ(int64_t(c.cap), source->lastCap()) << c.preferred << "/" << c.content;
    }
}

TEST_F(VLRenderingLoopTest, TwoIdleTicksStopTheSourceAndANeedRestartsItBeforeTheThreadSleeps) {
    auto port = addPort("frames", 0);
    std::shared_ptr<VLManualFrameSource> source = _factory->lastSource();
    onJS([&] { port->needs = false; });
    frame();
    frame();
    ASSERT_TRUE(VLWaitUntil([&] { return source->stopCount() == 1; }));
    EXPECT_FALSE(source->isRunning());
    EXPECT_EQ(1, source->startCount());

    onJS([&] { port->needs = true; }); // as a new animation-frame request would
    ASSERT_TRUE(VLWaitUntil([&] { return source->startCount() == 2; }));
    EXPECT_TRUE(source->isRunning());
    EXPECT_EQ(1u, _factory->count());
    frame();
    EXPECT_EQ((Log{"frames", "frames", "frames"}), takeLog());

    // View changes held for the next frame wake it too.
    onJS([&] { port->needs = false; });
    frame();
    frame();
    ASSERT_TRUE(VLWaitUntil([&] { return source->stopCount() == 2; }));
    onJS([] {
        VLScreenUpdateBeginLayout();
        VLScreenUpdateHoldUntilPresent();
        VLScreenUpdatePerform([] {});
        VLScreenUpdateEndLayout();
    });
    ASSERT_TRUE(VLWaitUntil([&] { return source->startCount() == 3; }));
    frame(); // flushes them
}

TEST_F(VLRenderingLoopTest, APortThatDoesNotSayOrAPresentableThatNeedsPresentingKeepsTheLoopAwake) {
    auto quiet = addPort("quiet");
    onJS([&] { quiet->needs = false; });
    std::shared_ptr<VLManualFrameSource> source = _factory->lastSource();
    auto silent = addPort("silent");
    for (int refresh = 0; refresh < 4; ++refresh)
        frame();
    _loop->removePort(silent);
    auto presentable = std::make_shared<TestPresentable>();
    presentable->needs = true;
    _loop->registerPresentable(presentable);
    for (int refresh = 0; refresh < 4; ++refresh)
        frame();
    _loop->pause(); // after what the ticks asked of the loop's queue
    EXPECT_EQ(1, source->stopCount());
}

TEST_F(VLRenderingLoopTest, PresentsEveryLivePresentableAndFinishesThemOnPause) {
    auto first = std::make_shared<TestPresentable>();
    auto second = std::make_shared<TestPresentable>();
    auto gone = std::make_shared<TestPresentable>();
    first->presentResult = true;
    _loop->registerPresentable(first);
    _loop->registerPresentable(second);
    _loop->registerPresentable(first); // once
    _loop->registerPresentable(gone);
    ASSERT_EQ(1u, _factory->count());
    gone.reset();
    _loop->setRecordsStatistics(true);
    frame();
    EXPECT_EQ(1, first->presents);
    EXPECT_EQ(1, second->presents);
    size_t alive = 0;
    onJS([&] { alive = _loop->presentables().size(); });
    EXPECT_EQ(2u, alive);

    _loop->pause();
    onJS([] {});
    EXPECT_EQ(1, first->finishes);
    EXPECT_EQ(1, second->finishes);
    EXPECT_EQ(1, _factory->lastSource()->stopCount());
    EXPECT_EQ(1u, _loop->takeStatistics().presentedFrames);
}

TEST_F(VLRenderingLoopTest, PauseAndResume) {
    // Without a source nothing is made.
    _loop->pause();
    _loop->resume();
    _loop->pause();
    EXPECT_FALSE(_loop->hasManualStarted());
    EXPECT_EQ(0u, _factory->count());

    // Started while paused, the source is installed but waits for the resume.
    addPort("port");
    std::shared_ptr<VLManualFrameSource> source = _factory->lastSource();
    ASSERT_NE(nullptr, source);
    EXPECT_TRUE(_loop->hasManualStarted());
    EXPECT_EQ(0, source->startCount());
    _loop->resume();
    ASSERT_TRUE(VLWaitUntil([&] { return source->startCount() == 1; }));
    frame();
    EXPECT_EQ(Log{"port"}, takeLog());

    _loop->pause();
    EXPECT_FALSE(source->isRunning());
    frame(); // a late callback finds the source stopped
    EXPECT_EQ(Log{}, takeLog());
    _loop->resume();
    ASSERT_TRUE(VLWaitUntil([&] { return source->startCount() == 2; }));
}

TEST_F(VLRenderingLoopTest, StopIsFinal) {
    addPort("port");
    std::shared_ptr<VLManualFrameSource> source = _factory->lastSource();
    _loop->stop();
    EXPECT_EQ(1, source->invalidateCount());
    EXPECT_FALSE(_loop->hasManualStarted());
    addPort("later");
    _loop->start();
    _loop->resume();
    _loop->pause();
    EXPECT_FALSE(_loop->hasManualStarted());
    EXPECT_EQ(1u, _factory->count());
    frame();
    EXPECT_EQ(Log{}, takeLog());
}

TEST_F(VLRenderingLoopTest, ASourceThatCannotBeMadeOrStartedIsTriedAgain) {
    VLLogCapture capture(VLLogFlagDefault);
    _factory->makesSources = false;
    addPort("port");
    EXPECT_FALSE(_loop->hasManualStarted());

    _factory->makesSources = true;
    _factory->startsSources = false;
    addPort("second");
    ASSERT_EQ(2u, _factory->count());
    EXPECT_EQ(1, _factory->sources()[0]->invalidateCount());
    EXPECT_EQ(1, _factory->sources()[1]->startCount());
    VLLogFlush();
    EXPECT_EQ(
        (Log{"app.velto.engine/VLRenderingLoop default: The display link didn't start, replacing it",
             "app.velto.engine/VLRenderingLoop default: The new display link didn't start either, trying "
             "again later"}),
        capture.lines());
}

TEST_F(VLRenderingLoopTest, TheWatchdogReplacesAQuietSourceWithBackOffButNotWhileTheDisplaySleeps) {
    VLLogCapture capture(VLLogFlagDefault | VLLogFlagInfo);
    addPort("port");
    EXPECT_EQ(std::vector<double>{1.0}, _scheduler->pendingDelays());

    // Quiet: replaced, then again, each check twice as late.
    _scheduler->advance(1.0);
    EXPECT_EQ(2u, _factory->count());
    EXPECT_EQ(1, _factory->sources()[0]->invalidateCount());
    EXPECT_TRUE(_factory->lastSource()->isRunning());
    EXPECT_EQ(std::vector<double>{2.0}, _scheduler->pendingDelays());
    _scheduler->advance(2.0);
    EXPECT_EQ(3u, _factory->count());

    // Calling back again: the interval drops to a second.
    _scheduler->advance(3.9);
    _factory->lastSource()->fire(false);
    _scheduler->advance(0.1);
    EXPECT_EQ(3u, _factory->count());
    EXPECT_EQ(std::vector<double>{1.0}, _scheduler->pendingDelays());

    // While the display sleeps nothing is replaced, but the interval still grows up to 30 s.
    _provider->asleep = true;
    std::vector<double> intervals;
    for (int check = 0; check < 7; ++check) {
        _scheduler->advance(_scheduler->pendingDelays().at(0));
        intervals.push_back(_scheduler->pendingDelays().at(0));
    }
    EXPECT_EQ((std::vector<double>{2, 4, 8, 16, 30, 30, 30}), intervals);
    EXPECT_EQ(3u, _factory->count());

    // It lapses while paused and comes back with the source.
    _loop->pause();
    _scheduler->advance(30);
    EXPECT_TRUE(_scheduler->pendingDelays().empty());
    _loop->resume();
    ASSERT_TRUE(VLWaitUntil([&] { return _scheduler->pendingCount() == 1; }));
    EXPECT_EQ(std::vector<double>{1.0}, _scheduler->pendingDelays());

    VLLogFlush();
    const std::string prefix = "app.velto.engine/VLRenderingLoop ";
    EXPECT_EQ(
        (Log{prefix + "default: The display link hasn't called back for 1.0 s, replaced it (started: 1)",
             prefix + "info: The display link is still quiet after 2.0 s, replaced it again (started: 1)",
             prefix + "info: The display link calls back again"}),
        capture.lines());
}

TEST_F(VLRenderingLoopTest, RecordsFrameStatisticsUntilTaken) {
    auto port = addPort("port");
    std::vector<double> tickCosts = {0.02, 0.01};
    size_t tick = 0; // the JavaScript thread's
    port->onTick = [&] { _scheduler->clock()->advance(tickCosts.at(tick++)); };
    frame(); // not recorded
    _loop->setRecordsStatistics(true);
    tick = 0;
    frame();
    frame();
    const VLRenderingStatistics statistics = _loop->takeStatistics();
    EXPECT_EQ(2u, statistics.frames);
    EXPECT_EQ(0u, statistics.presentedFrames);
    EXPECT_EQ(1u, statistics.slowFrames); // longer than 1/60 s
    EXPECT_NEAR(0.03, statistics.totalFrameTime, 1e-9);
    EXPECT_NEAR(0.02, statistics.maximumFrameTime, 1e-9);
    EXPECT_EQ(VLRenderingStatistics{}, _loop->takeStatistics());
}

TEST_F(VLRenderingLoopTest, SumsTheMemoryOfLiveReportersOnly) {
    auto big = std::make_shared<TestReporter>(100);
    auto small = std::make_shared<TestReporter>(23);
    auto gone = std::make_shared<TestReporter>(1000);
    _loop->addMemoryReporter(big);
    _loop->addMemoryReporter(gone);
    _loop->addMemoryReporter(small);
    gone.reset();
    EXPECT_EQ(123u, _loop->renderingMemorySize());
    _loop->addMemoryReporter(small);
    EXPECT_EQ(146u, _loop->renderingMemorySize());
    EXPECT_FALSE(_loop->hasManualStarted());
}

TEST_F(VLRenderingLoopTest, FollowsDisplayChanges) {
    addPort("port");
    std::shared_ptr<VLManualFrameSource> first = _factory->lastSource();

    // The screens changed: the source reads its rate again.
    VLNotificationCenter::defaultCenter().post(VLScreenParametersDidChangeNotification, _provider.get());
    EXPECT_EQ(1, first->adoptRefreshRateCount());

    // A source that follows the new display stays; one that cannot is replaced, running as before.
    first->setFollowsDisplay(true);
    _loop->setDisplayID(9);
    _loop->setDisplayID(9);
    _loop->pause(); // waits for the loop's queue
    EXPECT_EQ(1u, _factory->count());
    _loop->resume();
    ASSERT_TRUE(VLWaitUntil([&] { return first->startCount() == 2; }));
    first->setFollowsDisplay(false);
    _loop->setDisplayID(10);
    ASSERT_TRUE(VLWaitUntil([&] { return _factory->count() == 2; }));
    ASSERT_TRUE(VLWaitUntil([&] { return _factory->lastSource()->isRunning(); }));
    EXPECT_EQ(10u, _factory->lastSource()->displayID());
    EXPECT_EQ(1, first->invalidateCount());
    EXPECT_EQ(10u, _loop->displayID());
}
