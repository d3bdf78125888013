#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Runtime/Rendering/VLFrameSourceFactory.h"
#include "Core/Runtime/Rendering/VLFrameSourceRunLoop.h"
#include "Core/Runtime/Rendering/VLRenderingLoop.h"
#include "Core/Runtime/VLAnimationFrameManagerJSBinding.h"
#include "Core/Runtime/VLBundle.h"
#include "Core/Runtime/VLRuntime.h"
#include "Platform/Foundation/VLManualDelayScheduler.h"
#include "Tests/Support/VLFakeDisplayProvider.h"
#include "Tests/Support/VLManualFrameSourceFactory.h"
#include "Tests/Support/VLTestPackage.h"
#include "Tests/Support/VLValuePrinter.h"
#include "Tests/Support/VLWaitUntil.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>

using namespace std::chrono_literals;

// A runtime whose rendering loop ticks from manual sources, with a manual scheduler under its watchdog.
class VLAnimationFrameTest : public testing::Test {
protected:
    void SetUp() override {
        VLDelayScheduler::setShared(_scheduler);
        VLDisplayProvider::setShared(_provider);
        VLFrameSourceFactory::setShared(_factory);
        _runtime = VLRuntime::create(std::make_shared<VLBundle>(_package.path()));
        _runtime->engine()->setExceptionHandler(
            [this](const std::string& message, const std::optional<std::string>&) {
                std::lock_guard lock(_lock);
                _exceptions.push_back(message);
            });
    }
    void TearDown() override {
        std::shared_ptr<VLRunLoopThread> thread = _runtime->engine()->runLoop()->thread();
        _runtime->terminate();
        _runtime.reset();
        EXPECT_TRUE(thread->waitUntilFinished(20s));
        VLFrameSourceFactory::setShared(nullptr);
        VLDisplayProvider::setShared(nullptr);
        VLDelayScheduler::setShared(nullptr);
    }

    VLValue evaluate(std::string_view script) {
        return _runtime->engine()->evaluateScript(script, "test.js");
    }
    // One display refresh and the tick it posts.
    void frame() {
        std::shared_ptr<VLManualFrameSource> source = _factory->lastSource();
        ASSERT_NE(nullptr, source);
        source->fire();
        _runtime->engine()->runLoop()->performBlockSync([] {});
    }
    std::vector<std::string> exceptions() {
        std::lock_guard lock(_lock);
        return _exceptions;
    }

    const std::shared_ptr<VLManualDelayScheduler> _scheduler = std::make_shared<VLManualDelayScheduler>();
    const std::shared_ptr<VLFakeDisplayProvider> _provider = std::make_shared<VLFakeDisplayProvider>();
    const std::shared_ptr<VLManualFrameSourceFactory> _factory =
        std::make_shared<VLManualFrameSourceFactory>();
    VLTestPackage _package;
    std::shared_ptr<VLRuntime> _runtime;
    std::mutex _lock; // guards _exceptions
    std::vector<std::string> _exceptions;
};

TEST_F(VLAnimationFrameTest, CallbacksOfOneFrameRunInRequestOrderWithOneTimeAndLaterRequestsWaitAFrame) {
    EXPECT_EQ(VLValue("1,2"), evaluate(R"(
        var calls = [];
        [requestAnimationFrame(function (time) {
            'use strict';
            calls.push(['first', time, this === undefined]);
            requestAnimationFrame(function (later) { calls.push(['inner', later]); });
        }),
        requestAnimationFrame(function (time) { calls.push(['second', time]); })].join())"));
    EXPECT_EQ(1u, _factory->count()); // the first request started the loop
    frame();
    EXPECT_EQ(VLValue("first,second true true 4"),
              evaluate("[calls.map(c => c[0]).join(), calls[0][1] === calls[1][1], calls[0][2], "
                       "requestAnimationFrame(() => {})].join(' ')"));
    frame();
    EXPECT_EQ(VLValue("first,second,inner true"),
              evaluate("[calls.map(c => c[0]).join(), calls[2][1] >= calls[0][1]].join(' ')"));
}

TEST_F(VLAnimationFrameTest, CancelsByNumberOnlyAndRefusesRequestsThatAreNotOneObject) {
    EXPECT_EQ(VLValue("undefined undefined undefined undefined undefined 1 undefined"), evaluate(R"(
        var calls = [];
        var second;
        var refused = [requestAnimationFrame(), requestAnimationFrame(() => calls.push('two arguments'), 1),
                       requestAnimationFrame(5), requestAnimationFrame('f')];
        requestAnimationFrame(function () {
            calls.push('first');
            cancelAnimationFrame(second);
        });
        second = requestAnimationFrame(() => calls.push('second'));
        var third = requestAnimationFrame(() => calls.push('third'));
        cancelAnimationFrame(String(third));
        cancelAnimationFrame(third, 1);
        cancelAnimationFrame(99);
        refused.concat([cancelAnimationFrame(99), typeof Velto.preferredFramesPerSecond === 'number' ? 1 : 0,
                        cancelAnimationFrame()]).map(String).join(' '))"));
    frame();
    EXPECT_EQ(VLValue("first,third"), evaluate("calls.join()"));
}

TEST_F(VLAnimationFrameTest, AThrowingCallbackIsReportedAndTheOthersStillRun) {
    evaluate(R"(
        var calls = [];
        requestAnimationFrame(() => { throw new RangeError('frame failed'); });
        requestAnimationFrame(() => calls.push('after'));
        requestAnimationFrame({ notCallable: true });
    )");
    frame();
    EXPECT_EQ(VLValue("after"), evaluate("calls.join()"));
    std::vector<std::string> reported = exceptions();
    ASSERT_EQ(2u, reported.size());
    EXPECT_NE(std::string::npos, reported[0].find("RangeError: frame failed")) << reported[0];
    EXPECT_NE(std::string::npos, reported[1].find("TypeError")) << reported[1];
    frame(); // the loop still ticks
}

TEST_F(VLAnimationFrameTest, PreferredFramesPerSecondIsRoundedLimitedAndOnlyLowersTheHostsRate) {
    EXPECT_EQ(VLValue(0), evaluate("Velto.preferredFramesPerSecond"));
    const struct {
        const char* value;
        double stored;
    } cases[] = {{"'30'", 30}, {"29.5", 30},    {"0.4", 0},    {"5000", 1000}, {"-1", 0},
                 {"NaN", 0},   {"Infinity", 0}, {"'fast'", 0}, {"12.49", 12}};
    for (const auto& c : cases) {
        EXPECT_EQ(VLValue(c.stored), evaluate(std::string("Velto.preferredFramesPerSecond = ") + c.value +
                                              "; Velto.preferredFramesPerSecond"))
            << c.value;
    }
    EXPECT_EQ(VLValue("true false"), evaluate(R"(
        var descriptor = Object.getOwnPropertyDescriptor(Velto, 'preferredFramesPerSecond');
        [descriptor.enumerable, descriptor.configurable].join(' '))"));

    evaluate("requestAnimationFrame(() => {})");
    std::shared_ptr<VLManualFrameSource> source = _factory->lastSource();
    ASSERT_NE(nullptr, source);
    EXPECT_EQ(12, source->lastCap());
    evaluate("Velto.preferredFramesPerSecond = 30");
    EXPECT_EQ(30, source->lastCap());
    EXPECT_EQ(30u, _runtime->renderingLoop()->targetFPS());
    evaluate("Velto.preferredFramesPerSecond = 120");
    EXPECT_EQ(60, source->lastCap());
    EXPECT_EQ(60u, _runtime->renderingLoop()->targetFPS());
    _runtime->setPreferredFramesPerSecond(20);
    EXPECT_EQ(20u, _runtime->preferredFramesPerSecond());
    EXPECT_EQ(20, source->lastCap());
}

TEST_F(VLAnimationFrameTest, RequestsArePendingWorkUntilTheirFrameRan) {
    const std::shared_ptr<VLJSEngine>& engine = _runtime->engine();
    evaluate("var ran = 0; requestAnimationFrame(() => ran++)");
    // Nothing else is pending: only the request keeps the engine from being idle.
    EXPECT_FALSE(engine->waitUntilIdle(std::chrono::steady_clock::now() + 50ms));
    frame();
    EXPECT_TRUE(engine->waitUntilIdle(std::chrono::steady_clock::now() + 20s));
    EXPECT_EQ(VLValue(1), evaluate("ran"));
}

TEST_F(VLAnimationFrameTest, SuspensionPausesTheLoopAndTerminationStopsIt) {
    evaluate("function again() { requestAnimationFrame(again); } again()");
    std::shared_ptr<VLManualFrameSource> source = _factory->lastSource();
    ASSERT_NE(nullptr, source);
    EXPECT_TRUE(source->isRunning());
    _runtime->setSuspended(true);
    EXPECT_FALSE(source->isRunning());
    _runtime->setSuspended(false);
    ASSERT_TRUE(VLWaitUntil([&] { return source->isRunning(); }));
    _runtime->setRenderingPaused(true);
    EXPECT_FALSE(source->isRunning());
    _runtime->setRenderingPaused(false);
    ASSERT_TRUE(VLWaitUntil([&] { return source->isRunning(); }));

    _runtime->terminate();
    EXPECT_EQ(1, source->invalidateCount());
    EXPECT_FALSE(_runtime->renderingLoop()->hasManualStarted());
}

TEST(VLAnimationFrame, ARuntimeThatNeverAnimatesMakesNoLoopAndTerminationMakesNone) {
    VLTestPackage package;
    auto factory = std::make_shared<VLManualFrameSourceFactory>();
    VLFrameSourceFactory::setShared(factory);
    std::shared_ptr<VLRuntime> runtime = VLRuntime::create(std::make_shared<VLBundle>(package.path()));
    EXPECT_EQ(VLValue(2), runtime->engine()->evaluateScript("1 + 1", "test.js"));
    runtime->terminate();
    EXPECT_EQ(0u, factory->count());
    VLFrameSourceFactory::setShared(nullptr);
}

TEST(VLAnimationFrame, AnIdleWidgetLeavesNothingArmedOnTheDisplayLinkThread) {
    VLTestPackage package;
    VLDisplayProvider::setShared(std::make_shared<VLFakeDisplayProvider>());
    std::shared_ptr<VLRuntime> runtime = VLRuntime::create(std::make_shared<VLBundle>(package.path()));
    const std::shared_ptr<VLJSEngine>& engine = runtime->engine();
    engine->evaluateScript(R"(
        var frames = 0;
        function count() { if (++frames < 3) requestAnimationFrame(count); }
        requestAnimationFrame(count);
    )",
                           "test.js");
    ASSERT_TRUE(engine->waitUntilIdle(std::chrono::steady_clock::now() + 20s));
    EXPECT_EQ(VLValue(3), engine->evaluateScript("frames", "test.js"));
    // Two idle ticks later the source stops, and with it the only timer of the thread.
    EXPECT_TRUE(VLWaitUntil([] { return VLFrameSourceRunLoop::shared().armedTimerCount() == 0; }));
    runtime->terminate();
    VLDisplayProvider::setShared(nullptr);
}
