#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Engine/RunLoop/VLTimerCollection.h"
#include "Platform/Foundation/VLManualDelayScheduler.h"
#include "Tests/Support/VLWaitUntil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

// A collection on a run-loop thread of its own. Everything the timers touch belongs to that thread and
// is read through onLoop().
class VLTimerCollectionTest : public testing::Test {
protected:
    void SetUp() override { makeCollection(); }
    void TearDown() override {
        onLoop([&] { timers.reset(); });
    }

    // On the process's clock, or on manual time that advance() moves.
    void makeCollection(std::shared_ptr<VLManualDelayScheduler> scheduler = nullptr) {
        onLoop([&] {
            timers = VLTimerCollection::create(runLoop->thread(), scheduler ? scheduler->clock() : nullptr,
                                               scheduler);
        });
    }
    // Manual time: what falls due runs on the loop, as it would.
    void advance(const std::shared_ptr<VLManualDelayScheduler>& scheduler, double seconds) {
        onLoop([&] { scheduler->advance(seconds); });
    }
    void onLoop(const std::function<void()>& block) { runLoop->performBlockSync(block); }
    template <typename Value>
    Value read(const Value& value) {
        Value copy;
        onLoop([&] { copy = value; });
        return copy;
    }
    bool waitOnLoop(const std::function<bool()>& condition) {
        return VLWaitUntil([&] {
            bool holds = false;
            onLoop([&] { holds = condition(); });
            return holds;
        });
    }
    // A timer outside the collection (so never throttled) that fires after the given delay; once it has
    // fired, every collection timer due earlier has had its fire.
    void waitPast(double seconds) {
        bool fired = false;
        std::shared_ptr<VLTimer> sentinel;
        onLoop([&] {
            sentinel = VLTimer::create(
                seconds, false, [&] { fired = true; }, nullptr);
            sentinel->startInRunloop(runLoop->thread()->context());
        });
        EXPECT_TRUE(waitOnLoop([&] { return fired; }));
        onLoop([&] { sentinel.reset(); });
    }
    int32_t add(double seconds, bool repeats, std::function<void()> block,
                std::vector<bool>* completions = nullptr) {
        int32_t identifier = 0;
        onLoop([&] {
            VLTimer::Completion completion;
            if (completions) {
                completion = [completions](bool finished) { completions->push_back(finished); };
            }
            identifier = timers->createTimerWithTimeInterval(seconds, repeats, std::move(block), completion);
        });
        return identifier;
    }

    std::shared_ptr<VLRunLoop> runLoop = VLRunLoop::create(VLRunLoopThread::create("app.velto.timers"));
    std::shared_ptr<VLTimerCollection> timers; // the loop's
};

} // namespace

TEST_F(VLTimerCollectionTest, IdentifiersCountFromOneAndInvalidationRefusesNewTimers) {
    std::vector<bool> completions;
    EXPECT_EQ(1, add(
                     60, false, [] {}, &completions));
    EXPECT_EQ(2, add(
                     60, true, [] {}, &completions));
    onLoop([&] {
        timers->cancelTimerWithIdentifier(1);
        timers->cancelTimerWithIdentifier(1);  // gone already
        timers->cancelTimerWithIdentifier(99); // never was
    });
    EXPECT_EQ(3, add(
                     60, false, [] {}, &completions));
    EXPECT_EQ(std::vector<bool>{false}, read(completions));

    onLoop([&] { timers->invalidate(); });
    EXPECT_EQ((std::vector<bool>{false, false, false}), read(completions));
    EXPECT_EQ(4, add(
                     0, false, [] { ADD_FAILURE() << "refused timers never run"; }, &completions));
    EXPECT_EQ((std::vector<bool>{false, false, false, false}), read(completions)); // at once, with false
    EXPECT_FALSE(read(timers->hasTimerWithIdentifier(4)));
    EXPECT_EQ(5, add(0, false, [] {}));
}

TEST_F(VLTimerCollectionTest, EachWayOfEndingCallsTheCompletionOnce) {
    struct Case {
        std::string name;
        bool repeats;
        // Given the identifier after the timer ran `runs` times (or at once when it never runs).
        std::function<void(std::shared_ptr<VLTimerCollection>&, int32_t)> end;
        int runs;
        bool finished;
    } cases[] = {
        {"one-shot runs", false, nullptr, 1, true},
        {"one-shot cancelled", false, [](auto& timers, int32_t id) { timers->cancelTimerWithIdentifier(id); },
         0, false},
        {"repeating cancelled", true, [](auto& timers, int32_t id) { timers->cancelTimerWithIdentifier(id); },
         3, false},
        {"all cancelled", true, [](auto& timers, int32_t) { timers->cancelAllTimers(); }, 2, false},
        {"collection invalidated", true, [](auto& timers, int32_t) { timers->invalidate(); }, 2, false},
        {"collection released", true, [](auto& timers, int32_t) { timers.reset(); }, 2, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        makeCollection();
        int runs = 0;
        std::vector<bool> completions;
        int32_t identifier = 0;
        // The ending runs inside the timer's own block, the hardest place for it.
        identifier = add(
            c.runs == 0 ? 60 : 0.002, c.repeats,
            [&] {
                if (++runs == c.runs && c.end) {
                    c.end(timers, identifier);
                }
            },
            &completions);
        if (c.runs == 0) {
            onLoop([&] { c.end(timers, identifier); });
        }
        ASSERT_TRUE(waitOnLoop([&] { return !completions.empty(); }));
        waitPast(0.02);
        EXPECT_EQ(c.runs, read(runs));
        EXPECT_EQ(std::vector<bool>{c.finished}, read(completions));
        if (c.name != "collection released") {
            EXPECT_FALSE(read(timers->hasTimerWithIdentifier(identifier)));
        }
    }
}

TEST_F(VLTimerCollectionTest, SuspendedTimersDoNotRunUntilResumed) {
    int repeatingRuns = 0;
    int oneShotRuns = 0;
    std::vector<bool> completions;
    int32_t repeating = 0;
    int32_t oneShot = 0;
    // Made and suspended in one turn of the loop, so neither can fire first.
    onLoop([&] {
        repeating = add(0.002, true, [&] { ++repeatingRuns; });
        oneShot = add(
            0.002, false, [&] { ++oneShotRuns; }, &completions);
        timers->suspendAllTimers();
    });
    waitPast(0.03);
    EXPECT_EQ(0, read(repeatingRuns));
    EXPECT_EQ(0, read(oneShotRuns));

    onLoop([&] { timers->resumeTimerWithIdentifier(repeating); });
    EXPECT_TRUE(waitOnLoop([&] { return repeatingRuns >= 3; }));
    onLoop([&] { timers->suspendTimerWithIdentifier(repeating); });
    int runsWhenSuspended = read(repeatingRuns);
    waitPast(0.02);
    EXPECT_EQ(runsWhenSuspended, read(repeatingRuns));

    // The one-shot came due while suspended: it runs when resumed instead of being lost.
    onLoop([&] { timers->resumeAllTimers(); });
    EXPECT_TRUE(waitOnLoop([&] { return !completions.empty(); }));
    EXPECT_EQ(1, read(oneShotRuns));
    EXPECT_EQ(std::vector<bool>{true}, read(completions));
    EXPECT_FALSE(read(timers->hasTimerWithIdentifier(oneShot)));
    // The interval touches this test's locals: end it before they go.
    onLoop([&] { timers->cancelAllTimers(); });
}

TEST_F(VLTimerCollectionTest, ThrottledTimersShareOneBudgetAndThrottleZeroRunsTheWaiting) {
    auto scheduler = std::make_shared<VLManualDelayScheduler>();
    makeCollection(scheduler);
    onLoop([&] { timers->setThrottleInterval(1); });
    std::vector<std::string> ran;
    std::vector<bool> completions;
    add(
        0.001, false, [&] { ran.push_back("a"); }, &completions);
    add(
        0.002, false, [&] { ran.push_back("b"); }, &completions);
    int32_t c = add(
        0.003, false, [&] { ran.push_back("c"); }, &completions);
    add(
        0.004, false, [&] { ran.push_back("d"); }, &completions);
    advance(scheduler, 0.5);
    // Only the first fire fits the budget; the others wait for the tick a second after it.
    EXPECT_EQ(std::vector<std::string>{"a"}, read(ran));

    onLoop([&] {
        timers->cancelTimerWithIdentifier(c);
        timers->setThrottleInterval(-5); // counts as 0: the waiting timers run now, in arrival order
        EXPECT_EQ((std::vector<std::string>{"a", "b", "d"}), ran);
        EXPECT_EQ(0, timers->throttleInterval());
    });
    EXPECT_EQ((std::vector<bool>{true, false, true, true}), read(completions));
    EXPECT_EQ(0u, scheduler->pendingCount()) << "the tick went with the throttle";
}

TEST_F(VLTimerCollectionTest, AThrottleTickRunsTheWaitingTimers) {
    auto scheduler = std::make_shared<VLManualDelayScheduler>();
    makeCollection(scheduler);
    onLoop([&] { timers->setThrottleInterval(1); });
    std::vector<std::string> ran;
    add(0.001, false, [&] { ran.push_back("first"); });
    add(0.002, false, [&] { ran.push_back("second"); });
    add(0.002, false, [&] { ran.push_back("third"); });
    advance(scheduler, 0.998);
    EXPECT_EQ(std::vector<std::string>{"first"}, read(ran));
    advance(scheduler, 0.0035); // past one second after the first run
    EXPECT_EQ((std::vector<std::string>{"first", "second", "third"}), read(ran));
}

TEST_F(VLTimerCollectionTest, AOneSecondThrottleHoldsFastIntervalsToOneBatchASecond) {
    auto scheduler = std::make_shared<VLManualDelayScheduler>();
    makeCollection(scheduler);
    onLoop([&] { timers->setThrottleInterval(1); });
    std::vector<std::string> ran;
    auto record = [&](const char* name) {
        return [&ran, &scheduler, name] {
            ran.push_back(name + ("@" + std::to_string(std::llround(scheduler->clock()->seconds() * 10))));
        };
    };
    add(0.1, true, record("first"));
    add(0.1, true, record("second"));
    // Unthrottled, each would run 25 times. The first run needs no wait; the rest gather at the ticks,
    // a second apart (times in tenths of a second).
    advance(scheduler, 2.5);
    EXPECT_EQ((std::vector<std::string>{"first@1", "second@11", "first@11", "second@21", "first@21"}),
              read(ran));
    // The intervals touch this test's locals: end them before they go.
    onLoop([&] { timers->cancelAllTimers(); });
}
